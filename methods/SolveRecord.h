// What a solve did: the record from which the report, the debug lines, the progress lines
// and the benchmark take their figures.
#ifndef VELMAR_DSS_SOLVERECORD_H
#define VELMAR_DSS_SOLVERECORD_H

#include <cstdint>
#include <string>
#include <vector>

#include "check/SolutionCheck.h"

// One attempt at the vector: a method under one setting, and how it fared.
struct SolveAttempt {
    std::string method;        // "lu", ...
    std::string ordering;      // "none" or the ordering used
    double tolerance = 0.0;    // drop tolerance of the factorisation (relative)
    double dropThreshold = 0.0; // the magnitude this factorisation dropped below (absolute)
    int64_t factorEntries = 0; // entries kept in the factors
    int64_t dropped = 0;       // factor entries dropped
    int refinementPasses = 0;  // refinement pass counter at the end
    bool refined = false;
    int gmresIterations = 0;
    bool gmresUsed = false;
    bool continuedAfterCheck = false;  // GMRES went on because the check failed
    bool converged = false;    // the method's own stopping rule was met
    int iterations = 0;        // iterations of an iterative method
    int threads = 1;           // threads that shared the iterations
    double seconds = 0.0;      // processor time of this attempt
    double checkWallSeconds = 0.0;  // wall-clock time of the method's own checks of its vector
    bool outOfMemory = false;
    bool gaveUp = false;       // the method produced no vector to check
    int64_t workBytes = 0;     // memory of the method's own matrices, factors and vectors
    std::string note;          // why the method gave up, or what auto picked and why
    // The method's own estimate of the vector's error, ||pi - pi*||_1 with pi* the exact
    // answer (the residual solved with the method's factors); negative when it gives none.
    double forwardError = -1.0;
    SolutionCheck check;
};

struct SolveRecord {
    int numStates = 0;
    int64_t transitions = 0;
    double timeUnit = 1.0;     // rates were divided by this before the solve
    int closedClasses = 0;
    int transientStates = 0;
    std::vector<SolveAttempt> attempts;
    SolutionCheck check;       // of the vector finally reported
    double readSeconds = 0.0;  // reading the chain, finding its closed classes and its blocks
    double checkSeconds = 0.0; // every solution check of the solve
    double checkWallSeconds = 0.0;  // the same checks on the wall clock (the attempts' own apart)
    // Wall-clock seconds of building the chain from the state level, and of finding its
    // closed classes, its blocks and its unit of time.
    double readingWallSeconds = 0.0;
    double structureWallSeconds = 0.0;
    bool valid() const { return check.passed; }
};

#endif
