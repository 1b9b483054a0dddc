// The machine-readable results of a run: one JSON document per run, numbers at full
// precision, written through a JSON library when the build has one.
#ifndef VELMAR_JSONRESULTS_H
#define VELMAR_JSONRESULTS_H

#include <cstdint>
#include <string>
#include <utility>
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

// A named figure of the run, written as a number (null when not finite), an integer,
// true/false or, for Text, the string `text`.
struct JsonField {
    enum Kind { Number, Integer, Flag, Text };
    JsonField(std::string fieldName, double number, Kind numberKind = Number)
        : name(std::move(fieldName)), value(number), kind(numberKind)
    {
    }
    JsonField(std::string fieldName, std::string words)
        : name(std::move(fieldName)), kind(Text), text(std::move(words))
    {
    }
    std::string name;
    double value = 0.0;
    Kind kind = Number;
    std::string text;
};

struct JsonRun {
    std::string project, study, experiment, stateSpacePath, solverPath;
    int states = 0;
    int64_t transitions = 0;
    std::vector<JsonField> settings;  // as the run used them
    std::vector<JsonField> solve;     // times, memory and the solve's own figures
    std::vector<std::vector<JsonField>> attempts;  // each attempt at the vector, in order
    std::vector<JsonField> phases;    // wall-clock seconds of the run's phases
    bool valid = true;                // false when the results are not to be trusted
    std::vector<PVResult> pvs;
};

// True when this build can write JSON results.
bool jsonResultsAvailable();

// The run as one JSON document ending in a newline; empty when no JSON library was built in.
std::string jsonResultsText(const JsonRun& run);

#endif
