// Chains with several closed classes: each class solved on its own, the probability of ending
// in each from the initial state, and their mixture as the long-run distribution.
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "chain/ClosedClasses.h"
#include "dss/ChainSolver.h"
#include "framework/RunPhases.h"
#include "chain/LongRun.h"
#include "chain/SubChain.h"
#include "statelevel/Chain/ChainStateLevel.h"
#include "report/CheckLine.h"

namespace {

// Classes named one by one in the report; the rest are summed up in one line.
const int classesNamed = 5;

// The vector and record of one solve of a part of the chain.
struct PartSolve {
    std::vector<double> vector;
    SolveRecord record;
};

// Solves `model` with the settings of `like` (method, tolerance, checks and retries alike,
// pivoting only when asked for); the solver of the part writes nothing.
PartSolve solvePart(const ChainSolver& like, ChainModel model, bool pivoting = true)
{
    ChainStateLevel level(std::move(model));
    ChainSolver part(&level);
    part.accuracy = like.accuracy;
    part.tolerance = like.tolerance;
    part.lu.stability = pivoting ? like.lu.stability : 0;
    part.lu.searchRows = pivoting ? like.lu.searchRows : 0;
    part.gmresLimit = like.gmresLimit;
    part.method = like.method;
    part.allocateStateArrays();
    part.solveSystem();
    PartSolve result;
    result.vector.swap(part.solutionVector);
    result.record = part.record;
    return result;
}

// Adds what a part's solve did to the attempt that stands for the whole.
void tally(SolveAttempt& whole, const SolveRecord& part)
{
    for (const SolveAttempt& a : part.attempts) {
        whole.factorEntries += a.factorEntries;
        whole.dropped += a.dropped;
        whole.gmresIterations += a.gmresIterations;
        whole.gmresUsed = whole.gmresUsed || a.gmresUsed;
    }
}

// "1 state" or "n states", with a word before "state" when given.
std::string states(int n, const char* kind = "")
{
    return std::to_string(n) + " " + kind + (n == 1 ? "state" : "states");
}

}  // namespace

// Says what the chain is made of, unless it is one closed class.
void ChainSolver::reportStructure()
{
    const ClosedClasses& c = structure;
    if (c.count() == 0 || (c.count() == 1 && c.transient == 0)) return;
    char line[400];
    if (c.count() == 1) {
        snprintf(line, sizeof line,
                 "The chain has 1 closed class of %s and %s: transient states have probability 0 in the "
                 "long run.\n",
                 states(c.size[0]).c_str(), states(c.transient, "transient ").c_str());
        note(line);
        return;
    }
    int smallest = *std::min_element(c.size.begin(), c.size.end());
    int largest = *std::max_element(c.size.begin(), c.size.end());
    std::string sizes = smallest == largest ? states(largest) + " each"
                                            : std::to_string(smallest) + " to " + states(largest);
    snprintf(line, sizeof line,
             "The chain has %d closed classes (%s) and %s: its long-run distribution depends on "
             "the initial state, state %d.\n",
             c.count(), sizes.c_str(), states(c.transient, "transient ").c_str(), stateLevel->getInitialState());
    note(line);
}

// The probabilities of ending in each class, largest first.
static std::string reachText(const ClassMembers& members, const std::vector<double>& reach)
{
    std::string text = "From the initial state the chain ends in\n";
    std::vector<int> order = likeliestClasses(reach, classesNamed);
    char line[300];
    for (int c : order) {
        snprintf(line, sizeof line, "  the closed class of state %d (%s) with probability %.9g\n",
                 members.of(c)[0], states(members.size(c)).c_str(), reach[c]);
        text += line;
    }
    int rest = (int)reach.size() - (int)order.size();
    if (rest == 0) return text;
    double restSum = 0.0;
    for (int c = 0; c < (int)reach.size(); ++c)
        if (std::find(order.begin(), order.end(), c) == order.end()) restSum += reach[c];
    snprintf(line, sizeof line, "  ... and %d more closed classes, with probability %.3g in all\n", rest,
             restSum);
    return text + line;
}

namespace {

// The parts of the long-run solve: what they found, what they did and what went wrong.
struct LongRunParts {
    ChainSolver& solver;
    SolveAttempt& attempt;
    const ClosedClasses& c;
    ClassMembers members;
    std::vector<double> classVector, reach;
    int dense = 0, factorised = 0;
    std::string how, said;  // for the report
    const char* failure = nullptr;

