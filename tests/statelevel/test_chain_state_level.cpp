// The in-memory state level under the PRISM and DRN readers: its walks hand
// out the transitions exactly as the flat level does, its PV walks and
// partitions behave like the flat level's, and block access is refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "statelevel/Chain/ChainStateLevel.h"
#include "statelevel/Drn/DrnStateLevel.h"
#include "statelevel/Prism/PrismStateLevel.h"
#include "tests/statelevel/FlatWalkHelpers.h"
#include "tests/support/run_program.h"

namespace {

// Four states; transitions out of file order, a repeated one and a self-loop.
ChainModel sample()
{
    ChainModel m;
    m.num_states = 4;
    m.initial_state = 2;
    for (Entry e : std::vector<Entry>{{2, 0, 1.5}, {0, 1, 0.5}, {3, 1, 2.0}, {0, 2, 1.0},
                                      {1, 1, 9.0}, {0, 1, 0.25}, {2, 3, 3.0}})
        m.addEdge(std::get<0>(e), std::get<1>(e), std::get<2>(e));
    m.addPV("x", {0.0, 1.0, 2.0, 3.0});
    m.addPV("flag", {1.0, 0.0, 0.0, 1.0});
    m.files_read = {"a.tra", "a.lab"};
    return m;
}

// The same transitions, sorted as the flat level's all-edge walk gives them:
// by destination, then source, repeated pairs in file order.
std::vector<Entry> columnOrder(const ChainModel& m)
{
    std::vector<Entry> e;
    for (size_t k = 0; k < m.source.size(); ++k)
        e.emplace_back(m.source[k], m.target[k], m.rate[k]);
    std::stable_sort(e.begin(), e.end(), [](const Entry& a, const Entry& b) {
        return std::get<1>(a) != std::get<1>(b) ? std::get<1>(a) < std::get<1>(b)
                                                : std::get<0>(a) < std::get<0>(b);
    });
    return e;
}

// Every PV value pair of every state, through the walk and through operator().
std::vector<std::vector<double>> pvValues(BaseStateLevel& level)
{
    BaseStateLevel::PVBaseContainer* c;
    BaseStateLevel::PVBaseIterator* it;
    level.allocatePVContainer(c);
    level.allocatePVIterator(it);
    std::vector<std::vector<double>> all;
    for (int p = 0; p < level.getNumberOfPVs(); ++p) {
        level.getPV(c, p);
        std::vector<double> v;
        PVBuffer buf;
        for (c->begin(it, buf); !buf.at_end; it->next(buf)) {
            PVBuffer direct;
            (*c)((int)v.size(), direct);
            EXPECT_EQ(direct.first + direct.second, buf.first + buf.second);
            v.push_back(buf.first + buf.second);
        }
        all.push_back(v);
    }
    level.deallocatePVIterator(it);
    level.deallocatePVContainer(c);
    return all;
}

}  // namespace

TEST(ChainStateLevel, WalksHandOutTheTransitionsInTheFlatLevelsOrders)
{
    ChainModel m = sample();
    std::vector<Entry> byColumn = columnOrder(m);
    ChainStateLevel level(sample());
    EXPECT_EQ(level.getNumberOfStates(), 4);
    EXPECT_EQ(level.getInitialState(), 2);
    EXPECT_EQ(allEdgesOf(level), byColumn);
    // rows keep the file order, self-loops and repeats included
    EXPECT_EQ(rowOf(level, 0), (std::vector<Entry>{{0, 1, 0.5}, {0, 2, 1.0}, {0, 1, 0.25}}));
    EXPECT_EQ(rowOf(level, 1), (std::vector<Entry>{{1, 1, 9.0}}));
    EXPECT_EQ(columnOf(level, 1),
              (std::vector<Entry>{{0, 1, 0.5}, {0, 1, 0.25}, {1, 1, 9.0}, {3, 1, 2.0}}));
    EXPECT_TRUE(columnOf(level, 2) == (std::vector<Entry>{{0, 2, 1.0}}));
    // walking twice gives the same; indices outside the states give nothing
    EXPECT_EQ(allEdgesOf(level), byColumn);
    EXPECT_TRUE(rowOf(level, 4).empty());
    EXPECT_TRUE(columnOf(level, -1).empty());
}

