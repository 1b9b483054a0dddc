// The model generators: state counts against the published ones, the files they write.
#include <gtest/gtest.h>

#include <fstream>

#include "tools/models/FlatWriter.h"
#include "tools/models/Kanban.h"
#include "tools/models/Polling.h"
#include "tests/support/TempDir.h"

TEST(ModelGenerators, KanbanLineHasThePublishedStateCounts)
{
    EXPECT_EQ(exploreKanban(1).codes.size(), 160u);
    EXPECT_EQ(exploreKanban(2).codes.size(), 4600u);
    EXPECT_EQ(exploreKanban(3).codes.size(), 58400u);
    EXPECT_TRUE(exploreKanban(0).codes.empty());
    EXPECT_TRUE(exploreKanban(kanbanMaxTokens + 1).codes.empty());
}

TEST(ModelGenerators, PollingSystemCountsEveryQueueAndServerState)
{
    // walking: (K+1)^Q per position; serving: K (K+1)^(Q-1) per position
    EXPECT_EQ(pollingStates({3, 5, 0.3, 1.0, 5.0}), 3 * (216 + 5 * 36));
    EXPECT_EQ(pollingStates({1, 4, 0.3, 1.0, 5.0}), 5 + 4);
    EXPECT_EQ(pollingStates({40, 40, 0.3, 1.0, 5.0}), -1);
}

TEST(ModelGenerators, FilesReadBackAsWritten)
{
    TempDir scratch;
    const std::string dir = scratch.path;
    std::string error;
    ASSERT_TRUE(writeKanbanFiles(exploreKanban(1), dir + "/k", error)) << error;
    std::ifstream arm(dir + "/k.arm");
    long initial = 0, states = 0, first = 0;
    arm >> initial >> states >> first;
    EXPECT_EQ(initial, 1);
    EXPECT_EQ(states, 160);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(shortestText(0.84), "0.84");
    EXPECT_EQ(shortestText(0.1 + 0.2), "0.30000000000000004");
    EXPECT_FALSE(writeKanbanFiles(exploreKanban(1), dir + "/missing/k", error));
    EXPECT_NE(error.find("cannot create " + dir + "/missing/k.arm: No such file or directory"), std::string::npos)
        << error;
}
