// Processor time split into user and system time, the peak memory, and the count of
// transitions the report states.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include "framework/RunFigures.h"
#include "statelevel/TransitionCount.h"
#include "tests/support/MemoryStateLevel.h"
#include "tests/support/run_program.h"

TEST(RunFigures, SystemCallsAreAccountedAsSystemTimeAndWorkAsUserTime)
{
    ProcessUsage before = processUsage();
    int fd = open("/dev/null", O_WRONLY);
    ASSERT_GE(fd, 0);
    char byte = 0;
    for (int i = 0; i < 300000; ++i)
        if (write(fd, &byte, 1) != 1) break;
    close(fd);
    volatile double sink = 0.0;
    for (int i = 0; i < 30000000; ++i) sink = sink + 1e-9 * i;
    ProcessUsage after = processUsage();
    EXPECT_GT(after.systemSeconds, before.systemSeconds);
    EXPECT_GT(after.userSeconds, before.userSeconds);
    // a 64 MiB block touched page by page shows in the peak
    std::vector<char> block(64 << 20, 1);
    EXPECT_GE(processUsage().peakKiB, 64 << 10);
    EXPECT_EQ(block[12345], 1);
}

TEST(RunFigures, TransitionsCountDistinctPairsAndLeaveOutSelfLoops)
{
    // 0->1 twice, 1->1 a self-loop, 1->0, 2->0, 0->2: four transitions
    MemoryStateLevel level(3, {{0, 1, 1.0}, {1, 1, 5.0}, {0, 1, 2.0}, {1, 0, 1.0}, {2, 0, 1.0},
                               {0, 2, 1.0}});
    EXPECT_EQ(countTransitions(level), 4);
    MemoryStateLevel empty(2, {});
    EXPECT_EQ(countTransitions(empty), 0);
}

// Computation time is the sum of user and system time, all three from the operating system.
TEST(RunFigures, ReportStatesTheChainAndTheTimeSplit)
{
    TempDir dir;
    ProgramResult r = run_program(DSS_BINARY, {"-P", "p", "-S", "s", "-E", "tandem", "-G",
                                               std::string(VELMAR_EXAMPLES) + "/", "-s",
                                               dir.dir()});
    ASSERT_EQ(r.status, 0) << r.err;
    std::smatch m;
    std::regex times("Computation Time \\(seconds\\): ([0-9.]+)\nUser Time \\(seconds\\): "
                     "([0-9.]+)\nSystem Time \\(seconds\\): ([0-9.]+)\nStates: ([0-9]+)\n"
                     "Transitions: ([0-9]+)\nPeak Memory \\(MiB\\): ([0-9.]+)\n");
    ASSERT_TRUE(std::regex_search(r.out, m, times)) << r.out;
    EXPECT_NEAR(std::stod(m[1]), std::stod(m[2]) + std::stod(m[3]), 2e-6);
    EXPECT_GT(std::stod(m[6]), 0.5);
    // the bundled tandem model: its .arm file's own header and edge count
    FILE* arm = fopen((std::string(VELMAR_EXAMPLES) + "/tandem.arm").c_str(), "r");
    ASSERT_NE(arm, nullptr);
    int initial = 0, states = 0;
    ASSERT_EQ(fscanf(arm, "%d %d", &initial, &states), 2);
    long edges = 0;
    int state = 0, target = 0;
    double rate = 0.0;
    while (fscanf(arm, "%d", &state) == 1)
        while (fscanf(arm, "%d", &target) == 1 && target != 0 && fscanf(arm, "%lf", &rate) == 1)
            ++edges;
    fclose(arm);
    EXPECT_EQ(std::stoi(m[4]), states);
    EXPECT_EQ(std::stol(m[5]), edges);
}
