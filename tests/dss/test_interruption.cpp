// A solve asked to stop at its interruption points unwinds with SolveInterrupted, under every
// method, and leaves nothing that changes the next solve: with the poll removed the same chain
// solves to its closed form.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dss/ChainSolver.h"
#include "framework/Interruption.h"
#include "tests/support/MemoryStateLevel.h"
#include "tests/support/Oracle.h"

namespace {

int pollsLeft = 0;  // the poll says stop once this many calls have been made
int pollCalls = 0;

bool stopAfterSome()
{
    ++pollCalls;
    return --pollsLeft < 0;
}

// A birth-death chain of n states with rates that differ from state to state.
MemoryStateLevel birthDeathLevel(int n, std::vector<double>& up, std::vector<double>& down)
{
    std::vector<MemoryStateLevel::Entry> edges;
    up.clear();
    down.clear();
    for (int i = 0; i + 1 < n; ++i) {
        up.push_back(3.0 + i % 3);
        down.push_back(3.0 + i % 5);
        edges.push_back({i, i + 1, up.back()});
        edges.push_back({i + 1, i, down.back()});
    }
    return MemoryStateLevel(n, edges);
}

std::vector<double> solveWith(MemoryStateLevel& level, const std::string& method)
{
    ChainSolver solver(&level);
    solver.method = method;
    solver.methodGiven = true;
    solver.allocateStateArrays();
    solver.solveSystem();
    EXPECT_TRUE(solver.record.check.passed) << method;
    return solver.solutionVector;
}

}  // namespace

TEST(Interruption, EveryMethodStopsWhenAskedAndSolvesAfterwards)
{
    std::vector<double> up, down;
    MemoryStateLevel level = birthDeathLevel(2500, up, down);
    const std::vector<double> want = birthDeathStationary(up, down);
    // the check judges a state's balance on its own down to 1e-5 of the busiest state's flow
    const double floor = normwiseFloor(want, 1e-5);
    for (const char* method : {"lu", "gth", "ilu", "gs", "mla", "auto"}) {
        pollsLeft = 5;
        pollCalls = 0;
        InterruptPoll before = setInterruptPoll(stopAfterSome);
        EXPECT_EQ(before, nullptr);
        EXPECT_THROW(solveWith(level, method), SolveInterrupted) << method;
        EXPECT_EQ(pollCalls, 6) << method << ": the first point after the poll said stop throws";
        EXPECT_EQ(setInterruptPoll(nullptr), stopAfterSome);
        EXPECT_TRUE(statesAgree(solveWith(level, method), want, 1e-7, floor)) << method;
    }
}

TEST(Interruption, APollThatNeverSaysStopChangesNothing)
{
    std::vector<double> up, down;
    MemoryStateLevel level = birthDeathLevel(500, up, down);
    const std::vector<double> plain = solveWith(level, "lu");
    pollsLeft = 1 << 30;
    pollCalls = 0;
    setInterruptPoll(stopAfterSome);
    const std::vector<double> polled = solveWith(level, "lu");
    setInterruptPoll(nullptr);
    EXPECT_GT(pollCalls, 0);
    ASSERT_EQ(polled.size(), plain.size());
    for (size_t i = 0; i < plain.size(); ++i) EXPECT_EQ(polled[i], plain[i]) << "state " << i;
}
