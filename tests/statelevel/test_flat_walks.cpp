// Loading the flat files and walking rows, columns, all edges and PVs.
#include <gtest/gtest.h>

#include <algorithm>
#include <iomanip>
#include <random>
#include <sstream>

#include "chain/Generator.h"
#include "framework/InputError.h"
#include "tests/statelevel/DssRun.h"
#include "tests/statelevel/FlatWalkHelpers.h"

static std::string base(const char* name) { return dataDir() + name; }

TEST(FlatWalks, ThreeStateFileLoadsAndWalks)
{
    testing::internal::CaptureStderr();
    FlatStateLevel level(base("three").c_str());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(level.getNumberOfStates(), 3);
    EXPECT_EQ(level.getInitialState(), 0);
    EXPECT_EQ(level.orientation, FlatStateLevel::ROW_ORIENTATION);
    EXPECT_FALSE(level.block_access_ready);
    EXPECT_EQ(rowOf(level, 0), (std::vector<Entry>{{0, 1, 0.5}, {0, 2, 1.0}}));
    EXPECT_TRUE(rowOf(level, 2).empty());
    EXPECT_EQ(allEdgesOf(level), (std::vector<Entry>{{1, 0, 2.0}, {0, 1, 0.5}, {0, 2, 1.0}}));
    EXPECT_EQ(level.orientation, FlatStateLevel::COLUMN_ORIENTATION);
    EXPECT_EQ(columnOf(level, 2), (std::vector<Entry>{{0, 2, 1.0}}));
    // the types and time points of the .pvtype file
    EXPECT_EQ(level.pv_type, (std::vector<int>{3, 1}));
    ASSERT_EQ(level.num_times, (std::vector<int>{0, 1}));
    EXPECT_EQ(level.start_times[1][0], 10.0);
    EXPECT_EQ(level.stop_times[1][0], 20.0);
}

TEST(FlatWalks, VarRecordsOutOfOrderFillFirstAndSecond)
{
    FlatStateLevel level(base("three").c_str());
    ASSERT_EQ(level.getNumberOfPVs(), 2);
    EXPECT_STREQ(level.getPVName(0), "A");
    EXPECT_STREQ(level.getPVName(1), "B");
    // state 1's record 0.5 0.25 2.0 1.0: the file's first number is `second`
    EXPECT_EQ(level.pvValue(0, 0).second, 0.5);
    EXPECT_EQ(level.pvValue(0, 0).first, 0.25);
    EXPECT_EQ(level.pvValue(1, 0).second, 2.0);
    EXPECT_EQ(level.pvValue(1, 0).first, 1.0);
    BaseStateLevel::PVBaseContainer* c;
    BaseStateLevel::PVBaseIterator* it;
    level.allocatePVContainer(c);
    level.allocatePVIterator(it);
    const double reward[2][3] = {{0.75, 2.0, 8.0}, {3.0, 6.0, 10.0}};
    for (int pv = 0; pv < 2; ++pv) {
        level.getPV(c, pv);
        PVBuffer buf, direct;
        int s = 0;
        for (c->begin(it, buf); !buf.at_end; it->next(buf), ++s) {
            ASSERT_LT(s, 3);
            EXPECT_EQ(buf.first + buf.second, reward[pv][s]);
            direct.at_end = true;
            (*c)(s, direct);
            EXPECT_EQ(direct.first, buf.first);
            EXPECT_EQ(direct.second, buf.second);
            EXPECT_TRUE(direct.at_end);
        }
        EXPECT_EQ(s, 3);
        s = 0;
        for (c->begin(it); !it->end(); ++*it, ++s) EXPECT_EQ((*it)->first + (**it).second, reward[pv][s]);
        EXPECT_EQ(s, 3);
    }
    level.deallocatePVContainer(c);
    level.deallocatePVIterator(it);
    level.deallocatePVContainer(nullptr);
    level.deallocateRowIterator(nullptr);
}

