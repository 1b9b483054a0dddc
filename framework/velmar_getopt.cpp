// A getopt wrapper that steps over non-option words instead of stopping.
#include "framework/velmar_getopt.h"

#include <cstring>
#include <string>

#include "framework/ArgvOrder.h"

// The platform scanner runs in stop-at-first-non-option mode, fixed by a
// leading '+', so that no environment variable can change how it scans.
static int scan(int argc, char** argv, const char* optstring)
{
    std::string pinned = std::string("+") + optstring;
    return getopt(argc, argv, pinned.c_str());
}

int velmar_getopt(int argc, char** argv, const char* optstring)
{
    int last = optind;
    for (;;) {
        int c = scan(argc, argv, optstring);
        int cur = optind;
        if (cur < last) return -1;  // the scanner wound its index back
        if (c != -1) return c;
        if (cur >= argc) return -1;
        if (cur >= 2 && cur - 1 >= last && std::strcmp(argv[cur - 1], "--") == 0) {
            // "--" is passed over like any other word, and scanning goes on
            last = cur;
            continue;
        }
        // stopped at a word that is not an option: step over it
        optind = last = cur + 1;
    }
}

void velmar_parse(int argc, char** argv, const char* optstring,
                  const std::function<void(int, const char*)>& act)
{
    ArgvOrder order(argc, argv);
    opterr = 0;
    optind = 0;
    int c;
    while ((c = velmar_getopt(argc, argv, optstring)) != -1) act(c, optarg);
    order.Restore();
}