    LongRunParts(ChainSolver& s, SolveAttempt& a)
        : solver(s), attempt(a), c(s.structure), members(classMembers(s.structure)),
          classVector(s.chain.n, 0.0), reach(s.structure.count(), 0.0)
    {
    }

    // Records a failure with its line for the report; the first failure names the run's.
    void fail(const char* reason, const std::string& line)
    {
        said += line;
        if (!failure) failure = reason;
    }

    // Every class's own vector: small ones by dense elimination, the others by the solver's method.
    void classVectors()
    {
        std::vector<int> local(solver.chain.n, -1);
        for (int m = 0; m < c.count() && !failure; ++m) {
            if (members.size(m) <= denseClassLimit) {
                denseClassVector(solver.chain, members.of(m), members.size(m), local, classVector);
                ++dense;
                continue;
            }
            PartSolve part = solvePart(solver, classChain(solver.chain, members.of(m), members.size(m), local));
            tally(attempt, part.record);
            solver.record.checkWallSeconds += part.record.checkWallSeconds;
            ++factorised;
            for (int j = 0; j < members.size(m); ++j) classVector[members.of(m)[j]] = part.vector[j];
            if (!part.record.check.passed)
                fail("the vector of a closed class fails its check",
                     "The vector of the closed class of state " + std::to_string(members.of(m)[0]) +
                         " fails its check: " + part.record.check.failure + ".\n");
        }
    }

    // All class vectors at once against the chain: their mixture with equal weights is stationary.
    void checkClassVectors()
    {
        if (failure || c.count() == 0) return;
        clock_t began = clock();
        PhaseTimer wall(&solver.record.checkWallSeconds);
        std::vector<double> uniform(classVector);
        for (double& v : uniform) v /= c.count();
        SolutionCheck all = checkSolution(solver.chain, uniform, solver.accuracy);
        solver.record.checkSeconds += (double)(clock() - began) / CLOCKS_PER_SEC;
        if (!all.passed)
            fail("the vectors of the closed classes fail their check",
                 std::string("The vectors of the closed classes fail their check: ") + all.failure + ".\n");
    }

    // The probability of ending in each class from the initial state.
    void reachFrom(int initial)
    {
        if (initial < 0 || initial >= solver.chain.n) {
            fail("the initial state is not a state of the chain",
                 "The initial state " + std::to_string(initial) + " is not a state of the chain.\n");
            return;
        }
        if (c.classOf[initial] >= 0) {
            reach[c.classOf[initial]] = 1.0;
            how = "the initial state lies in a closed class";
            return;
        }
        // the components come in an order that needs no pivoting, and none is wanted:
        // exchanging rows by magnitude loses the accuracy of small exit rates
        PartSolver byFactors = [&](ChainModel part, std::vector<double>& x) {
            PartSolve done = solvePart(solver, std::move(part), false);
            tally(attempt, done.record);
            x.swap(done.vector);
            return done.record.check.passed;
        };
        Absorption a = absorptionProbabilities(solver.chain, c, initial, byFactors);
        reach.swap(a.reach);
        if (a.failure)
            fail("the probabilities of reaching the closed classes fail their check",
                 std::string("The probabilities of reaching the closed classes are not valid: ") + a.failure +
                     ".\n");
        how = "the probabilities of reaching them passed on through the transient states (" +
              std::to_string(a.components) + (a.components == 1 ? " component" : " components") +
              " with cycles, " + std::to_string(a.solvedComponents) + " of them by factorisation)";
    }
};

}  // namespace

void ChainSolver::solveLongRun()
{
    clock_t start = clock();
    record.attempts.emplace_back();
    SolveAttempt& attempt = record.attempts.back();
    attempt.method = "closed classes";
    attempt.ordering = "none";
    attempt.tolerance = tolerance;
    LongRunParts parts(*this, attempt);
    parts.classVectors();
    parts.checkClassVectors();
    const int initial = stateLevel->getInitialState();
    parts.reachFrom(initial);
    if (initial >= 0 && initial < chain.n) note(reachText(parts.members, parts.reach));
    note(parts.said);
    note("Closed classes solved: " + std::to_string(parts.dense) + " by dense elimination, " +
         std::to_string(parts.factorised) + " by factorisation; " + parts.how + ".\n");
    solutionVector = longRunMixture(structure, parts.reach, parts.classVector);
    checkVector(attempt);
    attempt.seconds = (double)(clock() - start) / CLOCKS_PER_SEC;
    note(checkReportLine(attempt.check));
    record.check = attempt.check;
    if (parts.failure) {
        record.check.passed = false;
        record.check.failure = parts.failure;
    }
}