TEST(FlatWalks, LineBreaksAndNumberFormsDoNotMatter)
{
    FlatStateLevel one(base("oneline").c_str());
    FlatStateLevel three(base("three").c_str());
    EXPECT_EQ(allRows(one), allRows(three));
    EXPECT_EQ(one.pvValue(1, 0).first + one.pvValue(1, 0).second, 3.0);
    // "+1", ".5", "5.", "2.5e-1", "1E+1" and a self loop, kept as written
    FlatStateLevel forms(base("forms").c_str());
    EXPECT_EQ(forms.getInitialState(), 1);
    EXPECT_EQ(allRows(forms), (std::vector<Entry>{{0, 1, 0.5}, {0, 2, 5.0}, {1, 0, 0.25},
                                                  {1, 0, 10.0}, {1, 1, 0.0}}));
    EXPECT_EQ(forms.pvValue(0, 2).second, 1.0);
    EXPECT_EQ(forms.pvValue(0, 0).second, 0.0);  // a state without a record
}

TEST(FlatWalks, EmptyColumnsAreSkippedAndNeverOverrun)
{
    TempDir dir;
    dir.write("tail.arm", "1 4\n1 2 1.0 0\n2 1 3.0 0\n3 0\n4 2 4.0 0\n");
    dir.write("empty.arm", "1 3\n1 0\n2 0\n3 0\n");
    testing::internal::CaptureStderr();
    FlatStateLevel tail((dir.dir() + "tail").c_str());
    FlatStateLevel empty((dir.dir() + "empty").c_str());
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(allEdgesOf(tail), (std::vector<Entry>{{1, 0, 3.0}, {0, 1, 1.0}, {3, 1, 4.0}}));
    EXPECT_TRUE(allEdgesOf(empty).empty());
    EXPECT_TRUE(columnOf(empty, 1).empty());
}

// A random matrix with unsorted rows, repeated entries and self loops.
static std::string randomArm(int n, unsigned seed, std::vector<Entry>& written)
{
    std::mt19937 gen(seed);
    std::ostringstream arm;
    arm << "1 " << n << "\n";
    for (int i = 0; i < n; ++i) {
        arm << i + 1;
        int count = (int)(gen() % 6) + (i == 3 ? 25 : 0);
        for (int k = 0; k < count; ++k) {
            int j = (int)(gen() % n);
            double r = 0.25 * (1 + gen() % 40);
            arm << " " << j + 1 << " " << r;
            written.emplace_back(i, j, r);
        }
        arm << " 0\n";
    }
    return arm.str();
}

TEST(FlatWalks, SwitchingOrderRebuildsFromMemoryAndRestoresFileOrder)
{
    TempDir dir;
    std::vector<Entry> written;
    const int n = 30;
    dir.write("r.arm", randomArm(n, 7, written));
    testing::internal::CaptureStderr();
    FlatStateLevel level((dir.dir() + "r").c_str());
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(allRows(level), written);
    std::filesystem::remove(dir.file("r.arm"));  // the switches must not need it
    std::vector<Entry> byColumn = written;
    std::stable_sort(byColumn.begin(), byColumn.end(), [](const Entry& a, const Entry& b) {
        return std::get<1>(a) != std::get<1>(b) ? std::get<1>(a) < std::get<1>(b)
                                                : std::get<0>(a) < std::get<0>(b);
    });
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(allEdgesOf(level), byColumn);
        for (int j = 0; j < n; ++j) {
            std::vector<Entry> expected;
            for (const Entry& e : byColumn)
                if (std::get<1>(e) == j) expected.push_back(e);
            EXPECT_EQ(columnOf(level, j), expected);
        }
        EXPECT_EQ(allRows(level), written);
        EXPECT_EQ(level.orientation, FlatStateLevel::ROW_ORIENTATION);
    }
}

