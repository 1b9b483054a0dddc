// The solution check on nearly decomposable chains: it fails a vector whose block masses are
// wrong although every state balances, and it sees the blocks and their coupling.
#include <gtest/gtest.h>

#include <random>

#include "chain/BlockBalance.h"
#include "check/SolutionCheck.h"
#include "report/CheckLine.h"
#include "tests/support/BlockChains.h"

TEST(BlockCheck, FailsBlockMassesThatEveryStateBalanceHides)
{
    std::mt19937 gen(11);
    Blocks c;
    int a = addBlock(c, gen, 6), b = addBlock(c, gen, 6);
    c.t.emplace_back(a + 1, b + 2, 1e-10);
    c.t.emplace_back(b + 3, a + 4, 4e-10);
    Generator q = makeGenerator(c.n, c.t);
    std::vector<double> exact = stationary(c.n, c.t);
    SolutionCheck right = checkSolution(q, exact, 1e-9);
    EXPECT_TRUE(right.passed) << right.failure;
    EXPECT_EQ(right.blocks, 2);
    EXPECT_LT(right.blockImbalance, 1e-12);
    EXPECT_GT(right.coupling, 1e-12);
    EXPECT_LT(right.coupling, 1e-9);
    EXPECT_NE(checkReportLine(right).find("over 2 blocks; nearly decomposable: blocks coupled at "), std::string::npos)
        << checkReportLine(right);
    // each block keeps its own distribution, the blocks' masses are swapped: every state balances
    // to within the couplings, the blocks are off by orders of magnitude
    std::vector<double> mass = blockMasses(exact, c.blockOf), swapped(exact);
    for (int i = 0; i < c.n; ++i) swapped[i] *= mass[1 - c.blockOf[i]] / mass[c.blockOf[i]];
    SolutionCheck wrong = checkSolution(q, swapped, 1e-9);
    EXPECT_LE(wrong.imbalance, 1e-9);
    EXPECT_FALSE(wrong.passed);
    EXPECT_STREQ(wrong.failure, "the balance of a block of states is off by more than the bound");
    EXPECT_GT(wrong.blockImbalance, 0.5);
    // a chain held together by its fast transitions does not split
    Generator ring = makeGenerator(4, {{0, 1, 1.0}, {1, 2, 2.0}, {2, 3, 1.0}, {3, 0, 0.5}});
    EXPECT_FALSE(findBlockLevels(ring).split());
}
