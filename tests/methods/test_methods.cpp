// The solution methods ilu, gs, mla and auto against independent answers: closed forms, a dense
// GTH solve, and each other on chains of a few thousand states.
#include <gtest/gtest.h>

#include "methods/AutoMethod.h"
#include "methods/GaussSeidel.h"
#include "methods/IluKrylov.h"
#include "methods/Methods.h"
#include "methods/Ordering.h"
#include "methods/ReducedSystem.h"
#include "statelevel/Flat/FlatStateLevel.h"
#include "tests/support/GeneratorChains.h"
#include "tests/support/TempDir.h"
#include "tools/models/Kanban.h"

namespace {

const char* const iterativeMethods[] = {"ilu", "gs", "mla", "auto"};

// Solves q with the named method; the attempt must pass the check.
std::vector<double> solveWith(const std::string& name, const Generator& q, SolveAttempt& a,
                              MethodSettings s = {})
{
    std::unique_ptr<SolutionMethod> m = makeMethod(name, s);
    std::vector<double> pi;
    EXPECT_TRUE(m->solve(q, pi, a)) << name << ": " << a.note;
    EXPECT_TRUE(a.converged) << name << ": " << a.note << " after " << a.iterations;
    EXPECT_TRUE(a.check.passed) << name << ": " << a.check.failure << " residual " << a.check.residual;
    return pi;
}

// M/M/1/K: arrivals lambda, service mu, K places.
Generator singleQueue(int K, double lambda, double mu)
{
    Transitions t;
    for (int k = 0; k < K; ++k) {
        t.emplace_back(k, k + 1, lambda);
        t.emplace_back(k + 1, k, mu);
    }
    return makeGenerator(K + 1, t);
}

// The two-dimensional tandem of ssgen, capacities K1 and K2.
Generator tandem(int K1, int K2)
{
    Transitions t;
    auto s = [&](int a, int b) { return a * (K2 + 1) + b; };
    for (int a = 0; a <= K1; ++a)
        for (int b = 0; b <= K2; ++b) {
            if (a < K1) t.emplace_back(s(a, b), s(a + 1, b), 1.0);
            if (a > 0 && b < K2) t.emplace_back(s(a, b), s(a - 1, b + 1), 1.5);
            if (b > 0) t.emplace_back(s(a, b), s(a, b - 1), 2.0);
        }
    return makeGenerator((K1 + 1) * (K2 + 1), t);
}

// The kanban line with T cards per cell, written by the generator and read as dss reads it.
Generator kanban(int tokens)
{
    TempDir dir;
    std::string error, base = dir.file("k");
    EXPECT_TRUE(writeKanbanFiles(exploreKanban(tokens), base, error)) << error;
    FlatStateLevel level(base.c_str());
    return readGenerator(level);
}

}  // namespace

TEST(SolutionMethods, BirthDeathChainsMatchTheirProductForm)
{
    // 500 places at rates 800/1000, also in other units of time; and an M/M/3/60 queue
    for (double scale : {1e-6, 1.0, 1e6}) {
        Generator q = singleQueue(500, 800 * scale, 1000 * scale);
        std::vector<double> exact = mm1kStationary(500, 0.8);
        for (const char* m : {"ilu", "mla", "auto"}) {
            SolveAttempt a;
            // a normwise residual ends ilu: the tail below 1e-6 of the largest probability is held
            // to that share only
            EXPECT_TRUE(statesAgree(solveWith(m, q, a), exact, 1e-9, normwiseFloor(exact, 1e-6)))
                << m << " at scale " << scale;
        }
        // sweeps carry mass one place along the line at a time: gs sees it will not make it
        std::vector<double> pi;
        SolveAttempt a;
        makeMethod("gs", {})->solve(q, pi, a);
        EXPECT_FALSE(a.converged);
        EXPECT_FALSE(a.check.passed);
        EXPECT_LT(a.iterations, 1000);
        EXPECT_EQ(a.note, "Gauss-Seidel converges too slowly to reach the target in its sweep limit");
    }
    Transitions t;
    std::vector<double> up, down;
    for (int k = 0; k < 60; ++k) {
        up.push_back(2.5);
        down.push_back(1.3 * std::min(k + 1, 3));
        t.emplace_back(k, k + 1, up.back());
        t.emplace_back(k + 1, k, down.back());
    }
    std::vector<double> exact = birthDeathStationary(up, down);
    for (const char* m : iterativeMethods) {
        SolveAttempt a;
        EXPECT_TRUE(statesAgree(solveWith(m, makeGenerator(61, t), a), exact, 1e-9)) << m;
    }
}

