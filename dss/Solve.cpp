// The solve driver: load, factorise, substitute, refine and check, again while the check fails.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "chain/ChainStructure.h"
#include "framework/RunPhases.h"
#include "dss/ChainSolver.h"
#include "methods/Gmres.h"
#include "lu/Matrix.h"
#include "methods/AutoMethod.h"
#include "statelevel/BaseStateLevel.h"
#include "report/CheckLine.h"

// Writes a progress line to the debug stream (when debugging) and to the report (when verbose).
void ChainSolver::progress(const char* line, bool flush)
{
    if (report.debugOut) {
        fputs(line, report.debugOut);
        if (flush) fflush(report.debugOut);
    }
    if (report.verbosity > 0) {
        fputs(line, report.out);
        if (flush) fflush(report.out);
    }
}

// Writes a line to the report and, when debugging, to the debug stream.
void ChainSolver::note(const std::string& line)
{
    if (report.out == nullptr) return;  // a solver of a part of the chain writes nothing
    fputs(line.c_str(), report.out);
    fflush(report.out);
    if (report.debugOut) {
        fputs(line.c_str(), report.debugOut);
        fflush(report.debugOut);
    }
}

void ChainSolver::allocateStateArrays()
{
    lu.resize(stateLevel->getNumberOfStates());
    rhs.assign(lu.numStates > 0 ? (size_t)lu.numStates : 0, 0.0);
}