TEST(FlatWalks, TheGeneratorIsTheSameReadByRowsOrByColumns)
{
    // unsorted rows, repeated entries, self loops; rates whose sums depend on their order
    std::mt19937 gen(5);
    std::ostringstream arm;
    const int n = 200;
    arm << "1 " << n << "\n" << std::setprecision(17);
    for (int i = 0; i < n; ++i) {
        arm << i + 1;
        for (int k = (int)(gen() % 9); k > 0; --k) arm << " " << 1 + gen() % (k > 4 ? 4 : n) << " " << 1.0 / (1 + gen() % 97);
        arm << " 0\n";
    }
    TempDir dir;
    dir.write("g.arm", arm.str());
    testing::internal::CaptureStderr();
    FlatStateLevel level((dir.dir() + "g").c_str());
    testing::internal::GetCapturedStderr();
    ASSERT_TRUE(level.rowsAtHand());
    Generator byRows = readGenerator(level);
    allEdgesOf(level);  // the level now holds columns
    ASSERT_FALSE(level.rowsAtHand());
    Generator byColumns = readGenerator(level);
    EXPECT_LT(byRows.transitions(), 4 * n);  // repeats were merged
    EXPECT_EQ(byRows.start, byColumns.start);
    EXPECT_EQ(byRows.target, byColumns.target);
    EXPECT_EQ(byRows.rate, byColumns.rate);
    EXPECT_EQ(byRows.exitRate, byColumns.exitRate);
}

// A chain file of n states with unsorted rows, repeats, self loops, zero rates and empty rows.
static std::string awkwardArm(std::mt19937& gen, int n)
{
    std::ostringstream arm;
    arm << "1 " << n << "\n" << std::setprecision(17);
    for (int i = 0; i < n; ++i) {
        arm << i + 1;
        for (int k = i % 7 == 3 ? 0 : (int)(gen() % 9); k > 0; --k)
            arm << " " << 1 + gen() % (k > 4 ? 4 : n) << " " << (gen() % 13 == 0 ? 0.0 : 1.0 / (1 + gen() % 97));
        arm << " 0\n";
    }
    return arm.str();
}

static void expectSameGenerator(const Generator& a, const Generator& b)
{
    EXPECT_EQ(a.n, b.n);
    EXPECT_EQ(a.start, b.start);
    EXPECT_EQ(a.target, b.target);
    EXPECT_EQ(a.rate, b.rate);  // to the bit: the sums run in the same order
    EXPECT_EQ(a.exitRate, b.exitRate);
}

TEST(FlatWalks, RowsTakenOverGiveTheGeneratorOfTheWalks)
{
    std::mt19937 gen(27);
    TempDir dir;
    dir.write("g.arm", awkwardArm(gen, 300));
    const std::string g = dir.dir() + "g";
    testing::internal::CaptureStderr();
    FlatStateLevel walked(g.c_str()), taken(g.c_str()), switched(g.c_str()), back(g.c_str());
    testing::internal::GetCapturedStderr();
    const Generator byWalks = readGenerator(walked);
    EXPECT_LT(byWalks.transitions(), 4 * 300);
    expectSameGenerator(takeGenerator(taken), byWalks);
    // the level holds the rows no more, and says so rather than walk nothing
    BaseStateLevel::EdgeBaseContainer *row, *edges;
    taken.allocateRowContainer(row);
    taken.allocateAllEdgesContainer(edges);
    EXPECT_THROW(taken.getRow(0, row), AccessException);
    EXPECT_THROW(taken.getAllEdges(edges), AccessException);
    taken.deallocateRowContainer(row);
    taken.deallocateAllEdgesContainer(edges);
    RowStore again;
    EXPECT_FALSE(taken.takeRows(again));
    // a level in column order, or back in rows it laid out anew, is read through its walks
    const std::vector<Entry> inColumns = allEdgesOf(switched);
    expectSameGenerator(takeGenerator(switched), byWalks);
    EXPECT_EQ(allEdgesOf(switched), inColumns);
    allEdgesOf(back);
    const std::vector<Entry> rows = allRows(back);
    EXPECT_EQ(rows, allRows(walked));
    expectSameGenerator(takeGenerator(back), byWalks);
    EXPECT_EQ(allRows(back), rows);
}