TEST(SolutionMethods, RandomChainsMatchADenseGthSolve)
{
    std::mt19937 gen(20261208);
    for (int round = 0; round < 12; ++round) {
        int n = 5 + (int)(gen() % 300);
        double decades = round % 3 == 0 ? 8.0 : 3.0;
        Generator q = makeGenerator(n, randomTransitions(gen, n, 1 + round % 4, decades));
        std::vector<double> exact = denseGth(q);
        for (const char* m : iterativeMethods) {
            SolveAttempt a;
            EXPECT_TRUE(statesAgree(solveWith(m, q, a), exact, 1e-9))
                << m << " on chain " << round << " (" << n << " states)";
        }
        MethodSettings threads;  // gs sweeping blocks of states side by side
        threads.threads = 2 + round % 3;
        SolveAttempt a;
        EXPECT_TRUE(statesAgree(solveWith("gs", q, a, threads), exact, 1e-9)) << "chain " << round;
    }
}

TEST(SolutionMethods, TransientStatesAroundOneClosedClass)
{
    // states 0..3 and 12..15 are transient and lead into the cycle 4..11
    std::mt19937 gen(7);
    Transitions closed = randomTransitions(gen, 8, 2, 2.0), t;
    for (auto& [i, j, r] : closed) t.emplace_back(i + 4, j + 4, r);
    for (int i : {0, 1, 2, 3, 12, 13, 14, 15}) {
        t.emplace_back(i, (i + 1) % 16, 0.7);
        t.emplace_back(i, 6, 0.2);
    }
    std::vector<double> inner = denseGth(makeGenerator(8, closed)), exact(16, 0.0);
    for (int k = 0; k < 8; ++k) exact[k + 4] = inner[k];
    Generator q = makeGenerator(16, t);
    MethodSettings counted;  // the caller has counted the closed classes
    counted.closedClasses = 1;
    for (const char* m : iterativeMethods) {
        SolveAttempt a, b;
        EXPECT_TRUE(statesAgree(solveWith(m, q, a), exact, 1e-9)) << m;
        EXPECT_TRUE(statesAgree(solveWith(m, q, b, counted), exact, 1e-9)) << m;
    }
    // an absorbing state in the middle of the numbering
    Generator absorbing = makeGenerator(5, {{0, 1, 1.0}, {1, 2, 2.0}, {3, 2, 0.5}, {4, 3, 1e3}, {1, 0, 1e-3}});
    for (const char* m : iterativeMethods) {
        SolveAttempt a, b;
        EXPECT_EQ(solveWith(m, absorbing, a), (std::vector<double>{0, 0, 1, 0, 0})) << m;
        EXPECT_EQ(solveWith(m, absorbing, b, counted), (std::vector<double>{0, 0, 1, 0, 0})) << m;
    }
}

TEST(SolutionMethods, SeveralClosedClassesAreLeftToTheDefaultMethod)
{
    Generator q = makeGenerator(4, {{0, 1, 1.0}, {1, 0, 1.0}, {2, 3, 1.0}, {3, 2, 1.0}});
    for (const char* m : {"ilu", "gs", "mla"}) {
        std::vector<double> pi;
        SolveAttempt a;
        EXPECT_FALSE(makeMethod(m, {})->solve(q, pi, a)) << m;
        EXPECT_EQ(a.note, "the chain has more than one closed class");
    }
    EXPECT_EQ(chooseMethods(q).order, (std::vector<std::string>{"lu"}));
}

