// The solve driver: load, factorise, substitute, refine, check, report, evaluate PVs.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "chain/ChainStructure.h"
#include "dss/DSSSolver.h"
#include "methods/Gmres.h"
#include "dss/Matrix.h"
#include "methods/AutoMethod.h"
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

// Writes a line to the report and, when debugging, to the debug stream.
void DSSSolver::note(const std::string& line)
{
    if (out == nullptr) return;  // a solver of a part of the chain writes nothing
    fputs(line.c_str(), out);
    fflush(out);
    if (debugFlag) {
        fputs(line.c_str(), debugOut);
        fflush(debugOut);
    }
}

// Reads the chain once: its unit of time, its closed classes and the order of the load, in
// which a state of a closed class comes last so that the normalisation replaces the balance
// equation of a recurrent state (no leading block of the system is then singular).
void DSSSolver::prepareLoad()
{
    clock_t start = clock();
    chain = readGenerator(*stateLevel);
    rateUnit = timeUnit(chain);
    // the closed classes come with the blocks the check needs, at the cost of one search
    ChainStructure found = findChainStructure(chain);
    structure = std::move(found.classes);
    blockLevels = std::move(found.blocks);
    const ClosedClasses& classes = structure;
    record = SolveRecord();
    record.numStates = chain.n;
    record.transitions = chain.transitions();
    record.timeUnit = rateUnit;
    record.closedClasses = classes.count();
    record.transientStates = classes.transient;
    record.readSeconds = (double)(clock() - start) / CLOCKS_PER_SEC;
    transientState.clear();
    if (classes.count() == 1 && classes.transient > 0) {
        transientState.assign(chain.n, 0);
        for (int i = 0; i < chain.n; ++i) transientState[i] = classes.classOf[i] < 0;
    }
    positionOf.clear();
    const int n = chain.n;
    if (n == 0 || classes.classOf[n - 1] >= 0 || classes.count() == 0) return;
    int last = n - 1;
    while (classes.classOf[last] < 0) --last;  // the highest-numbered recurrent state
    positionOf.resize(n);
    for (int i = 0; i < n; ++i) positionOf[i] = i;
    positionOf[last] = n - 1;
    positionOf[n - 1] = last;
}

// True when a check failed on the balance of a block of states alone.
static bool blockFailure(const SolutionCheck& c)
{
    return !c.passed && c.blocks > 0 && !(c.blockImbalance <= c.bound) && c.imbalance <= c.bound;
}

// Next drop tolerance after a failed check: a thousand times smaller, then no dropping.
static double smallerTolerance(double t)
{
    double next = t / 1000.0;
    return next < 1e-15 ? 0.0 : next;
}

// Checks solutionVector and counts the time it takes.
void DSSSolver::checkVector(SolveAttempt& attempt)
{
    clock_t start = clock();
    normaliseAndCheck(attempt);
    record.checkSeconds += (double)(clock() - start) / CLOCKS_PER_SEC;
}

// Normalises the vector and checks it against the chain; rounding noise is cleared on a pass.
void DSSSolver::normaliseAndCheck(SolveAttempt& attempt)
{
    if (solutionVector.empty()) {
        attempt.check = SolutionCheck();
        attempt.check.passed = true;
        return;
    }
    if (!normaliseProbabilities(solutionVector)) {
        attempt.check = checkSolution(chain, solutionVector, accuracy, &blockLevels);
        if (attempt.check.passed || attempt.check.failure[0] == '\0') {
            attempt.check.passed = false;
            attempt.check.failure = "the probabilities do not sum to a positive number";
        }
        return;
    }
    attempt.check = checkSolution(chain, solutionVector, accuracy, &blockLevels);
    if (!attempt.check.passed) return;
    clearRoundingNoise(solutionVector, attempt.check.bound);
    attempt.check.mostNegative = *std::min_element(solutionVector.begin(), solutionVector.end());
}

