// The test state level walks like a real one: column order for all edges.
#include <gtest/gtest.h>

#include "tests/support/MemoryStateLevel.h"

TEST(MemoryStateLevel, AllEdgesComeGroupedByDestination)
{
    MemoryStateLevel level(3, {{0, 1, 0.5}, {0, 2, 1.0}, {1, 0, 2.0}});
    BaseStateLevel::EdgeBaseContainer* c;
    BaseStateLevel::EdgeBaseIterator* it;
    level.allocateAllEdgesContainer(c);
    level.allocateAllEdgesIterator(it);
    level.getAllEdges(c);
    EdgeBuffer b;
    std::vector<std::tuple<int, int, double>> seen;
    for (c->begin(it, b); !b.at_end; it->next(b)) seen.emplace_back(b.row, b.col, b.rate);
    level.deallocateAllEdgesIterator(it);
    level.deallocateAllEdgesContainer(c);
    std::vector<std::tuple<int, int, double>> want = {{1, 0, 2.0}, {0, 1, 0.5}, {0, 2, 1.0}};
    EXPECT_EQ(seen, want);
}
