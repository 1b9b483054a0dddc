// The solve of a chain read from a state level, as the direct solver runs it, without a
// report: the vector and the record of what was done.
#ifndef VELMAR_PYTHON_MEMORYSOLVE_H
#define VELMAR_PYTHON_MEMORYSOLVE_H

#include <string>
#include <vector>

#include "methods/SolveRecord.h"

class BaseStateLevel;

struct SolveSettings {
    std::string method = "auto";
    bool methodGiven = true;  // false: the program's default, lu within auto's fill budget
    double accuracy = 1e-9;
    double tolerance = 1e-3;
};

// What is wrong with the settings, in the program's words; empty when nothing is.
std::string settingsFault(const SolveSettings& s);

struct SolveOutcome {
    std::vector<double> pi;
    SolveRecord record;
    double seconds = 0.0;  // wall-clock time of the whole solve
};

// Reads the chain of the level and solves it with the settings.
SolveOutcome solveLevel(BaseStateLevel& level, const SolveSettings& s);

#endif