// x in load order to solutionVector in state order; a transient state of a chain with one
// closed class has probability 0, not the rounding noise the substitutions leave on it.
void DSSSolver::toStateOrder(const std::vector<double>& x)
{
    solutionVector.assign(x.size(), 0.0);
    for (size_t i = 0; i < x.size(); ++i)
        solutionVector[i] = positionOf.empty() ? x[i] : x[positionOf[i]];
    for (size_t i = 0; i < transientState.size() && i < x.size(); ++i)
        if (transientState[i]) solutionVector[i] = 0.0;
}

// One factorisation with drop tolerance tol, substitutions, refinement, the check and, when the
// check fails, the GMRES continuation; solutionVector holds the result.
void DSSSolver::solveAttempt(double tol, SolveAttempt& attempt)
{
    const int n = numStates;
    const double given = tolerance;
    tolerance = tol;
    attempt.method = "lu";
    attempt.ordering = positionOf.empty() ? "none" : "recurrent state last";
    attempt.tolerance = tol;
    clock_t start = clock();
    std::vector<double> y(n), z(n), x(n);
    for (int i = 0; i < n; ++i) rowSwap[i] = colSwap[i] = i;
    initializeSolver();
    attempt.dropThreshold = dropThreshold;  // the refinement's load of origA sets the member anew
    tolerance = given;
    progress("Begin LU decomposition.\n", true);
    performLUDecomp();
    progress("Finished LU decomposition.\n", true);
    attempt.dropped = droppedEntries;
    for (int i = 0; i < n; ++i) attempt.factorEntries += A[i].numEntries();
    hintAtFill(attempt.factorEntries);
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
    std::unique_ptr<Matrix[]> origA;
    if (dropThreshold > 1e-11 || droppedEntries > 0) {
        progress("Beginning iterative refinement.\n", false);
        origA.reset(new Matrix[n > 0 ? n : 0]);
        readMatrix(origA.get());
        iterativeRefine(A, origA.get(), x, attempt);
        if (verbosity > 0) fputs("Finished iterative refinement.\n", out);
        if (debugFlag) fputs("Finished iterative refinement.\nIterative refinement used.\n", debugOut);
    }
    toStateOrder(x);
    checkVector(attempt);
    if (!attempt.check.passed && n > 0 && record.closedClasses <= 1) {
        if (!origA) {
            origA.reset(new Matrix[n]);
            readMatrix(origA.get());
        }
        // GMRES goes on until the vector passes the check itself
        std::vector<double> trial;
        auto passes = [&](const double* v) {
            clock_t began = clock();
            trial.assign(v, v + n);
            for (int i = 0; i < n; ++i) trial[i] = positionOf.empty() ? v[i] : v[positionOf[i]];
            for (size_t i = 0; i < transientState.size(); ++i)
                if (transientState[i]) trial[i] = 0.0;
            bool ok = normaliseProbabilities(trial) && checkSolution(chain, trial, accuracy, &blockLevels).passed;
            record.checkSeconds += (double)(clock() - began) / CLOCKS_PER_SEC;
            return ok;
        };
        GmresOutcome g = continueRefinement(A, origA.get(), x.data(), -1, attempt.check.failure, passes);
        attempt.gmresUsed = true;
        attempt.continuedAfterCheck = true;
        attempt.gmresIterations += g.iterations;
        toStateOrder(x);
        checkVector(attempt);
    }
    attempt.seconds = (double)(clock() - start) / CLOCKS_PER_SEC;
    std::string line = checkReportLine(attempt.check);
    note(line);
}

// Reads the chain and solves it: several closed classes from the initial state, one with the
// method chosen by -m (the default lu factorises as it always did).
void DSSSolver::solveSystem()
{
    prepareLoad();
    reportStructure();
    if (record.closedClasses > 1) {
        solveLongRun();
        return;
    }
    structure = ClosedClasses();  // not needed by the factorisation
    if (method != "lu") {
        solveWithMethod();
        return;
    }
    if (!methodGiven && numStates >= 2000) {
        if (!solveWithinBudget()) return;
    } else {
        solveWithLu();
    }
    if (!record.check.passed && numStates > 0) continueWithGth(std::string("lu: ") + record.check.failure, 0.0);
}