TEST(ChainStateLevel, EmptyChainAndStatesWithoutTransitionsEndAtOnce)
{
    ChainModel m;
    m.num_states = 3;
    m.addEdge(2, 0, 1.0);
    ChainStateLevel level(m);
    EXPECT_EQ(allEdgesOf(level), (std::vector<Entry>{{2, 0, 1.0}}));
    EXPECT_TRUE(rowOf(level, 0).empty());
    EXPECT_TRUE(columnOf(level, 2).empty());
    ChainModel none;
    none.num_states = 2;
    ChainStateLevel empty(none);
    EXPECT_TRUE(allEdgesOf(empty).empty());
}

TEST(ChainStateLevel, PVsAreSteadyStateWithOneValuePerState)
{
    ChainStateLevel level(sample());
    ASSERT_EQ(level.getNumberOfPVs(), 2);
    EXPECT_STREQ(level.getPVName(0), "x");
    EXPECT_STREQ(level.getPVName(1), "flag");
    EXPECT_EQ(level.pv_type, (std::vector<int>{3, 3}));
    EXPECT_EQ(pvValues(level), (std::vector<std::vector<double>>{{0, 1, 2, 3}, {1, 0, 0, 1}}));
    EXPECT_EQ(level.getFilesRead(), "a.tra, a.lab");
}

TEST(ChainStateLevel, PartitionsAreServedAndBlockAccessIsRefused)
{
    ChainModel m;
    m.num_states = 10;
    ChainStateLevel level(m);
    Partition p;
    p.num_requested = 4;
    level.getRowPartition(p);
    EXPECT_EQ(p.num_blocks, 4);
    EXPECT_EQ(std::vector<int>(p.bounds, p.bounds + 5), (std::vector<int>{0, 2, 5, 7, 10}));
    delete[] p.bounds;
    Partition q;
    q.num_requested = 1;
    level.getColPartition(q);
    EXPECT_EQ(std::vector<int>(q.bounds, q.bounds + 2), (std::vector<int>{0, 10}));
    delete[] q.bounds;
    Partition a, b;
    EXPECT_THROW(level.getSubMatrixPartition(a, b), AccessException);
    BaseStateLevel::EdgeBaseContainer* c;
    level.allocateSubMatrixContainer(c);
    EXPECT_THROW(level.getSubMatrix(0, 5, 0, 5, c), AccessException);
    level.deallocateSubMatrixContainer(c);
}

TEST(ChainStateLevel, ThePrismAndDrnFormsOfTheBundledQueueWalkLikeItsFlatFiles)
{
    std::string examples = std::string(VELMAR_EXAMPLES) + "/";
    std::string data = std::string(VELMAR_TEST_DATA) + "/";
    FlatStateLevel flat((examples + "mm1k").c_str());
    PrismStateLevel prism(data + "prism/queue");
    DrnStateLevel drn(data + "drn/queue");
    std::vector<Entry> edges = allEdgesOf(flat);
    std::vector<std::vector<double>> values = pvValues(flat);
    EXPECT_EQ(flat.getFilesRead(), "");
    for (ChainStateLevel* level : {(ChainStateLevel*)&prism, (ChainStateLevel*)&drn}) {
        EXPECT_EQ(allEdgesOf(*level), edges);
        EXPECT_EQ(allRows(*level), allRows(flat));
        EXPECT_EQ(pvValues(*level), values);
        ASSERT_EQ(level->getNumberOfPVs(), 2);
        EXPECT_STREQ(level->getPVName(0), "QueueLength");
        EXPECT_STREQ(level->getPVName(1), "ServerBusy");
        EXPECT_EQ(level->getInitialState(), 0);
    }
    EXPECT_EQ(prism.getFilesRead(), data + "prism/queue.tra, " + data + "prism/queue1.srew, " +
                                        data + "prism/queue2.srew");
    EXPECT_EQ(drn.getFilesRead(), data + "drn/queue.drn");
}

