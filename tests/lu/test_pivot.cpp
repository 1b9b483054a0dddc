// Pivot choice of the factorisation: stability bound, Markowitz cost, ties, block search, and
// the factors it leaves.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "lu/SparseLU.h"

namespace {

using Row = std::vector<std::pair<int, double>>;

// A factorisation whose A is set by hand, rows as (column, value) lists, with the pivot search
// of -r rows and -g stability.
struct HandSetLU {
    SparseLU lu;
    HandSetLU(const std::vector<Row>& rows, int32_t searchRows = 0, int16_t stability = 0)
    {
        lu.resize((int)rows.size());
        lu.searchRows = searchRows;
        lu.stability = stability;
        lu.A = new Matrix[rows.size()];
        for (size_t r = 0; r < rows.size(); ++r)
            for (auto& e : rows[r]) lu.setVal(lu.A, (int)r, e.first, e.second);
    }
};

}  // namespace

static const std::vector<Row> costCase = {
    {{0, 1e-12}},                           // nothing above the floor: the block search moves on
    {{1, 2.0}, {2, 3.0}, {3, 1.0}},         // costs 0, 4, 2 (column counts 1, 3, 3; row count 3)
    {{2, 1.0}, {3, 1.0}},
    {{2, 1.0}, {3, 1.0}, {0, 1.0}},
};

TEST(LUPivot, CheapestStableEntryWinsOverALargerOne)
{
    HandSetLU h(costCase, 1, 2);
    SparseLU& s = h.lu;
    s.pivotMatrix(0);
    EXPECT_EQ(s.rowSwap, (std::vector<int>{1, 0, 2, 3}));
    EXPECT_EQ(s.colSwap, (std::vector<int>{1, 0, 2, 3}));
    EXPECT_EQ(s.getVal(0, 0), 2.0);  // old row 1, old column 1
    EXPECT_EQ(s.getVal(1, 1), 1e-12);
    EXPECT_EQ(s.getVal(3, 1), 1.0);
    EXPECT_EQ(s.getVal(3, 0), 0.0);
}

TEST(LUPivot, StabilityOneAdmitsOnlyTheBlockMaximum)
{
    HandSetLU h(costCase, 1, 1);
    SparseLU& s = h.lu;
    s.pivotMatrix(0);
    EXPECT_EQ(s.rowSwap, (std::vector<int>{1, 0, 2, 3}));
    EXPECT_EQ(s.colSwap, (std::vector<int>{2, 1, 0, 3}));
}

TEST(LUPivot, EntriesCountByTheirMagnitudeSoTheNegativeDiagonalIsEligible)
{
    // a generator's diagonal is negative: a signed rule would pick the rate 1.0 below it
    HandSetLU h({{{0, 2e-11}, {1, -100.0}}, {{0, 1.0}, {1, 1e-12}}}, -1, 1);
    SparseLU& s = h.lu;
    s.pivotMatrix(0);
    EXPECT_EQ(s.rowSwap, (std::vector<int>{0, 1}));
    EXPECT_EQ(s.colSwap, (std::vector<int>{1, 0}));
    EXPECT_EQ(s.getVal(0, 0), -100.0);
}

TEST(LUPivot, EqualCandidatesGoToTheEarlierRowAndEqualCostsToTheLargerValue)
{
    // rows 0 and 1 both offer 4.0 in column 1 at cost 1 (column count 2, row count 2)
    HandSetLU h({{{2, 1.0}, {1, 4.0}}, {{1, 4.0}, {2, 1.0}}, {{0, 1.0}}}, -1, 4);
    SparseLU& s = h.lu;
    s.pivotMatrix(0);
    EXPECT_EQ(s.rowSwap, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(s.colSwap, (std::vector<int>{1, 0, 2}));
    EXPECT_EQ(s.getVal(2, 1), 1.0);
}

TEST(LUPivot, NoMagnitudeAboveTheFloorMeansNoExchange)
{
    HandSetLU h({{{0, 1e-11}}, {{1, -1e-12}}}, 1, 5);
    SparseLU& s = h.lu;
    s.pivotMatrix(0);
    EXPECT_EQ(s.rowSwap, (std::vector<int>{0, 1}));
    EXPECT_EQ(s.colSwap, (std::vector<int>{0, 1}));
}

TEST(LUPivot, RowCountsWithoutDroppingIncludeEveryEarlierColumn)
{
    // without dropping every factor position of the earlier columns is an entry, stored or not
    HandSetLU h({{{0, 1.0}}, {{1, 1.0}}, {{3, 2.0}}, {{1, 1.0}, {3, 1.0}}});
    SparseLU& s = h.lu;
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

TEST(LUPivot, SmallComputedEntriesAreDroppedButNeverTheDiagonal)
{
    // U[0][1] = 1e-6 falls below the threshold and leaves a stored zero in its slot
    HandSetLU h({{{0, 2.0}, {1, 1e-6}}, {{0, 1.0}, {1, 1e-7}}, {{0, 1.0}, {1, 1.0}, {2, 1.0}}});
    SparseLU& s = h.lu;
    s.dropThreshold = 1e-4;
    s.compute();
    EXPECT_EQ(s.info(), LUInfo::Success);
    EXPECT_EQ(s.A[0].numEntries(), 2);
    EXPECT_EQ(s.getVal(0, 1), 0.0);
    EXPECT_EQ(s.getVal(1, 0), 0.5);
    EXPECT_EQ(s.getVal(1, 1), 1e-7);  // the pivot is kept however small
    EXPECT_EQ(s.getVal(2, 0), 0.5);
}
