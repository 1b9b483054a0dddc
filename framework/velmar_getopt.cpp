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

int velmar_option_arity(char letter)
{
    const OptionSpec* o = findOption(letter);
    if (o == nullptr) return 0;
    return o->value == OptionValue::Required ? 1 : o->value == OptionValue::Attached ? 2 : 0;
}

// True when letter is one of optstring's own option letters.
static bool owns(const char* optstring, int letter)
{
    return letter != ':' && letter != '?' && std::strchr(optstring, letter) != nullptr;
}

void velmar_parse(int argc, char** argv, const char* optstring,
                  const std::function<void(int, const char*)>& act)
{
    ArgvOrder order(argc, argv);
    opterr = 0;
    optind = 0;
    // the parser's own letters come first: the scanner takes the first description of a letter
    std::string scanned = std::string(optstring) + programOptionString();
    int c;
    while ((c = velmar_getopt(argc, argv, scanned.c_str())) != -1)
        if (owns(optstring, c)) act(c, optarg);
    order.Restore();
}

void velmar_parse(int argc, char** argv, OptionParse parse,
                  const std::function<void(int, const char*)>& act)
{
    velmar_parse(argc, argv, optionString(parse).c_str(), act);
}