TEST(SolutionMethods, MultilevelAggregationOnChainsLargerThanItsCoarsestLevel)
{
    // random chains of a few hundred states: cycles, not the elimination of the coarsest level
    std::mt19937 gen(20261209);
    for (int round = 0; round < 6; ++round) {
        const int n = 300 + (int)(gen() % 500);
        Generator q = makeGenerator(n, randomTransitions(gen, n, 1 + round % 3, round % 2 ? 4.0 : 2.0));
        SolveAttempt a;
        EXPECT_TRUE(statesAgree(solveWith("mla", q, a), denseGth(q), 1e-9)) << "chain " << round << ", " << n;
        EXPECT_GT(a.iterations, 0);
    }
    // queues in tandem, whose probabilities span 40 decades, against the elimination: every
    // state within 1e-5, those above 1e-7 of the largest within 1e-8 (the balance of each
    // state to 1e-11 leaves the far tail, reached along 140 transitions, less accurate)
    Generator band = tandem(70, 70);
    SolveAttempt a, b;
    const std::vector<double> exact = solveWith("gth", band, b), pi = solveWith("mla", band, a);
    EXPECT_TRUE(statesAgree(pi, exact, 1e-8, normwiseFloor(exact, 1e-7)));
    EXPECT_TRUE(statesAgree(pi, exact, 1e-5));
    EXPECT_LT(a.iterations, 120);
}

TEST(SolutionMethods, MultilevelAggregationOnANearlyDecomposableChain)
{
    // 12 blocks of 40 states each, random inside, joined in a ring at 1e-8 and 1e-11: the
    // blocks' masses hang on the weak rates alone
    std::mt19937 gen(12);
    const int blocks = 12, size = 40;
    Transitions t;
    for (int b = 0; b < blocks; ++b) {
        for (auto& [i, j, r] : randomTransitions(gen, size, 2, 2.0)) t.emplace_back(b * size + i, b * size + j, r);
        t.emplace_back(b * size + 3, ((b + 1) % blocks) * size + 7, b % 2 ? 1e-8 : 1e-11);
    }
    Generator q = makeGenerator(blocks * size, t);
    SolveAttempt a;
    EXPECT_TRUE(statesAgree(solveWith("mla", q, a), denseGth(q), 1e-8));
}

TEST(SolutionMethods, GaussSeidelStopsOnTheResidualNotOnASmallChange)
{
    // two cycles joined by rates of 1e-7: sweeps change little long before the mass between
    // the two halves is right
    Transitions t;
    for (int i = 0; i < 40; ++i) t.emplace_back(i, i % 20 == 19 ? i - 19 : i + 1, 1.0 + i % 3);
    t.emplace_back(5, 30, 1e-7);
    t.emplace_back(25, 10, 3e-7);
    Generator q = makeGenerator(40, t);
    std::vector<double> exact = denseGth(q), pi;
    SolveAttempt a;
    GaussSeidelMethod gs(MethodSettings{});
    ASSERT_TRUE(gs.solve(q, pi, a));
    // short of its target its vector may pass the check and be off (auto then moves on)
    if (a.converged) {
        EXPECT_TRUE(a.check.passed);
        EXPECT_TRUE(statesAgree(pi, exact, 1e-9));
    }
}

TEST(SolutionMethods, IluAndGaussSeidelAgreeOnTheKanbanLine)
{
    Generator q = kanban(2);
    ASSERT_EQ(q.n, 4600);
    SolveAttempt a, b, c;
    std::vector<double> ilu = solveWith("ilu", q, a), gs = solveWith("gs", q, b);
    MethodSettings rcm;
    rcm.ordering = "rcm";
    std::vector<double> reordered = solveWith("ilu", q, c, rcm);
    MethodSettings threads;
    threads.threads = 2;
    SolveAttempt d;
    EXPECT_TRUE(statesAgree(solveWith("gs", q, d, threads), ilu, 1e-9));
    EXPECT_TRUE(statesAgree(gs, ilu, 1e-9));
    EXPECT_TRUE(statesAgree(reordered, ilu, 1e-9));
    EXPECT_EQ(c.ordering, "rcm");
    EXPECT_EQ(a.factorEntries, q.n + q.transitions());  // ILU(0) keeps the pattern
}

