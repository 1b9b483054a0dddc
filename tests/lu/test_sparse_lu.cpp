// The factorisation as an object: its answer against the dense GTH oracle, with and without
// pivoting, how it ends when its fill outgrows the budget, and what its monitor is told.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "lu/SparseLU.h"
#include "tests/support/Oracle.h"

namespace {

// A random irreducible chain: a cycle through every state plus `extra` random transitions
// per state, rates over four decades.
std::vector<std::vector<double>> randomChain(int n, int extra, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> decade(-2.0, 2.0);
    std::uniform_int_distribution<int> state(0, n - 1);
    std::vector<std::vector<double>> q(n, std::vector<double>(n, 0.0));
    for (int i = 0; i < n; ++i) {
        q[i][(i + 1) % n] = std::pow(10.0, decade(rng));
        for (int k = 0; k < extra; ++k) {
            int j = state(rng);
            if (j != i) q[i][j] = std::pow(10.0, decade(rng));
        }
    }
    return q;
}

// Loads the system the factorisation solves: the generator transposed, the last row all ones.
void load(SparseLU& lu, const std::vector<std::vector<double>>& q)
{
    const int n = (int)q.size();
    lu.resize(n);
    lu.A = new Matrix[n];
    for (int j = 0; j + 1 < n; ++j) {
        double exit = 0.0;
        for (int i = 0; i < n; ++i)
            if (i != j && q[i][j] != 0.0) lu.A[j].append(i, q[i][j]);
        for (int k = 0; k < n; ++k)
            if (k != j) exit += q[j][k];
        lu.A[j].append(j, -exit);
    }
    for (int c = 0; c < n; ++c) lu.A[n - 1].append(c, 1.0);
}

// The stationary vector from the factors, in state order.
std::vector<double> solveWithFactors(const SparseLU& lu)
{
    const int n = lu.numStates;
    std::vector<double> b(n), y(n), z(n), x(n);
    for (int i = 0; i < n; ++i) b[i] = lu.rowSwap[i] == n - 1 ? 1.0 : 0.0;
    lu.forwardSub(y.data(), b.data(), lu.A);
    lu.backwardSub(y.data(), z.data(), lu.A);
    for (int i = 0; i < n; ++i) x[lu.colSwap[i]] = z[i];
    return x;
}

}  // namespace

TEST(SparseLU, FactorsSolveRandomChainsStateByStateWithAndWithoutPivoting)
{
    for (unsigned seed = 1; seed <= 6; ++seed) {
        const auto q = randomChain(40, 3, seed);
        const std::vector<double> exact = gthSolve(q);
        for (bool pivoting : {false, true}) {
            SparseLU lu;
            load(lu, q);
            lu.stability = pivoting ? 4 : 0;
            lu.searchRows = pivoting ? 8 : 0;
            lu.compute();
            ASSERT_EQ(lu.info(), LUInfo::Success);
            EXPECT_EQ(lu.droppedEntries, 0);
            EXPECT_TRUE(statesAgree(solveWithFactors(lu), exact, 1e-9))
                << "seed " << seed << (pivoting ? " with pivoting" : "");
        }
    }
}

TEST(SparseLU, GivesUpWhenItsFillOutgrowsTheBudgetAndSaysWhereItWasHeading)
{
    // a dense-ish chain of 200 states fills in far beyond a budget of the loaded entries
    const auto q = randomChain(200, 6, 7);
    SparseLU lu;
    load(lu, q);
    int64_t loaded = 0;
    for (int i = 0; i < lu.numStates; ++i) loaded += lu.A[i].numEntries();
    lu.fillBudget = 1.0;
    int lastColumn = -1;
    lu.monitor = [&](LUStage stage, int k, int, int64_t) {
        if (stage == LUStage::Factorisation) lastColumn = k;
    };
    lu.compute();
    EXPECT_EQ(lu.info(), LUInfo::FillBudgetExceeded);
    EXPECT_GT(lu.projectedFill, 2 * loaded);
    EXPECT_LT(lastColumn, lu.numStates - 1);  // it stopped early

    // the same chain without a budget: done, and the status of the last run is what info says
    lu.release();
    load(lu, q);
    lu.fillBudget = 0.0;
    lu.compute();
    EXPECT_EQ(lu.info(), LUInfo::Success);
}

TEST(SparseLU, TheMonitorIsToldEveryColumnAndRowInOrderWithTheEntriesSoFar)
{
    const auto q = randomChain(25, 2, 3);
    SparseLU lu;
    load(lu, q);
    std::vector<int> columns, forward, backward;
    int64_t entries = -1;
    bool entriesGrow = true;
    lu.monitor = [&](LUStage stage, int step, int n, int64_t now) {
        EXPECT_EQ(n, 25);
        if (stage == LUStage::Factorisation) {
            columns.push_back(step);
            entriesGrow = entriesGrow && now >= entries;
            entries = now;
        } else if (stage == LUStage::ForwardSubstitution) {
            forward.push_back(step);
        } else {
            backward.push_back(step);
        }
    };
    lu.compute();
    solveWithFactors(lu);
    std::vector<int> expected(25);
    for (int k = 0; k < 25; ++k) expected[k] = k;
    EXPECT_EQ(columns, expected);
    EXPECT_TRUE(entriesGrow);
    EXPECT_EQ(forward, std::vector<int>(expected.begin() + 1, expected.end()));
    std::vector<int> down(expected.rbegin() + 1, expected.rend());
    EXPECT_EQ(backward, down);
}
