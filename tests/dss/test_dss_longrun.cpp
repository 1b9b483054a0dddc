// Chains with several closed classes: the long-run distribution from the initial state against
// hand-worked answers, closed forms and a dense computation, and the report of what was found.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "tests/dss/dss_harness.h"

namespace {

// Solves the chain from `initial` (with extra options); the run must pass its check.
std::vector<double> longRun(int n, const Edges& e, int initial, std::string* report = nullptr,
                            std::vector<std::string> options = {})
{
    DssRun run(n, e, options);
    run.level->initial = initial;
    testing::internal::CaptureStderr();
    run.solver->solve();
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "");
    EXPECT_FALSE(run.solver->solutionFailed()) << run.report();
    if (report) *report = run.report();
    DssRun again(n, e, options);
    again.level->initial = initial;
    return again.solve();
}

bool has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

}  // namespace

TEST(DssLongRun, HandWorkedChains)
{
    // 0 leaves for the absorbing state 1 at rate 1 and for the pair {2, 3} at rate 3; in the
    // pair 2 -> 3 at rate 2 and 3 -> 2 at rate 1: 1/4 and 3/4 * (1/3, 2/3)
    Edges split = {{0, 1, 1.0}, {0, 2, 3.0}, {2, 3, 2.0}, {3, 2, 1.0}};
    std::string report;
    EXPECT_TRUE(statesAgree(longRun(4, split, 0, &report), {0, 0.25, 0.25, 0.5}, 1e-15));
    EXPECT_TRUE(has(report, "The chain has 2 closed classes (1 to 2 states) and 1 transient state: its long-run "
                            "distribution depends on the initial state, state 0.\n"
                            "From the initial state the chain ends in\n"
                            "  the closed class of state 2 (2 states) with probability 0.75\n"
                            "  the closed class of state 1 (1 state) with probability 0.25\n"))
        << report;

    // a transient cycle 0 <-> 1 leaking to three absorbing states: from 0, A = 4/7 and the
    // rest 3/7 split 1 : 2 between B and C
    Edges cycle = {{0, 1, 1.0}, {1, 0, 1.0}, {0, 2, 1.0}, {1, 3, 1.0}, {1, 4, 2.0}};
    EXPECT_TRUE(statesAgree(longRun(5, cycle, 0, &report), {0, 0, 4.0 / 7, 1.0 / 7, 2.0 / 7}, 1e-15));
    EXPECT_TRUE(has(report, "Closed classes solved: 3 by dense elimination, 0 by factorisation; the "
                            "probabilities of reaching them passed on through the transient states (1 "
                            "component with cycles, 0 of them by factorisation).\n"));
    // from 1 instead: A = 1/7 (by symmetry of the equations a = (b + 1)/2, b = a/4)
    EXPECT_TRUE(statesAgree(longRun(5, cycle, 1), {0, 0, 1.0 / 7, 2.0 / 7, 4.0 / 7}, 1e-15));

    // classes in the middle of the numbering, transient states around them, the start last:
    // 6 -> 4 (rate 1), 6 -> 0 (rate 1); 4 -> class {2, 3}; 0 -> 1 -> 5 (absorbing)
    Edges middle = {{6, 4, 1.0}, {6, 0, 1.0}, {4, 2, 5.0}, {2, 3, 1.0}, {3, 2, 4.0},
                    {0, 1, 2.0}, {1, 5, 7.0}, {1, 0, 1.0}};
    EXPECT_TRUE(statesAgree(longRun(7, middle, 6), {0, 0, 0.4, 0.1, 0, 0.5, 0}, 1e-15));
}

TEST(DssLongRun, InitialStateInsideAClassLeavesTheOthersAtZero)
{
    Edges e = {{0, 1, 1.0}, {0, 3, 1.0}, {1, 2, 3.0}, {2, 1, 1.0}, {3, 4, 1.0}, {4, 3, 1.0}, {5, 1, 1.0}};
    std::string report;
    EXPECT_TRUE(statesAgree(longRun(6, e, 2, &report), {0, 0.25, 0.75, 0, 0, 0}, 1e-15));
    EXPECT_TRUE(has(report, "the initial state lies in a closed class"));
    EXPECT_TRUE(has(report, "  the closed class of state 3 (2 states) with probability 0\n"));
    EXPECT_TRUE(statesAgree(longRun(6, e, 4), {0, 0, 0, 0.5, 0.5, 0}, 1e-15));
    // state 5 reaches the class {1, 2} only
    EXPECT_TRUE(statesAgree(longRun(6, e, 5), {0, 0.25, 0.75, 0, 0, 0}, 1e-15));
}

