// The working matrix of the factorisation: entries set, found and swapped.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "lu/SparseLU.h"

namespace {

// A row as (column, value) pairs in storage order.
std::vector<std::pair<int, double>> entries(const Matrix& row)
{
    std::vector<std::pair<int, double>> v;
    for (int p = 0; p < row.numEntries(); ++p) v.emplace_back(row.columns[p], row.values[p]);
    return v;
}

}  // namespace

TEST(LUMatrix, SetValOverwritesOrAppendsAndGetValFindsIt)
{
    SparseLU s;
    s.resize(3);
    s.A = new Matrix[3];
    EXPECT_EQ(s.setVal(s.A, 1, 2, 5.0), 0);
    EXPECT_EQ(s.setVal(s.A, 1, 0, 6.0), 1);
    EXPECT_EQ(s.setVal(s.A, 1, 2, 7.0), 0);
    EXPECT_EQ(s.A[1].numEntries(), 2);
    EXPECT_EQ(s.getVal(1, 2), 7.0);
    EXPECT_EQ(s.getVal(1, 1), 0.0);
    s.colPos(0);
    EXPECT_EQ(s.colPosition, (std::vector<int>{-1, 1, -1}));
}

TEST(LUMatrix, SwapColsMovesValuesOrColumnIndices)
{
    SparseLU s;
    s.resize(3);
    s.A = new Matrix[3];
    s.setVal(s.A, 0, 1, 1.0);
    s.setVal(s.A, 0, 2, 2.0);
    s.setVal(s.A, 1, 2, 3.0);  // only column c2
    s.setVal(s.A, 2, 0, 4.0);  // neither
    for (int r = 0; r < 3; ++r) s.swapCols(r, 1, 2);
    EXPECT_EQ(entries(s.A[0]), (std::vector<std::pair<int, double>>{{1, 2.0}, {2, 1.0}}));
    EXPECT_EQ(entries(s.A[1]), (std::vector<std::pair<int, double>>{{1, 3.0}}));
    EXPECT_EQ(entries(s.A[2]), (std::vector<std::pair<int, double>>{{0, 4.0}}));
    s.swapRows(0, 2);
    EXPECT_EQ(entries(s.A[0]), (std::vector<std::pair<int, double>>{{0, 4.0}}));
}
