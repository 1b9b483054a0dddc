// The machine-readable results of a run: one JSON document per run, numbers at full
// precision, written through a JSON library when the build has one.
#ifndef VELMAR_JSONRESULTS_H
#define VELMAR_JSONRESULTS_H

#include <cstdint>
#include <string>
#include <vector>

// One evaluated performance variable: its moments and its distribution P(X = x[k]) = p[k].
struct PVResult {
    int index = 0;
    std::string name;
    double mean = 0.0;
    double variance = 0.0;
    std::vector<double> x;
    std::vector<double> p;
};

// A named number of the run, written as a number, an integer or true/false.
struct JsonField {
    enum Kind { Number, Integer, Flag };
    std::string name;
    double value = 0.0;
    Kind kind = Number;
};

struct JsonRun {
    std::string project, study, experiment, stateSpacePath, solverPath;
    int states = 0;
    int64_t transitions = 0;
    std::vector<JsonField> settings;  // as the run used them
    std::vector<JsonField> solve;     // times, memory and the solve's own figures
    bool valid = true;                // false when the results are not to be trusted
    std::vector<PVResult> pvs;
};

// True when this build can write JSON results.
bool jsonResultsAvailable();

// The run as one JSON document ending in a newline; empty when no JSON library was built in.
std::string jsonResultsText(const JsonRun& run);

#endif