TEST(FlatWalks, IteratorCopyAndRepeatedBeginGiveTheSameEdges)
{
    FlatStateLevel level(base("three").c_str());
    BaseStateLevel::EdgeBaseContainer* c;
    BaseStateLevel::EdgeBaseIterator *it, *copy;
    level.allocateAllEdgesContainer(c);
    level.allocateAllEdgesIterator(it);
    level.allocateAllEdgesIterator(copy);
    level.getAllEdges(c);
    EXPECT_EQ(bufferWalk(c, it), bufferWalk(c, it));
    c->begin(it);
    ++*it;
    *copy = *it;
    EXPECT_EQ((*copy)->row(), 0);
    EXPECT_EQ((*copy)->col(), 1);
    EXPECT_EQ((*copy)->rate(), 0.5);
    level.deallocateAllEdgesContainer(c);
    level.deallocateAllEdgesIterator(it);
    level.deallocateAllEdgesIterator(copy);
}

TEST(FlatWalks, ALaterVarRecordReplacesTheValuesAndAStateWithoutOneWalksAsZero)
{
    TempDir dir;
    dir.write("r.arm", "1 4\n1 2 1.0 0\n2 3 1.0 0\n3 4 1.0 0\n4 1 1.0 0\n");
    // state 3 twice, states 2 and 4 without a record; the first number of a pair is `second`
    dir.write("r.var", "A B\n3 1 2 3 4\n1 5 6 7 8\n3 9 10 11 12\n");
    dir.write("r.pvtype", "Version:1\nNumPV:2\nName:A\nType:3\nNumTimes:0\nName:B\nType:3\nNumTimes:0\n");
    testing::internal::CaptureStderr();
    FlatStateLevel level((dir.dir() + "r").c_str());
    EXPECT_NE(testing::internal::GetCapturedStderr().find("no record for 2 of the 4 states"), std::string::npos);
    BaseStateLevel::PVBaseContainer* c;
    BaseStateLevel::PVBaseIterator* it;
    level.allocatePVContainer(c);
    level.allocatePVIterator(it);
    const double second[2][4] = {{5, 0, 9, 0}, {7, 0, 11, 0}}, first[2][4] = {{6, 0, 10, 0}, {8, 0, 12, 0}};
    for (int pv : {1, 0, 1}) {  // a column built again after another PV's
        level.getPV(c, pv);
        int s = 0;
        for (c->begin(it); !it->end(); ++*it, ++s) {
            ASSERT_LT(s, 4);
            EXPECT_EQ((*it)->second, second[pv][s]) << "PV " << pv << " state " << s;
            EXPECT_EQ((*it)->first, first[pv][s]) << "PV " << pv << " state " << s;
            EXPECT_EQ(level.pvValue(pv, s).second, second[pv][s]);
            EXPECT_EQ(level.pvValue(pv, s).first, first[pv][s]);
        }
        EXPECT_EQ(s, 4);
    }
    level.deallocatePVContainer(c);
    level.deallocatePVIterator(it);
}

TEST(FlatWalks, VarFileWithoutNamesHoldsOnlyStateNumbers)
{
    TempDir dir;
    dir.write("n.arm", "1 2\n1 2 1.0 0\n2 1 1.0 0\n");
    dir.write("n.var", "2 1\n2\n");  // a later record of a state may repeat it
    dir.write("n.pvtype", "Version:1\nNumPV:0\n");
    dir.write("d.arm", "1 2\n1 2 1.0 0\n2 1 1.0 0\n");
    dir.write("d.var", "A 9B\n0.5 0.5\n2 1 1\n");  // 9B ends the header: it is state 9
    testing::internal::CaptureStderr();
    FlatStateLevel none((dir.dir() + "n").c_str());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(none.getNumberOfPVs(), 0);
    try {
        FlatStateLevel bad((dir.dir() + "d").c_str());
        ADD_FAILURE() << "state 9 of 2 was accepted";
    } catch (const InputError& e) {
        EXPECT_NE(e.text().find("(.var file) possibly due to corruption"), std::string::npos);
    }
}