TEST(ChainStateLevel, InitialStateComesFromTheInitLabelOrIsStateZero)
{
    TempDir dir;
    dir.write("a.tra", "3 3\n0 1 1\n1 2 1\n2 0 1\n");
    EXPECT_EQ(PrismStateLevel(dir.file("a")).getInitialState(), 0);
    dir.write("a.lab", "0=\"init\" 1=\"deadlock\"\n2: 0\n1: 0\n");
    PrismStateLevel labelled(dir.file("a"));
    EXPECT_EQ(labelled.getInitialState(), 1);
    EXPECT_EQ(pvValues(labelled), (std::vector<std::vector<double>>{{0, 1, 1}, {0, 0, 0}}));
    std::string head = "@type: CTMC\n@nr_states\n3\n@model\n";
    dir.write("b.drn", head + "state 0\naction a\n1 : 1\nstate 1\naction a\n2 : 1\nstate 2 init\n"
                              "action a\n0 : 1\n");
    EXPECT_EQ(DrnStateLevel(dir.file("b")).getInitialState(), 2);
    dir.write("c.drn", head + "state 0\naction a\n1 : 1\nstate 1\naction a\n2 : 1\nstate 2\n"
                              "action a\n0 : 1\n");
    DrnStateLevel unlabelled(dir.file("c"));
    EXPECT_EQ(unlabelled.getInitialState(), 0);
    EXPECT_EQ(unlabelled.getNumberOfPVs(), 0);
}

TEST(ChainStateLevel, DrnPassesOverWhatItDoesNotUse)
{
    // comments anywhere, @value_type, line ends with carriage returns, an exit
    // rate that leaves out the self-loop, rewards on an action line: 7 per
    // firing at the sum of the state's rates, 1 + 4, added to the state reward
    TempDir dir;
    dir.write("a.drn", "// made by hand\r\n@type: CTMC\r\n@value_type: double\r\n@parameters\r\n"
                       "@reward_models\r\nr\r\n@nr_states\r\n2\r\n@nr_choices\r\n2\r\n@model\r\n"
                       "state 0 !1 [2.5] init\r\n\taction 0 [7]\r\n\t\t1 : 1\r\n\t\t0 : 4\r\n"
                       "// between states\r\nstate 1 !2.0000001 [0.5] \"done\"\r\n\taction x\r\n"
                       "\t\t0 : 2\r\n");
    DrnStateLevel level(dir.file("a"));
    EXPECT_EQ(allEdgesOf(level), (std::vector<Entry>{{0, 0, 4.0}, {1, 0, 2.0}, {0, 1, 1.0}}));
    ASSERT_EQ(level.getNumberOfPVs(), 3);
    EXPECT_STREQ(level.getPVName(0), "init");
    EXPECT_STREQ(level.getPVName(1), "done");
    EXPECT_STREQ(level.getPVName(2), "r");
    EXPECT_EQ(pvValues(level), (std::vector<std::vector<double>>{{1, 0}, {0, 1}, {37.5, 0.5}}));
    EXPECT_TRUE(level.input_warnings.empty());
}

TEST(ChainStateLevel, PrismReadsCommentsActionsBooleansAndNumberedRewards)
{
    TempDir dir;
    dir.write("a.tra", "3 4\n0 1 1.5 go\n1 2 2e0 go\n2 0 .5\n1 0 1\n");
    dir.write("a.sta", "(x,up)\n0:(-1,false)\n1:(0,true)\n2:(2.5,true)\n");
    dir.write("a1.srew", "# Reward structure \"cost\"\n# State rewards\n3 1\n2 4\n");
    dir.write("a2.srew", "3 2\n0 1\n1 1\n");
    PrismStateLevel level(dir.file("a"));
    EXPECT_EQ(allRows(level),
              (std::vector<Entry>{{0, 1, 1.5}, {1, 2, 2.0}, {1, 0, 1.0}, {2, 0, 0.5}}));
    std::vector<std::string> names;
    for (int p = 0; p < level.getNumberOfPVs(); ++p) names.push_back(level.getPVName(p));
    EXPECT_EQ(names, (std::vector<std::string>{"x", "up", "cost", "reward2"}));
    EXPECT_EQ(pvValues(level),
              (std::vector<std::vector<double>>{{-1, 0, 2.5}, {0, 1, 1}, {0, 0, 4}, {1, 1, 0}}));
    // a chain needs no action names, and the run says they are not used
    EXPECT_EQ(level.input_warnings,
              (std::vector<std::string>{"Warning: " + dir.file("a.tra") +
                                        ": the action names of 2 transition(s) are not used (a "
                                        "chain needs none)."}));
}
