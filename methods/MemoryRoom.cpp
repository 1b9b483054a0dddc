// The memory still available, from the system's own estimate.
#include "methods/MemoryRoom.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>

// MemAvailable from /proc/meminfo, else the free physical pages.
int64_t availableMemoryBytes()
{
    if (FILE* f = fopen("/proc/meminfo", "r")) {
        char line[256];
        long long kib = -1;
        while (fgets(line, sizeof line, f) != nullptr)
            if (strncmp(line, "MemAvailable:", 13) == 0 && sscanf(line + 13, "%lld", &kib) == 1) break;
        fclose(f);
        if (kib > 0) return (int64_t)kib * 1024;
    }
    const long pages = sysconf(_SC_AVPHYS_PAGES), size = sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || size <= 0) return 0;
    return (int64_t)pages * (int64_t)size;
}