TEST(SolutionMethods, AutoPicksByTheFillItCanExpect)
{
    AutoChoice band = chooseMethods(tandem(60, 60));
    EXPECT_EQ(band.order.front(), "gth") << band.reason;
    // a band wider than the budget but narrow against the states: multilevel aggregation,
    // lu within its fill budget, then the iterations, then gth for what none could certify
    AutoChoice wideBand = chooseMethods(tandem(100, 100));
    EXPECT_EQ(wideBand.order, std::vector<std::string>({"mla", "lu-budget", "gs", "ilu", "gth"})) << wideBand.reason;
    EXPECT_GT(wideBand.envelope, 40 * wideBand.chainEntries);
    // a run without -m that goes on as auto keeps the order it had before mla
    EXPECT_EQ(chooseMethods(tandem(100, 100), -1, false).order,
              std::vector<std::string>({"lu-budget", "gs", "ilu", "gth"}));
    // an envelope over much of the dense matrix (the kanban line, random chains): gs first
    const std::vector<std::string> iterationsFirst = {"gs", "ilu", "gth-budget"};
    AutoChoice filling = chooseMethods(kanban(2));
    EXPECT_EQ(filling.order, iterationsFirst) << filling.reason;
    EXPECT_GT(filling.envelope, 100 * filling.chainEntries);
    std::mt19937 gen(3);
    EXPECT_EQ(chooseMethods(makeGenerator(5000, randomTransitions(gen, 5000, 3, 2.0))).order, iterationsFirst);
}

TEST(SolutionMethods, AutoFallsBackWhenAMethodFails)
{
    Generator q = kanban(2);
    MethodSettings one;
    one.iterationLimit = 1;
    // gs may sweep once only; ilu is left as it is
    MethodMaker make = [&](const std::string& name) -> std::unique_ptr<SolutionMethod> {
        if (name == "gs-budget") return std::make_unique<GaussSeidelMethod>(one);
        if (name == "ilu") return std::make_unique<IluKrylovMethod>(MethodSettings{});
        return nullptr;
    };
    AutoMethod method(MethodSettings{}, make);
    std::vector<double> pi;
    SolveAttempt a;
    ASSERT_TRUE(method.solve(q, pi, a));
    ASSERT_EQ(method.tried().size(), 2u);
    EXPECT_EQ(method.tried()[0].method, "gs");
    EXPECT_FALSE(method.tried()[0].check.passed);
    EXPECT_EQ(a.method, "ilu");
    EXPECT_TRUE(a.check.passed);
    EXPECT_NE(a.note.find("auto picked gs"), std::string::npos) << a.note;
    EXPECT_NE(a.note.find("fell back to ilu"), std::string::npos) << a.note;
    SolveAttempt b;
    std::vector<double> exact = solveWith("gs", q, b);
    EXPECT_TRUE(statesAgree(pi, exact, 1e-9));

    // a gs that passes the check short of its own target does not end the search
    struct ShortOfTarget : SolutionMethod {
        std::vector<double> answer;
        const char* name() const override { return "gs"; }
        bool solve(const Generator& g, std::vector<double>& out, SolveAttempt& at) override
        {
            out = answer;
            out[0] *= 1.0 + 1e-12;
            at.check = checkSolution(g, out, 1e-9);
            at.converged = false;
            return true;
        }
    };
    make = [&](const std::string& name) -> std::unique_ptr<SolutionMethod> {
        if (name == "gs-budget") {
            auto m = std::make_unique<ShortOfTarget>();
            m->answer = exact;
            return m;
        }
        if (name == "ilu") return std::make_unique<IluKrylovMethod>(MethodSettings{});
        return nullptr;
    };
    AutoMethod second(MethodSettings{}, make);
    SolveAttempt c;
    ASSERT_TRUE(second.solve(q, pi, c));
    ASSERT_EQ(second.tried().size(), 2u);
    EXPECT_TRUE(second.tried()[0].check.passed);
    EXPECT_EQ(c.method, "ilu");
    EXPECT_TRUE(c.converged && c.check.passed);
}

