// The direct solver's own options, shared by dss and dss-mpi.
#ifndef VELMAR_DSS_DIRECTOPTIONS_H
#define VELMAR_DSS_DIRECTOPTIONS_H

#include <cstdint>
#include <string>

struct DirectOptions {
    double accuracy = 1e-9;
    double tolerance = 0.001;
    bool complementPlot = false;
    int16_t stability = 0;
    int32_t searchRows = 0;
    std::string method = "lu";
    bool methodGiven = false;  // -m was on the command line
};

// Reads -a, -t, -c, -r, -g and -m into o; a value that is not a number leaves its setting as it was.
void parseDirectOptions(int argc, char** argv, DirectOptions& o);

#endif