TEST(DssLongRun, OneClassWithTransientStatesIsReportedAsSuch)
{
    std::string report;
    std::vector<double> pi = longRun(4, {{0, 1, 1.0}, {1, 2, 1.0}, {2, 1, 3.0}, {3, 2, 1.0}}, 0, &report);
    EXPECT_TRUE(statesAgree(pi, {0, 0.75, 0.25, 0}, 1e-15));
    EXPECT_TRUE(has(report, "The chain has 1 closed class of 2 states and 2 transient states: transient "
                            "states have probability 0 in the long run.\n"));
    longRun(3, {{0, 1, 1.0}, {1, 2, 1.0}, {2, 0, 1.0}}, 0, &report);
    EXPECT_FALSE(has(report, "closed class"));  // an irreducible chain reports as it always did
}

// Gambler's ruin on 0..N, up at rate 1, down at rate d: from i the chain ends at N with
// probability (1 - d^i) / (1 - d^N). Its transient states form one component too large for
// dense elimination, so it is solved by factorisation, under every pivoting setting.
TEST(DssLongRun, LargeTransientComponentAgainstTheClosedForm)
{
    const int N = 1000, start = 900;
    const double d = 1.01;
    Edges e;
    for (int i = 1; i < N; ++i) {
        e.push_back({i, i + 1, 1.0});
        e.push_back({i, i - 1, d});
    }
    const double top = gamblersRuin(1.0, d, start, N);
    std::vector<double> want(N + 1, 0.0);
    want[N] = top;
    want[0] = gamblersRuin(d, 1.0, N - start, N);  // ruin is the walk from N - start up to N mirrored
    for (std::vector<std::string> options : {std::vector<std::string>{}, {"-r", "5", "-g", "4"}, {"-t", "0"}}) {
        std::string report;
        std::vector<double> pi = longRun(N + 1, e, start, &report, options);
        EXPECT_TRUE(statesAgree(pi, want, 1e-9)) << report;
        EXPECT_TRUE(has(report, "(1 component with cycles, 1 of them by factorisation)"));
    }
}

// Random chains with closed classes of 1 to 60 states (so that both dense and factorised class
// solves occur) behind random transient states, from random initial states, against the dense
// long run.
TEST(DssLongRun, RandomReducibleChainsAgainstADenseComputation)
{
    std::mt19937 gen(1414);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    auto rate = [&] { return std::pow(10.0, -3.0 + 6.0 * unit(gen)); };
    int factorised = 0;
    for (int trial = 0; trial < 30; ++trial) {
        int transient = 1 + (int)(unit(gen) * 60), classes = 2 + (int)(unit(gen) * 5), n = transient;
        std::vector<int> first;
        Edges e;
        for (int c = 0; c < classes; ++c) {
            int size = 1 + (int)(unit(gen) * unit(gen) * 60);
            first.push_back(n);
            for (int k = 0; k + 1 < size; ++k) {  // a ring with chords
                e.push_back({n + k, n + k + 1, rate()});
                e.push_back({n + k + 1, n + (int)(unit(gen) * (k + 1)), rate()});
            }
            if (size > 1) e.push_back({n + size - 1, n, rate()});
            factorised += size > 32;
            n += size;
        }
        for (int t = 0; t < transient; ++t) {
            for (int k = 0; k < 3; ++k) e.push_back({t, (int)(unit(gen) * transient), rate()});
            if (unit(gen) < 0.3) e.push_back({t, first[(int)(unit(gen) * classes)], rate()});
        }
        e.push_back({transient - 1, first[0], rate()});  // every transient state leads somewhere
        std::shuffle(e.begin(), e.end(), gen);
        for (int initial : {0, (int)(unit(gen) * n)}) {
            std::vector<double> dense = denseLongRun(n, e, initial);
            std::vector<double> got = longRun(n, e, initial);
            ASSERT_TRUE(statesAgree(got, dense, 1e-9)) << "trial " << trial << " from " << initial;
        }
    }
    EXPECT_GT(factorised, 10);
}