// Reads the chain once: its unit of time, its closed classes and the order of the load, in
// which a state of a closed class comes last so that the normalisation replaces the balance
// equation of a recurrent state (no leading block of the system is then singular).
void ChainSolver::prepareLoad()
{
    clock_t start = clock();
    const double began = wallSeconds();
    // the methods take the rows over from the level as they lie; the default factorisation
    // reads them through the level's walks. Either way the chain is all the solve reads from
    // here on, and the level's rows are let go.
    chain = method != "lu" ? takeGenerator(*stateLevel) : readGenerator(*stateLevel);
    {
        RowStore rest;
        stateLevel->takeRows(rest);
    }
    const double read = wallSeconds();
    chainUnit = 1.0;
    rateUnit = timeUnit(chain);
    // the closed classes come with the blocks the check needs, at the cost of one search
    ChainStructure found = findChainStructure(chain);
    structure = std::move(found.classes);
    blockLevels = std::move(found.blocks);
    const ClosedClasses& classes = structure;
    record = SolveRecord();
    record.readingWallSeconds = read - began;
    record.structureWallSeconds = wallSeconds() - read;
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
void ChainSolver::checkVector(SolveAttempt& attempt)
{
    clock_t start = clock();
    PhaseTimer wall(&record.checkWallSeconds);
    normaliseAndCheck(attempt);
    record.checkSeconds += (double)(clock() - start) / CLOCKS_PER_SEC;
}

// Normalises the vector and checks it against the chain; rounding noise is cleared on a pass.
void ChainSolver::normaliseAndCheck(SolveAttempt& attempt)
{
    if (solutionVector.empty()) {
        attempt.check = SolutionCheck();
        attempt.check.passed = true;
        attempt.check.resolutionFloor = 0.0;  // no probability to resolve
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
void ChainSolver::toStateOrder(const std::vector<double>& x)
{
    solutionVector.assign(x.size(), 0.0);
    for (size_t i = 0; i < x.size(); ++i)
        solutionVector[i] = positionOf.empty() ? x[i] : x[positionOf[i]];
    for (size_t i = 0; i < transientState.size() && i < x.size(); ++i)
        if (transientState[i]) solutionVector[i] = 0.0;
}

// One factorisation with drop tolerance tol, substitutions, refinement, the check and, when the
// check fails, the GMRES continuation; solutionVector holds the result.
void ChainSolver::solveAttempt(double tol, SolveAttempt& attempt)
{
    const int n = lu.numStates;
    attempt.method = "lu";
    attempt.ordering = positionOf.empty() ? "none" : "recurrent state last";
    attempt.tolerance = tol;
    clock_t start = clock();
    std::vector<double> y(n), z(n), x(n);
    for (int i = 0; i < n; ++i) lu.rowSwap[i] = lu.colSwap[i] = i;
    initializeSolver();
    lu.dropThreshold = tol * minRate;  // this attempt's own, whatever -t said
    attempt.dropThreshold = lu.dropThreshold;
    progress("Begin LU decomposition.\n", true);
    performLUDecomp();
    progress("Finished LU decomposition.\n", true);
    attempt.dropped = lu.droppedEntries;
    for (int i = 0; i < n; ++i) attempt.factorEntries += lu.A[i].numEntries();
    hintAtFill(attempt.factorEntries);
    progress("Beginning forward substitution.\n", true);
    forwardSub(y.data(), rhs.data(), lu.A);
    progress("Finished forward substitution.\n", true);
    progress("Beginning backward substitution.\n", true);
    backwardSub(y.data(), z.data(), lu.A);
    progress("Finished backward substitution.\n", true);
    for (double& v : x) v = -1.0;
    findSolution(z.data(), x.data());
    if (report.verbosity > 0) {
        fprintf(report.out, "DSS has %d states\n", lu.numStates);
        fflush(report.out);
    }
    std::unique_ptr<Matrix[]> origA;
    if (lu.dropThreshold > 1e-11 || lu.droppedEntries > 0) {
        progress("Beginning iterative refinement.\n", false);
        origA.reset(new Matrix[n > 0 ? n : 0]);
        readMatrix(origA.get());
        iterativeRefine(lu.A, origA.get(), x, attempt);
        if (report.verbosity > 0) fputs("Finished iterative refinement.\n", report.out);
        if (report.debugOut) fputs("Finished iterative refinement.\nIterative refinement used.\n", report.debugOut);
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
            PhaseTimer wall(&record.checkWallSeconds);
            trial.assign(v, v + n);
            for (int i = 0; i < n; ++i) trial[i] = positionOf.empty() ? v[i] : v[positionOf[i]];
            for (size_t i = 0; i < transientState.size(); ++i)
                if (transientState[i]) trial[i] = 0.0;
            bool ok = normaliseProbabilities(trial) && checkSolution(chain, trial, accuracy, &blockLevels).passed;
            record.checkSeconds += (double)(clock() - began) / CLOCKS_PER_SEC;
            return ok;
        };
        GmresOutcome g = continueRefinement(lu.A, origA.get(), x.data(), -1, attempt.check.failure, passes);
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
void ChainSolver::solveSystem()
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
    if (!methodGiven && lu.numStates >= 2000) {
        if (!solveWithinBudget()) return;
    } else {
        solveWithLu();
    }
    if (!record.check.passed && lu.numStates > 0) continueWithGth(std::string("lu: ") + record.check.failure, 0.0);
}

// Loads and factorises A and leaves the checked stationary vector in solutionVector; a vector
// that fails its check is tried again with a drop tolerance a thousand times smaller, down to
// no dropping, as far as memory allows.
void ChainSolver::solveWithLu()
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
            delete[] lu.A;
            lu.A = nullptr;
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

bool ChainSolver::solveWithinBudget()
{
    lu.fillBudget = autoLuFillBudget;
    struct Reset {
        ChainSolver& s;
        ~Reset() { s.lu.fillBudget = 0.0; }
    } reset{*this};
    try {
        solveWithLu();
        return true;
    } catch (FillBudgetExceeded&) {
        delete[] lu.A;
        lu.A = nullptr;
        record.attempts.clear();
    }
    lu.fillBudget = 0.0;
    const double chainEntries = (double)lu.numStates + (double)record.transitions;
    char line[300];
    snprintf(line, sizeof line, "the factorisation would fill about %lld entries, %.0f times the chain's %.0f",
             (long long)lu.projectedFill, (double)lu.projectedFill / chainEntries, chainEntries);
    fillGivenUp = line;
    method = "auto";
    budgetedLuTried = true;
    solveWithMethod();
    sayFillGivenUp("auto");  // when auto picked nothing
    return false;
}

void ChainSolver::sayFillGivenUp(const std::string& continuedWith)
{
    if (fillGivenUp.empty()) return;
    std::string line = fillGivenUp + "; continued with " + continuedWith + ", as -m auto picks";
    fillGivenUp.clear();
    note("T" + line.substr(1) + ".\n");
    fprintf(stderr, "dss: %s\n", line.c_str());
}
