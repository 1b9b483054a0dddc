// Process accounting from getrusage.
#include "framework/RunFigures.h"

#include <sys/resource.h>

#include <vector>


// Seconds in a timeval.
static double seconds(const timeval& t)
{
    return (double)t.tv_sec + 1e-6 * (double)t.tv_usec;
}

ProcessUsage processUsage()
{
    ProcessUsage u;
    rusage r{};
    if (getrusage(RUSAGE_SELF, &r) != 0) return u;
    u.userSeconds = seconds(r.ru_utime);
    u.systemSeconds = seconds(r.ru_stime);
    u.peakKiB = r.ru_maxrss;  // kilobytes on Linux
    return u;
}

void writeRunFigures(FILE* out, int states, int64_t transitions, long peakKiB)
{
    fprintf(out, "States: %d\n", states);
    fprintf(out, "Transitions: %lld\n", (long long)transitions);
    fprintf(out, "Peak Memory (MiB): %.1f\n", (double)peakKiB / 1024.0);
}
