// Pivot choice: stability bound, Markowitz cost, ties, block search, and the factors it leaves.
#include <gtest/gtest.h>

#include "tests/dss/dss_harness.h"

using Row = std::vector<std::pair<int, double>>;

// A solver whose A is set by hand, rows as (column, value) lists.
static void setRows(DSSSolver& s, const std::vector<Row>& rows)
{
    s.A = new Matrix[rows.size()];
    for (size_t r = 0; r < rows.size(); ++r)
        for (auto& e : rows[r]) s.setVal(s.A, (int)r, e.first, e.second);
}

static const std::vector<Row> costCase = {
    {{0, 1e-12}},                           // nothing above the floor: the block search moves on
    {{1, 2.0}, {2, 3.0}, {3, 1.0}},         // costs 0, 4, 2 (column counts 1, 3, 3; row count 3)
    {{2, 1.0}, {3, 1.0}},
    {{2, 1.0}, {3, 1.0}, {0, 1.0}},
};

TEST(DssPivot, CheapestStableEntryWinsOverALargerOne)
{
    DssRun run(4, {}, {"-r", "1", "-g", "2"});
    DSSSolver& s = *run.solver;
    setRows(s, costCase);
    s.pivotMatrix(0);
    EXPECT_EQ(s.rowSwap, (std::vector<int>{1, 0, 2, 3}));
    EXPECT_EQ(s.colSwap, (std::vector<int>{1, 0, 2, 3}));
    EXPECT_EQ(s.getVal(0, 0), 2.0);  // old row 1, old column 1
    EXPECT_EQ(s.getVal(1, 1), 1e-12);
    EXPECT_EQ(s.getVal(3, 1), 1.0);
    EXPECT_EQ(s.getVal(3, 0), 0.0);
}

TEST(DssPivot, StabilityOneAdmitsOnlyTheBlockMaximum)
{
    DssRun run(4, {}, {"-r", "1", "-g", "1"});
    DSSSolver& s = *run.solver;
    setRows(s, costCase);
    s.pivotMatrix(0);
    EXPECT_EQ(s.rowSwap, (std::vector<int>{1, 0, 2, 3}));
    EXPECT_EQ(s.colSwap, (std::vector<int>{2, 1, 0, 3}));
}

TEST(DssPivot, EntriesCountByTheirMagnitudeSoTheNegativeDiagonalIsEligible)
{
    // a generator's diagonal is negative: a signed rule would pick the rate 1.0 below it
    DssRun run(2, {}, {"-r", "-1", "-g", "1"});
    DSSSolver& s = *run.solver;
    setRows(s, {{{0, 2e-11}, {1, -100.0}}, {{0, 1.0}, {1, 1e-12}}});
    s.pivotMatrix(0);
    EXPECT_EQ(s.rowSwap, (std::vector<int>{0, 1}));
    EXPECT_EQ(s.colSwap, (std::vector<int>{1, 0}));
    EXPECT_EQ(s.getVal(0, 0), -100.0);
}

TEST(DssPivot, EqualCandidatesGoToTheEarlierRowAndEqualCostsToTheLargerValue)
{
    DssRun run(3, {}, {"-r", "-1", "-g", "4"});
    DSSSolver& s = *run.solver;
    // rows 0 and 1 both offer 4.0 in column 1 at cost 1 (column count 2, row count 2)
    setRows(s, {{{2, 1.0}, {1, 4.0}}, {{1, 4.0}, {2, 1.0}}, {{0, 1.0}}});
    s.pivotMatrix(0);
    EXPECT_EQ(s.rowSwap, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(s.colSwap, (std::vector<int>{1, 0, 2}));
    EXPECT_EQ(s.getVal(2, 1), 1.0);
}

TEST(DssPivot, NoMagnitudeAboveTheFloorMeansNoExchange)
{
    DssRun run(2, {}, {"-r", "1", "-g", "5"});
    DSSSolver& s = *run.solver;
    setRows(s, {{{0, 1e-11}}, {{1, -1e-12}}});
    s.pivotMatrix(0);
    EXPECT_EQ(s.rowSwap, (std::vector<int>{0, 1}));
    EXPECT_EQ(s.colSwap, (std::vector<int>{0, 1}));
}

TEST(DssPivot, PivotingNeedsBothRowsAndStability)
{
    Edges e = tandem(3, 3, 1.0, 1.3, 1.1);
    for (std::vector<std::string> opts : {std::vector<std::string>{}, {"-r", "1"}, {"-g", "5"}, {"-r", "2", "-g", "0"}}) {
        DssRun run(16, e, opts);
        run.solve();
        std::vector<int> identity(16);
        for (int i = 0; i < 16; ++i) identity[i] = i;
        EXPECT_EQ(run.solver->rowSwap, identity);
        EXPECT_EQ(run.solver->colSwap, identity);
    }
    DssRun piv(16, e, {"-r", "2", "-g", "5"});
    std::vector<double> pi = piv.solve();
    EXPECT_NE(piv.solver->rowSwap[0], 0);
    EXPECT_TRUE(statesAgree(pi, gthSolve(generator(16, e)), 1e-13));
}

TEST(DssPivot, RowCountsWithoutDroppingIncludeEveryEarlierColumn)
{
    // without dropping every factor position of the earlier columns is an entry, stored or not
    DssRun run(4, {}, {"-t", "0"});
    DSSSolver& s = *run.solver;
    setRows(s, {{{0, 1.0}}, {{1, 1.0}}, {{3, 2.0}}, {{1, 1.0}, {3, 1.0}}});
    s.dropThreshold = 0.0;
    s.calcRowCost(3);
    EXPECT_EQ(s.rowCost[3], 3);  // columns 1, 2 and 3
    s.dropThreshold = 1e-3;
    s.calcRowCost(2);
    EXPECT_EQ(s.rowCost[2], 1);
    EXPECT_EQ(s.rowCost[3], 2);
    s.calcColCost(1);
    EXPECT_EQ(s.colCost, (std::vector<int>{0, 2, 0, 2}));
}

TEST(DssPivot, SmallComputedEntriesAreDroppedButNeverTheDiagonal)
{
    DssRun run(3, {});
    DSSSolver& s = *run.solver;
    // U[0][1] = 1e-6 falls below the threshold and leaves a stored zero in its slot
    setRows(s, {{{0, 2.0}, {1, 1e-6}}, {{0, 1.0}, {1, 1e-7}}, {{0, 1.0}, {1, 1.0}, {2, 1.0}}});
    s.dropThreshold = 1e-4;
    s.performLUDecomp();
    EXPECT_EQ(s.A[0].numEntries(), 2);
    EXPECT_EQ(s.getVal(0, 1), 0.0);
    EXPECT_EQ(s.getVal(1, 0), 0.5);
    EXPECT_EQ(s.getVal(1, 1), 1e-7);  // the pivot is kept however small
    EXPECT_EQ(s.getVal(2, 0), 0.5);
}