TEST(SolutionMethods, IluRefusesWorkThatCannotFitAndAutoGoesOn)
{
    // ilu asks for its system, factors and Krylov vectors before it builds them: with less room
    // than that it refuses, saying why, as one ended by the system for want of memory would not;
    // auto then goes on to the next candidate, whose answer is right
    Generator q = kanban(2);
    MethodSettings tight;
    tight.memoryRoom = 100000;
    std::vector<double> pi;
    SolveAttempt refused;
    EXPECT_FALSE(IluKrylovMethod(tight).solve(q, pi, refused));
    EXPECT_TRUE(refused.outOfMemory);
    EXPECT_EQ(refused.note.rfind("its system, factors and Krylov vectors would need about ", 0), 0u) << refused.note;
    EXPECT_NE(refused.note.find(", more than the 9.31e-05 GiB available"), std::string::npos) << refused.note;
    MethodSettings one;
    one.iterationLimit = 1;
    MethodMaker make = [&](const std::string& name) -> std::unique_ptr<SolutionMethod> {
        if (name == "gs-budget") return std::make_unique<GaussSeidelMethod>(one);
        if (name == "ilu") return std::make_unique<IluKrylovMethod>(tight);
        return makeMethod(name == "gth-budget" ? "gth" : name, {});  // gth to the end
    };
    AutoMethod method(MethodSettings{}, make);
    SolveAttempt a;
    ASSERT_TRUE(method.solve(q, pi, a));
    ASSERT_EQ(method.tried().size(), 3u);
    EXPECT_TRUE(method.tried()[1].outOfMemory);
    EXPECT_EQ(a.method, "gth");
    SolveAttempt b;
    const std::vector<double> bySweeps = solveWith("gs", q, b);
    EXPECT_TRUE(statesAgree(pi, bySweeps, 1e-9));
    // with the room it needs, it solves
    tight.memoryRoom = 1 << 30;
    SolveAttempt c;
    EXPECT_TRUE(statesAgree(solveWith("ilu", q, c, tight), bySweeps, 1e-9));
}

TEST(SolutionMethods, ReverseCuthillMcKeeNarrowsAShuffledBand)
{
    // a chain along a line, numbered at random
    std::mt19937 gen(11);
    const int n = 400;
    std::vector<int> label(n);
    for (int i = 0; i < n; ++i) label[i] = i;
    std::shuffle(label.begin(), label.end(), gen);
    Transitions t;
    for (int i = 0; i + 1 < n; ++i) {
        t.emplace_back(label[i], label[i + 1], 1.0);
        t.emplace_back(label[i + 1], label[i], 2.0);
    }
    Generator q = makeGenerator(n, t);
    Ordering o = reverseCuthillMcKee(q);
    std::vector<int> seen(n, 0);
    for (int k = 0; k < n; ++k) {
        ASSERT_EQ(o.newOf[o.oldOf[k]], k);
        ++seen[o.oldOf[k]];
    }
    EXPECT_EQ(seen, std::vector<int>(n, 1));
    EXPECT_EQ(envelopeSize(q, o), 2 * (n - 1));  // the line again: one neighbour below each
    EXPECT_GT(envelopeSize(q, naturalOrdering(n)), 50 * n);
}

TEST(SolutionMethods, BalanceResidualHoldsTheFixedStateToItsOwnFlows)
{
    std::mt19937 gen(5);
    const int n = 30;
    Generator q = makeGenerator(n, randomTransitions(gen, n, 2, 6.0));
    Ordering o = naturalOrdering(n);
    ReducedSystem s = reducedSystem(q, o, -1);
    const int k = stateToFix(q, o, s);
    ASSERT_GE(k, 0);
    fixState(s, k);
    std::vector<double> r(n), exact = denseGth(q), x(n);
    for (int i = 0; i < n; ++i) x[i] = exact[i] / exact[k];
    EXPECT_LT(balanceResidual(s, x, r, q.normInf()), 1e-12);
    // every other state nearly empty: each of their equations looks balanced against the
    // floor, the fixed state's is not
    std::vector<double> collapsed(n, 1e-30);
    collapsed[k] = 1.0;
    EXPECT_GT(balanceResidual(s, collapsed, r, q.normInf()), 0.5);
}