// A million states: a path of transient states 4k, each leaving for the absorbing state 4k+1
// at the rate it goes on, beside closed pairs {4k+2, 4k+3} nothing enters. Class k is reached
// with probability 2^-(k+1); the path is far deeper than any call stack. (Its speed and
// memory are measured by bench/longrun_speed.)
TEST(DssLongRun, AMillionStatesOfSmallClasses)
{
    const int blocks = 250000, n = 4 * blocks;
    Edges e;
    e.reserve(4 * blocks);
    for (int k = 0; k < blocks; ++k) {
        if (k + 1 < blocks) e.push_back({4 * k, 4 * k + 4, 1.0});
        e.push_back({4 * k, 4 * k + 1, k + 1 < blocks ? 1.0 : 2.0});
        e.push_back({4 * k + 2, 4 * k + 3, 1.0});
        e.push_back({4 * k + 3, 4 * k + 2, 3.0});
    }
    DssRun run(n, e);
    run.solver->solve();
    std::string report = run.report();
    EXPECT_FALSE(run.solver->solutionFailed()) << report.substr(report.size() - 2000);
    EXPECT_TRUE(has(report, "The chain has 500000 closed classes (1 to 2 states) and 250000 transient states"));
    EXPECT_TRUE(has(report, "  the closed class of state 1 (1 state) with probability 0.5\n"
                            "  the closed class of state 5 (1 state) with probability 0.25\n"
                            "  the closed class of state 9 (1 state) with probability 0.125\n"
                            "  the closed class of state 13 (1 state) with probability 0.0625\n"
                            "  the closed class of state 17 (1 state) with probability 0.03125\n"
                            "  ... and 499995 more closed classes, with probability 0.0312 in all\n"))
        << report;
}

TEST(DssLongRun, InitialStateOutsideTheChainIsAFailure)
{
    DssRun run(3, {{0, 1, 1.0}, {0, 2, 1.0}});
    run.level->initial = 3;
    testing::internal::CaptureStderr();
    run.solver->solve();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Error: the solution fails its check against the chain: the initial state is not a state of the "
              "chain; the results above are not valid.\n");
    EXPECT_TRUE(run.solver->solutionFailed());
    EXPECT_TRUE(has(run.report(), "The initial state 3 is not a state of the chain.\n"));
}

// Probability halves along a path of 1100 transient states (each leaves for the absorbing
// state A as fast as it goes on), so what reaches the cycle at its end is below the smallest
// double: the cycle passes on nothing, and the run is still valid.
TEST(DssLongRun, ProbabilityTooSmallForADoubleReachingACycle)
{
    const int path = 1100, a = path, b = path + 1, c = path + 2, n = path + 4;
    Edges e;
    for (int i = 0; i < path; ++i) {
        e.push_back({i, i + 1 < path ? i + 1 : c, 1.0});
        e.push_back({i, a, 1.0});
    }
    e.push_back({c, c + 1, 1.0});
    e.push_back({c + 1, c, 1.0});
    e.push_back({c + 1, b, 1.0});
    std::vector<double> pi = longRun(n, e, 0);
    EXPECT_EQ(pi[a], 1.0);
    EXPECT_EQ(pi[b], 0.0);
}

// Random transient components of 450 states (too many for dense elimination, so factorised),
// rates over up to eight decades, leaking slowly to three absorbing states: against the dense
// state reduction under several drop tolerances.
TEST(DssLongRun, LargeRandomTransientComponentsAgainstADenseComputation)
{
    std::mt19937 gen(7);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (double decades : {2.0, 8.0}) {
        auto rate = [&] { return std::pow(10.0, decades * (unit(gen) - 0.5)); };
        for (int trial = 0; trial < 2; ++trial) {
            const int t = 450, n = t + 3;
            Edges e;
            for (int i = 0; i < t; ++i) {
                e.push_back({i, (i + 1) % t, rate()});
                for (int k = 0; k < 2; ++k) e.push_back({i, (int)(unit(gen) * t), rate()});
                if (unit(gen) < 0.02) e.push_back({i, t + (int)(unit(gen) * 3), rate() * 1e-3});
            }
            e.push_back({t - 1, t, 1e-3});
            e.push_back({5, t + 1, 1e-3});
            e.push_back({9, t + 2, 1e-3});
            std::vector<double> dense = denseLongRun(n, e, 0);
            for (std::vector<std::string> options :
                 {std::vector<std::string>{}, {"-t", "0"}, {"-t", "0.1", "-r", "1", "-g", "4"}}) {
                std::string report;
                std::vector<double> got = longRun(n, e, 0, &report, options);
                ASSERT_TRUE(statesAgree(got, dense, 1e-10)) << decades << " decades, trial " << trial;
                EXPECT_TRUE(has(report, "(1 component with cycles, 1 of them by factorisation)"));
            }
        }
    }
}
