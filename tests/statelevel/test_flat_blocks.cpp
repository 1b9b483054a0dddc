// Partitions, the conversion into blocks and the block walks.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>

#include "tests/statelevel/DssRun.h"
#include "tests/statelevel/FlatWalkHelpers.h"

// A state space of n states whose column 5 has many sources, so that the
// range search bisects there and scans elsewhere.
static void writeModel(const TempDir& dir, int n, std::vector<Entry>& all)
{
    std::mt19937 gen(11);
    std::ostringstream arm;
    arm << "1 " << n << "\n";
    for (int i = 0; i < n; ++i) {
        arm << i + 1;
        std::vector<int> dest{5};
        for (int k = (int)(gen() % 4); k > 0; --k) dest.push_back((int)(gen() % n));
        for (int j : dest) {
            double r = 1 + gen() % 9;
            arm << " " << j + 1 << " " << r;
            all.emplace_back(i, j, r);
        }
        arm << " 0\n";
    }
    dir.write("b.arm", arm.str());
}

struct FlatBlocks : testing::Test {
    TempDir dir;
    std::vector<Entry> all;
    FlatStateLevel* level = nullptr;
    void SetUp() override
    {
        writeModel(dir, 40, all);
        testing::internal::CaptureStderr();
        level = new FlatStateLevel((dir.dir() + "b").c_str());
        testing::internal::GetCapturedStderr();
    }
    void TearDown() override { delete level; }
    // Keeps partitions of mM and mm blocks and converts.
    void convert(int mM, int mm)
    {
        Partition first, second;
        first.num_requested = mM;
        second.num_requested = mm;
        level->getSubMatrixPartition(first, second);
        delete[] first.bounds;
        delete[] second.bounds;
    }
    std::vector<Entry> block(int a, int b, int c, int d)
    {
        BaseStateLevel::EdgeBaseContainer* con;
        BaseStateLevel::EdgeBaseIterator* it;
        level->allocateSubMatrixContainer(con);
        level->allocateSubMatrixIterator(it);
        level->getSubMatrix(a, b, c, d, con);
        std::vector<Entry> seen = bufferWalk(con, it);
        EXPECT_EQ(cursorWalk(con, it), seen);
        level->deallocateSubMatrixContainer(con);
        level->deallocateSubMatrixIterator(it);
        return seen;
    }
};

TEST_F(FlatBlocks, BoundariesFollowTheFloorFormula)
{
    FlatStateLevel three((dataDir() + "three").c_str());
    Partition p;
    p.num_requested = 4;
    TempDir d;
    d.write("ten.arm", "1 10\n1 0\n2 0\n3 0\n4 0\n5 0\n6 0\n7 0\n8 0\n9 0\n10 0\n");
    testing::internal::CaptureStderr();
    FlatStateLevel ten((d.dir() + "ten").c_str());
    testing::internal::GetCapturedStderr();
    ten.getRowPartition(p);
    EXPECT_EQ(p.num_blocks, 4);
    EXPECT_EQ(std::vector<int>(p.bounds, p.bounds + 5), (std::vector<int>{0, 2, 5, 7, 10}));
    delete[] p.bounds;
    p.num_requested = 1;
    three.getColPartition(p);
    EXPECT_EQ(std::vector<int>(p.bounds, p.bounds + 2), (std::vector<int>{0, 3}));
    delete[] p.bounds;
}

TEST_F(FlatBlocks, EveryEntryLandsInExactlyOneBlockWithItsTrueRowAndColumn)
{
    convert(3, 4);  // converts from row order: columns are the major index
    EXPECT_TRUE(level->block_access_ready);
    const int* M = level->major_partition.bounds;
    const int* m = level->minor_partition.bounds;
    std::vector<Entry> seen;
    for (int r = 0; r < 3; ++r)
        for (int t = 0; t < 4; ++t)
            for (const Entry& e : block(M[r], M[r + 1], m[t], m[t + 1])) {
                EXPECT_GE(std::get<1>(e), M[r]);
                EXPECT_LT(std::get<1>(e), M[r + 1]);
                EXPECT_GE(std::get<0>(e), m[t]);
                EXPECT_LT(std::get<0>(e), m[t + 1]);
                seen.push_back(e);
            }
    std::vector<Entry> expected = all;
    std::sort(expected.begin(), expected.end());
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, expected);
}

