// The resolution floor against what the solution check can and cannot see: a state whose
// probability the check lets be doubled or removed unnoticed must lie below the floor, a state
// above it cannot be changed so, and the floor stays near the rounding level of the chain.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "check/SolutionCheck.h"
#include "report/CheckLine.h"
#include "tests/support/GeneratorChains.h"

namespace {

const double ACCURACY = 1e-9;

// True when the check passes pi with state j's probability replaced by p.
bool passesWith(const Generator& q, std::vector<double> pi, int j, double p)
{
    pi[j] = p;
    return checkSolution(q, pi, ACCURACY).passed;
}

struct Seen {
    double floor = NAN;
    double unseenMass = 0.0;     // the probabilities the check cannot tell from twice or from 0
    double largestUnseen = 0.0;  // the largest of them
};

// Measures the floor of an exact vector and holds it to what the check sees state by state.
Seen expectFloorMatchesTheCheck(const Generator& q, const std::vector<double>& pi, const std::string& what)
{
    SolutionCheck c = checkSolution(q, pi, ACCURACY);
    EXPECT_TRUE(c.passed) << what << ": " << c.failure;
    Seen s;
    s.floor = c.resolutionFloor;
    EXPECT_TRUE(std::isfinite(s.floor) && s.floor >= 0.0) << what << ": " << s.floor;
    for (int j = 0; j < q.n; ++j) {
        bool unseen = passesWith(q, pi, j, 2.0 * pi[j]) || passesWith(q, pi, j, 0.0);
        if (unseen) {
            EXPECT_LE(pi[j], s.floor) << what << ": state " << j << " changes unseen above the floor";
            s.unseenMass += pi[j];
            s.largestUnseen = std::max(s.largestUnseen, pi[j]);
        }
    }
    // the floor covers a sum of states too: all the unseen ones at once
    EXPECT_LE(s.unseenMass, s.floor) << what;
    return s;
}

}  // namespace

// 60 states falling by half each: 0.5 down to 1e-18, every transition fast, so that the chain
// is one block and only the balance of each state is measured. The check resolves the states
// whose outflow is above about 1e-14 of the busiest state's; the floor, which sums what each
// state could hide, lies above the unresolved ones and below n times that rounding level, far
// below the accuracy asked for.
TEST(ResolutionFloor, TailBelowTheRoundingOfTheBusiestFlowIsUnresolved)
{
    const int n = 60;
    Generator q = birthDeathGenerator(n, 1.0, 2.0);
    std::vector<double> pi = birthDeathStationary(std::vector<double>(n - 1, 1.0), std::vector<double>(n - 1, 2.0));
    Seen s = expectFloorMatchesTheCheck(q, pi, "halving");
    EXPECT_GT(s.largestUnseen, 1e-16);  // the tail is really there and really unseen
    EXPECT_LT(s.floor, n * 1e-14);
    for (int j = 0; j < n; ++j) {
        if (!(pi[j] > 10.0 * s.floor)) continue;
        EXPECT_FALSE(passesWith(q, pi, j, 1.01 * pi[j])) << j;  // even a one-per-cent change is seen
    }
}

// 40 states falling by 1e-2 each, 1 down to 1e-78: each state from the third on is a block of
// its own (its one fast transition leads down), whose flows the block check holds against each
// other however small: nothing of the tail can change unseen. The floor is set by the first
// two states' rounding, near 1e-14 of the largest probability.
TEST(ResolutionFloor, BlocksOfOneStateAreResolvedDownTheWholeTail)
{
    const int n = 40;
    Generator q = birthDeathGenerator(n, 1.0, 100.0);
    std::vector<double> pi = birthDeathStationary(std::vector<double>(n - 1, 1.0), std::vector<double>(n - 1, 100.0));
    Seen s = expectFloorMatchesTheCheck(q, pi, "falling by 1e-2");
    EXPECT_EQ(s.largestUnseen, 0.0);
    EXPECT_LT(s.floor, 1e-13);
    for (int j = 2; j < n; ++j) EXPECT_FALSE(passesWith(q, pi, j, 1.01 * pi[j])) << j;
}

// A rare state of 1e-9 reached at rate 1e-9: its outflow is as large as the busiest state's,
// so it is resolved although it is rare; the floor follows the flows.
TEST(ResolutionFloor, RareStateWithAFastExitIsResolved)
{
    Generator q = makeGenerator(2, {{0, 1, 1e-9}, {1, 0, 1.0}});
    std::vector<double> pi = birthDeathStationary({1e-9}, {1.0});
    Seen s = expectFloorMatchesTheCheck(q, pi, "rare state");
    EXPECT_LT(s.floor, 1e-4 * pi[1]);
    EXPECT_FALSE(passesWith(q, pi, 1, 1.01 * pi[1]));
}

// Random chains with rates over eight decades, their dense GTH vectors.
TEST(ResolutionFloor, RandomStiffChainsHideNothingAboveTheFloor)
{
    std::mt19937 gen(26);
    for (int round = 0; round < 6; ++round) {
        const int n = 25;
        Generator q = makeGenerator(n, randomTransitions(gen, n, 2, 8.0));
        std::vector<double> pi = gthSolveLongDouble(denseRates(q));
        expectFloorMatchesTheCheck(q, pi, "random chain " + std::to_string(round));
    }
}

// A vector that is not finite is not measured; the report then states no floor.
TEST(ResolutionFloor, ReportLineOnlyForAVectorThatPassed)
{
    Generator q = birthDeathGenerator(3, 1.0, 2.0);
    std::vector<double> pi = {4.0 / 7.0, 2.0 / 7.0, 1.0 / 7.0};
    SolutionCheck good = checkSolution(q, pi, ACCURACY);
    ASSERT_TRUE(good.passed);
    char want[120];
    snprintf(want, sizeof want, "Resolution floor: %.1e (probabilities below it carry no accuracy)\n",
             good.resolutionFloor);
    EXPECT_EQ(resolutionFloorLine(good), want);
    SolutionCheck bad = checkSolution(q, {NAN, 0.5, 0.5}, ACCURACY);
    EXPECT_FALSE(bad.passed);
    EXPECT_TRUE(std::isnan(bad.resolutionFloor));
    EXPECT_EQ(resolutionFloorLine(bad), "Resolution floor: none, since the solution did not pass its check.\n");
    SolutionCheck off = checkSolution(q, {0.2, 0.3, 0.5}, ACCURACY);  // finite but out of balance
    EXPECT_FALSE(off.passed);
    EXPECT_EQ(resolutionFloorLine(off), "Resolution floor: none, since the solution did not pass its check.\n");
}
