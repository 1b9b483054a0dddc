// The solve driver: load, factorise, substitute, refine, report, evaluate PVs.
#include <cmath>
#include <cstdio>
#include <vector>

#include "dss/DSSSolver.h"
#include "dss/Matrix.h"
#include "framework/RunFigures.h"
#include "framework/SolverDBInfo.h"
#include "pv/perfcdb.h"

// Writes a progress line to the debug stream (when debugging) and to the report (when verbose).
void DSSSolver::progress(const char* line, bool flush)
{
    if (debugFlag) {
        fputs(line, debugOut);
        if (flush) fflush(debugOut);
    }
    if (verbosity > 0) {
        fputs(line, out);
        if (flush) fflush(out);
    }
}

// Loads and factorises A and leaves the stationary vector in solutionVector.
void DSSSolver::solveSystem()
{
    const size_t n = numStates > 0 ? (size_t)numStates : 0;
    std::vector<double> y(n), z(n), x(n);
    solutionVector.assign(n, 0.0);
    initializeSolver();
    progress("Begin LU decomposition.\n", true);
    performLUDecomp();
    progress("Finished LU decomposition.\n", true);
    progress("Beginning forward substitution.\n", true);
    forwardSub(y.data(), rhs.data(), A);
    progress("Finished forward substitution.\n", true);
    progress("Beginning backward substitution.\n", true);
    backwardSub(y.data(), z.data(), A);
    progress("Finished backward substitution.\n", true);
    for (double& v : x) v = -1.0;
    findSolution(z.data(), x.data());
    if (verbosity > 0) {
        fprintf(out, "DSS has %d states\n", numStates);
        fflush(out);
    }
    if (!(dropThreshold > 1e-11)) {
        solutionVector = x;
        return;
    }
    progress("Beginning iterative refinement.\n", false);
    iterativeRefine(A, x.data(), solutionVector.data());
    if (verbosity > 0) fputs("Finished iterative refinement.\n", out);
    if (debugFlag) fputs("Finished iterative refinement.\nIterative refinement used.\n", debugOut);
}

// True when every probability is a finite number.
static bool allFinite(const std::vector<double>& v)
{
    for (double p : v)
        if (!std::isfinite(p)) return false;
    return true;
}

void DSSSolver::solve()
{
    ProcessUsage start = processUsage();
    solveSystem();
    if (stateOccupancyFlag) print_states();
    ProcessUsage end = processUsage();
    userTime = end.userSeconds - start.userSeconds;
    systemTime = end.systemSeconds - start.systemSeconds;
    if (progressLine) progressLine->finish();
    fprintf(out, "Computation Time (seconds): %lf\n", userTime + systemTime);
    fprintf(out, "User Time (seconds): %lf\n", userTime);
    fprintf(out, "System Time (seconds): %lf\n", systemTime);
    transitions = countTransitions(*stateLevel);
    peakKiB = processUsage().peakKiB;
    writeRunFigures(out, numStates, transitions, peakKiB);
    perfcdb(stateLevel, this, solutionVector.data(), out, csvOut, 0, -1, -1.0, 1.0, 0,
            complementPlot, 3, db_entity, db_exp_index);
    runFailed = !allFinite(solutionVector);
    if (runFailed) {
        const char* text = "Error: the solution contains values that are not finite numbers "
                           "(the chain may be singular); the results above are not valid.\n";
        fputs(text, out);
        fputs(text, stderr);
    }
    if (jsonOut != nullptr) writeJsonFile();
    std::vector<double>().swap(solutionVector);
    terminate();
}
