// The load of the system matrix into the working matrix.
#include <gtest/gtest.h>

#include "tests/dss/dss_harness.h"

// Row r of a loaded matrix as (column, value) pairs in storage order.
static std::vector<std::pair<int, double>> entries(const Matrix& row)
{
    std::vector<std::pair<int, double>> v;
    for (int p = 0; p < row.numEntries(); ++p) v.emplace_back(row.columns[p], row.values[p]);
    return v;
}

TEST(DssMatrix, LoadIsTheTransposedGeneratorWithAnAllOnesLastRow)
{
    // 0->1 2.0, 0->2 3.0, 2->0 1.0, 1->2 0.5, self-loop 1->1 ignored
    DssRun run(3, {{0, 1, 2.0}, {0, 2, 3.0}, {2, 0, 1.0}, {1, 2, 0.5}, {1, 1, 1e-6}});
    DSSSolver& s = *run.solver;
    s.initializeSolver();
    using E = std::vector<std::pair<int, double>>;
    EXPECT_EQ(entries(s.A[0]), (E{{2, 1.0}, {0, -5.0}}));
    EXPECT_EQ(entries(s.A[1]), (E{{0, 2.0}, {1, -0.5}}));
    // loaded entries first (value replaced), then the missing columns in order
    EXPECT_EQ(entries(s.A[2]), (E{{0, 1.0}, {1, 1.0}, {2, 1.0}}));
    EXPECT_EQ(s.minRate, 0.5);
    EXPECT_DOUBLE_EQ(s.dropThreshold, 0.0005);
}

TEST(DssMatrix, StateWithoutExitsGetsExplicitZeroDiagonal)
{
    DssRun run(3, {{0, 1, 1.0}, {2, 1, 1.0}});
    run.solver->initializeSolver();
    EXPECT_EQ(entries(run.solver->A[1]), (std::vector<std::pair<int, double>>{{0, 1.0}, {2, 1.0}, {1, 0.0}}));
}

TEST(DssMatrix, OneStateChainIsTheSingleEntryOne)
{
    DssRun run(1, {});
    run.solver->initializeSolver();
    EXPECT_EQ(entries(run.solver->A[0]), (std::vector<std::pair<int, double>>{{0, 1.0}}));
    EXPECT_EQ(run.solver->minRate, 1e9);
    EXPECT_EQ(run.solver->dropThreshold, 1e6);
}

TEST(DssMatrix, SmallestRateIsTheSmallestPositiveOne)
{
    DssRun zero(3, {{0, 1, 0.0}, {1, 2, 4.0}, {2, 0, 2.5}});
    zero.solver->initializeSolver();
    EXPECT_EQ(zero.solver->minRate, 2.5);
    DssRun huge(2, {{0, 1, 3e9}, {1, 0, 2e9}});
    huge.solver->initializeSolver();
    EXPECT_EQ(huge.solver->minRate, 1e9);
}

TEST(DssMatrix, RepeatedEdgesBecomeOneEntryWithTheSummedRate)
{
    DssRun run(3, {{0, 1, 0.25}, {2, 1, 1.0}, {0, 1, 0.5}, {1, 0, 2.0}, {1, 2, 1.0}, {0, 1, 0.25}});
    DSSSolver& s = *run.solver;
    s.initializeSolver();
    EXPECT_EQ(entries(s.A[1]), (std::vector<std::pair<int, double>>{{0, 1.0}, {2, 1.0}, {1, -3.0}}));
    EXPECT_EQ(s.getVal(0, 0), -1.0);
    EXPECT_EQ(s.minRate, 1.0);  // the summed rate, not one copy
}

TEST(DssMatrix, SecondLoadLeavesATouchedAndRepeatsTheEntries)
{
    Edges e = tandem(2, 2, 1.0, 1.3, 1.1);
    DssRun run(9, e);
    DSSSolver& s = *run.solver;
    s.initializeSolver();
    std::vector<std::vector<std::pair<int, double>>> first;
    for (int r = 0; r < 9; ++r) first.push_back(entries(s.A[r]));
    std::unique_ptr<Matrix[]> copy(new Matrix[9]);
    s.readMatrix(copy.get());
    for (int r = 0; r < 9; ++r) {
        EXPECT_EQ(entries(s.A[r]), first[r]);
        EXPECT_EQ(entries(copy[r]), first[r]);
    }
}
