// The solve's figures in the JSON results file, from the record of what it did.
#ifndef VELMAR_REPORT_SOLVEJSON_H
#define VELMAR_REPORT_SOLVEJSON_H

#include <vector>

#include "framework/JsonResults.h"
#include "framework/RunPhases.h"
#include "methods/SolveRecord.h"

// What the process measured around the solve.
struct SolveFigures {
    double userSeconds = 0.0;
    double systemSeconds = 0.0;
    long peakKiB = 0;
    double dropThreshold = 0.0;  // the factorisation's, when no attempt of lu recorded one
};

// Times, memory, the attempts' figures and the check's, as named fields.
std::vector<JsonField> solveFields(const SolveRecord& record, const SolveFigures& f);

// One attempt at the vector: its method and ordering, its work and how it fared.
std::vector<JsonField> attemptFields(const SolveAttempt& a);

// The wall-clock seconds of the run's phases.
std::vector<JsonField> phaseFields(const RunPhases& p);

#endif
