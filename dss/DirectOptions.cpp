// Parsing the direct solver's own options.
#include "dss/DirectOptions.h"

#include <cstdio>

#include "dss/DSSSolver.h"
#include "framework/velmar_getopt.h"

void parseDirectOptions(int argc, char** argv, DirectOptions& o)
{
    velmar_parse(argc, argv, OptionParse::Direct, [&](int c, const char* value) {
        short s;
        long l;
        switch (c) {
        case 'a':
            if (sscanf(value, "%hd", &s) == 1) o.accuracy = port_pow(10.0, -s);
            break;
        case 't': sscanf(value, "%lf", &o.tolerance); break;
        case 'c': o.complementPlot = true; break;
        case 'r':
            if (sscanf(value, "%ld", &l) == 1) o.searchRows = (int32_t)l;
            break;
        case 'g':
            if (sscanf(value, "%hd", &s) == 1) o.stability = s;
            break;
        case 'm':
            o.method = value;
            o.methodGiven = true;
            break;
        default: break;
        }
    });
}
