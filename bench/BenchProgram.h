// The program as a user runs it: `dss` in a process of its own, its figures from its own
// JSON results file.
#ifndef VELMAR_BENCH_PROGRAM_H
#define VELMAR_BENCH_PROGRAM_H

#include <string>
#include <vector>

#include "bench/BenchChild.h"

// How the program is run: `method` is a value of -m, or "default" for none; extra words
// (such as "-t 1e-5") go after it.
struct ProgramCall {
    std::string method;
    std::vector<std::string> extra;
};

// Runs dss on the flat files at base with the call's settings, its results beside them
// (base.METHOD.report.txt, .json), and fills the figures from the JSON file. With piPath,
// a second run, not timed, writes every state's probability, which goes to piPath as n doubles.
ChildResult runDss(const ChildLimits& limits, const std::string& base, const ProgramCall& call,
                   const std::string& piPath);

// The figures of a run from the text of its JSON results file; false when it is not one.
bool figuresFromJson(const std::string& text, const std::string& method, Figures& f);

// The probabilities of a state file written with -O and -f; empty when it is not one.
std::vector<double> readStateFile(const std::string& path);

#endif