TEST_F(FlatBlocks, RangeSearchBisectionAgreesWithAFilter)
{
    BaseStateLevel::EdgeBaseContainer* c;
    level->allocateAllEdgesContainer(c);
    level->getAllEdges(c);  // column order: sources ascend within each column
    level->deallocateAllEdgesContainer(c);
    ASSERT_GT(level->major_size[5], 15);  // column 5 is searched by bisection
    FlatStateLevel::SubMatrixAux range;
    FlatStateLevel::SubMatrixAuxIterator walk;
    for (int lo = 0; lo <= 40; lo += 3)
        for (int hi = lo; hi <= 40; hi += 7) {
            level->getSubMatrixAux(2, 9, lo, hi, &range);
            std::vector<Entry> expected;
            for (const Entry& e : all)
                if (std::get<1>(e) >= 2 && std::get<1>(e) < 9 && std::get<0>(e) >= lo &&
                    std::get<0>(e) < hi)
                    expected.push_back(e);
            std::vector<Entry> seen = bufferWalk(&range, &walk);
            EXPECT_EQ(cursorWalk(&range, &walk), seen);
            std::sort(expected.begin(), expected.end());
            std::sort(seen.begin(), seen.end());
            EXPECT_EQ(seen, expected) << lo << " " << hi;
        }
}

TEST_F(FlatBlocks, AfterConversionOnlyBlockWalksWork)
{
    convert(2, 2);
    BaseStateLevel::EdgeBaseContainer* c;
    level->allocateRowContainer(c);
    EXPECT_THROW(level->getRow(0, c), AccessException);
    EXPECT_THROW(level->getColumn(0, c), AccessException);
    EXPECT_THROW(level->getAllEdges(c), AccessException);
    level->deallocateRowContainer(c);
    EXPECT_THROW(convert(2, 2), AccessException);
}

TEST_F(FlatBlocks, EmptyBlockEndsAtOnce)
{
    TempDir d;
    d.write("e.arm", "1 4\n1 2 1.0 0\n2 1 1.0 0\n3 4 1.0 0\n4 3 1.0 0\n");
    testing::internal::CaptureStderr();
    FlatStateLevel* two = new FlatStateLevel((d.dir() + "e").c_str());
    testing::internal::GetCapturedStderr();
    std::swap(level, two);
    delete two;
    convert(2, 2);
    EXPECT_TRUE(block(0, 2, 2, 4).empty());
    EXPECT_EQ(block(2, 4, 2, 4).size(), 2u);
}

// Runs a block walk in a child whose standard output goes to a file.
static void blockWalkInChild(FlatStateLevel* level, int a, int b, int c, int d,
                             const std::string& out)
{
    if (freopen(out.c_str(), "w", stdout) == nullptr) return;
    BaseStateLevel::EdgeBaseContainer* con;
    BaseStateLevel::EdgeBaseIterator* it;
    level->allocateSubMatrixContainer(con);
    level->allocateSubMatrixIterator(it);
    level->getSubMatrix(a, b, c, d, con);
    EdgeBuffer buf;
    con->begin(it, buf);
}

TEST_F(FlatBlocks, WalkOfNoKeptBlockEndsTheRun)
{
    const char* message = "There has been an access to a block for which the optimized data "
                          "structure has not been computed.\n";
    std::string out = dir.dir() + "out";
    EXPECT_EXIT(blockWalkInChild(level, 0, 20, 0, 40, out), testing::ExitedWithCode(1), "");
    EXPECT_EQ(slurp(out), message);  // before any partition
    convert(2, 2);
    EXPECT_EXIT(blockWalkInChild(level, 10, 30, 0, 20, out), testing::ExitedWithCode(1), "");
    EXPECT_EQ(slurp(out), message);  // straddles two blocks
}