// Loads and factorises A and leaves the checked stationary vector in solutionVector; a vector
// that fails its check is tried again with a drop tolerance a thousand times smaller, down to
// no dropping, as far as memory allows.
void DSSSolver::solveWithLu()
{
    double tol = tolerance;
    for (;;) {
        record.attempts.emplace_back();
        SolveAttempt& attempt = record.attempts.back();
        try {
            solveAttempt(tol, attempt);
        } catch (std::bad_alloc&) {
            if (record.attempts.size() == 1) throw;
            attempt.outOfMemory = true;
            attempt.check.failure = "memory ran out";
            delete[] A;
            A = nullptr;
            char line[200];
            snprintf(line, sizeof line, "Factorising with drop tolerance %le ran out of memory.\n", tol);
            note(line);
            record.attempts.pop_back();
            break;
        }
        if (attempt.check.passed || tol == 0.0 || record.closedClasses > 1) break;
        // dropping cannot be what put whole blocks off balance: the pivots lost the weak couplings
        if (blockFailure(attempt.check)) break;
        tol = smallerTolerance(tol);
        char line[300];
        snprintf(line, sizeof line, "Solution check failed (%s); factorising again with drop tolerance %le.\n",
                 attempt.check.failure, tol);
        note(line);
    }
    record.check = record.attempts.back().check;
}

bool DSSSolver::solveWithinBudget()
{
    fillBudget = autoLuFillBudget;
    struct Reset {
        DSSSolver& s;
        ~Reset() { s.fillBudget = 0.0; }
    } reset{*this};
    try {
        solveWithLu();
        return true;
    } catch (FillBudgetExceeded&) {
        delete[] A;
        A = nullptr;
        record.attempts.clear();
    }
    fillBudget = 0.0;
    const double chainEntries = (double)numStates + (double)record.transitions;
    char line[300];
    snprintf(line, sizeof line,
             "the factorisation would fill about %lld entries, %.0f times the chain's %.0f; continued as -m auto does",
             (long long)projectedFill, (double)projectedFill / chainEntries, chainEntries);
    note(std::string("The") + (line + 3) + ".\n");
    fprintf(stderr, "dss: %s\n", line);
    method = "auto";
    budgetedLuTried = true;
    solveWithMethod();
    return false;
}

// Says on the report and on standard error why the results are not valid.
void DSSSolver::reportFailure(const std::string& reason)
{
    std::string text = "Error: " + reason + "; the results above are not valid.\n";
    fputs(text.c_str(), out);
    fputs(text.c_str(), stderr);
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
    transitions = record.transitions;
    peakKiB = processUsage().peakKiB;
    writeRunFigures(out, numStates, transitions, peakKiB);
    if (!record.attempts.empty())
        fprintf(out, "Entries in the factors: %lld\n", (long long)record.attempts.back().factorEntries);
    std::vector<std::string> notFinite;
    perfcdb(stateLevel, this, solutionVector.data(), out, csvOut, 0, -1, -1.0, 1.0, 0,
            complementPlot, 3, db_entity, db_exp_index, &notFinite);
    runFailed = !record.check.passed || !notFinite.empty();
    if (!std::isfinite(record.check.residual) && !record.check.passed)
        reportFailure("the solution contains values that are not finite numbers (the chain may be singular)");
    else if (!record.check.passed)
        reportFailure(std::string("the solution fails its check against the chain: ") + record.check.failure);
    for (const std::string& name : notFinite)
        reportFailure("the mean or variance of performance variable " + name + " is not a finite number");
    if (jsonOut != nullptr) writeJsonFile();
    std::vector<double>().swap(solutionVector);
    structure = ClosedClasses();
    terminate();
}
