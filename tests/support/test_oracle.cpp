// The oracle's answers against each other and against hand-worked ones, and its measures
// against the faults they exist to catch: a NaN, a missing state, a tiny state off by half.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "tests/support/Oracle.h"

namespace {

DenseRates birthDeathRates(const std::vector<double>& up, const std::vector<double>& down)
{
    const size_t n = up.size() + 1;
    DenseRates q(n, std::vector<double>(n, 0.0));
    for (size_t i = 0; i + 1 < n; ++i) {
        q[i][i + 1] = up[i];
        q[i + 1][i] = down[i];
    }
    return q;
}

}  // namespace

TEST(Oracle, EliminationAndProductFormAgreeStateByStateOverManyDecades)
{
    std::mt19937 gen(17);
    std::uniform_real_distribution<double> decade(-5.0, 5.0);
    for (int trial = 0; trial < 20; ++trial) {
        std::vector<double> up, down;
        for (int i = 0; i < 2 + trial * 3; ++i) {
            up.push_back(std::pow(10.0, decade(gen)));
            down.push_back(std::pow(10.0, decade(gen)));
        }
        const std::vector<double> product = birthDeathStationary(up, down);
        EXPECT_TRUE(statesAgree(gthSolve(birthDeathRates(up, down)), product, 1e-12)) << trial;
        EXPECT_TRUE(statesAgree(gthSolveLongDouble(birthDeathRates(up, down)), product, 1e-14)) << trial;
        EXPECT_TRUE(statesAgree(closedStationary(birthDeathRates(up, down)), product, 1e-12)) << trial;
    }
}

TEST(Oracle, ClosedFormsOfTheQueueAndTheCycle)
{
    for (double rho : {0.25, 1.0, 3.0}) {
        const int K = 30;
        const std::vector<double> want =
            birthDeathStationary(std::vector<double>(K, rho), std::vector<double>(K, 1.0));
        EXPECT_TRUE(statesAgree(mm1kStationary(K, rho), want, 1e-13)) << rho;
    }
    // a cycle: time in a state is the inverse of its rate
    const std::vector<double> rates = {1e-5, 3.0, 2e5, 0.5};
    DenseRates q(4, std::vector<double>(4, 0.0));
    for (int i = 0; i < 4; ++i) q[i][(i + 1) % 4] = rates[i];
    EXPECT_TRUE(statesAgree(cycleStationary(rates), gthSolveLongDouble(q), 1e-15));
    EXPECT_TRUE(statesAgree(cycleStationary({1.0, 2.0}), {2.0 / 3.0, 1.0 / 3.0}, 1e-15));
}

TEST(Oracle, LongRunAgainstHandWorkedChainsAndTheRuinClosedForm)
{
    // 0 leaves for the absorbing 1 at rate 1 and for the pair {2, 3} at rate 3; 2 -> 3 at 2, 3 -> 2 at 1
    DenseRates split(4, std::vector<double>(4, 0.0));
    split[0][1] = 1.0, split[0][2] = 3.0, split[2][3] = 2.0, split[3][2] = 1.0;
    std::vector<double> reach;
    EXPECT_TRUE(statesAgree(denseLongRun(split, 0, &reach), {0, 0.25, 0.25, 0.5}, 1e-15));
    EXPECT_TRUE(statesAgree(reach, {0.25, 0.75}, 1e-15));
    EXPECT_TRUE(statesAgree(denseLongRun(split, 3), {0, 0, 1.0 / 3, 2.0 / 3}, 1e-15));
    EXPECT_TRUE(closedStationary(split).empty());  // two closed classes

    // a walk on 0..N, up at 1 and down at d: state reduction against the closed form
    const int N = 12;
    for (double d : {0.5, 1.0, 1.7}) {
        DenseRates walk(N + 1, std::vector<double>(N + 1, 0.0));
        for (int i = 1; i < N; ++i) walk[i][i + 1] = 1.0, walk[i][i - 1] = d;
        for (int start : {1, 5, 11}) {
            std::vector<double> want(N + 1, 0.0);
            want[N] = gamblersRuin(1.0, d, start, N);
            want[0] = gamblersRuin(d, 1.0, N - start, N);
            EXPECT_TRUE(statesAgree(denseLongRun(walk, start), want, 1e-13)) << d << " from " << start;
        }
    }
}

TEST(Oracle, StateByStateMeasureCatchesWhatAnAbsoluteBoundLetsThrough)
{
    const std::vector<double> want = mm1kStationary(99, 0.5);  // down to 1e-30
    std::vector<double> half(want);
    for (size_t i = 50; i < half.size(); ++i) half[i] *= 0.5;
    EXPECT_LT(largestAbsoluteDifference(half, want), 1e-9);  // an absolute bound sees nothing
    ::testing::AssertionResult r = statesAgree(half, want, 1e-9);
    EXPECT_FALSE(r);
    EXPECT_NE(std::string(r.message()).find("50 of 100 states off by more than 1e-09"), std::string::npos)
        << r.message();
    EXPECT_DOUBLE_EQ(largestRelativeError(half, want), 0.5);
    // with a floor the tail is held to its share of the largest probability only
    EXPECT_TRUE(statesAgree(half, want, 1e-9, normwiseFloor(want, 1e-4)));
    EXPECT_FALSE(statesAgree(half, want, 1e-9, normwiseFloor(want, 1e-10)));

    std::vector<double> nan(want);
    nan[3] = NAN;
    EXPECT_FALSE(statesAgree(nan, want, 1.0));
    EXPECT_EQ(largestRelativeError(nan, want), INFINITY);
    EXPECT_FALSE(statesAgree(nan, nan, 1.0));  // a NaN never agrees, not even with itself
    EXPECT_EQ(largestAbsoluteDifference(nan, want), INFINITY);
    EXPECT_FALSE(statesAgree(std::vector<double>(want.begin(), want.end() - 1), want, 1.0));
    EXPECT_FALSE(statesAgree({1e-300, 1.0}, {0.0, 1.0}, 1e-3));  // a state at 0 must be 0
    EXPECT_TRUE(statesAgree({0.0, 1.0}, {0.0, 1.0}, 0.0));
    EXPECT_FALSE(valueAgrees(NAN, NAN, 1.0));
    EXPECT_FALSE(valueAgrees(INFINITY, INFINITY, 1.0));
    EXPECT_TRUE(valueAgrees(1e-300 * (1 + 1e-13), 1e-300, 1e-12));
}
