// The closed classes and transient states of a chain, found without recursion: rings numbered
// at random, a deep path into a large ring, and the search through the blocks of fast
// transitions against the search through every rate.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "chain/BlockBalance.h"
#include "chain/ChainStructure.h"
#include "chain/ClosedClasses.h"
#include "chain/Generator.h"
#include "tests/support/MemoryStateLevel.h"

namespace {

using Edges = std::vector<MemoryStateLevel::Entry>;

}  // namespace

// A ring numbered at random is one class; cut open, its last state alone is closed.
TEST(ClosedClassSearch, RingsNumberedAtRandomAreOneClass)
{
    // numbered at random, the ring takes many passes of the quick test: the components decide
    std::mt19937 gen(9);
    for (int n : {2, 7, 3000}) {
        std::vector<int> order(n);
        for (int i = 0; i < n; ++i) order[i] = i;
        std::shuffle(order.begin(), order.end(), gen);
        Edges e;
        for (int k = 0; k < n; ++k) e.push_back({order[k], order[(k + 1) % n], 1.0 + k % 3});
        MemoryStateLevel level(n, e);
        Generator ring = readGenerator(level);
        ClosedClasses c = findClosedClasses(ring);
        ASSERT_EQ(c.count(), 1) << n;
        EXPECT_EQ(c.size[0], n);
        EXPECT_EQ(c.transient, 0);
        // cut it open: the last state alone is closed, the rest lead to it
        e.pop_back();
        MemoryStateLevel pathLevel(n, e);
        ClosedClasses p = findClosedClasses(readGenerator(pathLevel));
        ASSERT_EQ(p.count(), 1) << n;
        EXPECT_EQ(p.size[0], 1);
        EXPECT_EQ(p.classOf[order[n - 1]], 0);
        EXPECT_EQ(p.transient, n - 1);
    }
}

// The classes found through the blocks of fast transitions are those of the search through
// every rate, on reducible chains whose rates span twelve decades (so that blocks, classes
// and transient states cut across each other); the components stay in topological order.
TEST(ClosedClassSearch, TheSearchThroughTheBlocksFindsTheSameClasses)
{
    std::mt19937 gen(4242);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    int split = 0;
    for (int trial = 0; trial < 40; ++trial) {
        const int n = 2 + (int)(unit(gen) * 300);
        Edges e;
        for (int i = 0; i < n; ++i)
            for (int k = 0; k < 1 + trial % 3; ++k)
                if (unit(gen) < 0.9) e.push_back({i, (int)(unit(gen) * n), std::pow(10.0, -6.0 + 12.0 * unit(gen))});
        MemoryStateLevel level(n, e);
        Generator q = readGenerator(level);
        ClosedClasses want = findClosedClasses(q);
        ChainStructure got = findChainStructure(q);
        split += got.blocks.split();
        ASSERT_EQ(got.classes.count(), want.count()) << trial;
        EXPECT_EQ(got.classes.size, want.size) << trial;
        EXPECT_EQ(got.classes.classOf, want.classOf) << trial;
        EXPECT_EQ(got.classes.transient, want.transient) << trial;
        BlockLevels levels = findBlockLevels(q);
        EXPECT_EQ(got.blocks.finest, levels.finest) << trial;
        EXPECT_EQ(got.blocks.count, levels.count) << trial;
        // same components, and no rate leads to a component of a higher number
        for (int i = 0; i < n; ++i)
            for (int64_t p = q.start[i]; p < q.start[i + 1]; ++p) {
                const int j = q.target[p];
                if (!(q.rate[p] > 0.0)) continue;
                EXPECT_LE(got.classes.component[j], got.classes.component[i]) << trial;
                EXPECT_EQ(got.classes.component[i] == got.classes.component[j],
                          want.component[i] == want.component[j]) << trial;
            }
    }
    EXPECT_GT(split, 20);
}

// A path of a million transient states into a ring of a million: one closed class, found
// without recursion, the components numbered in a topological order.
TEST(ClosedClassSearch, DeepPathIntoALargeRing)
{
    const int half = 1000000, n = 2 * half;
    Edges e;
    for (int i = 0; i + 1 < n; ++i) e.push_back({i, i + 1, 1.0});
    e.push_back({n - 1, half, 1.0});
    e.push_back({half - 1, 0, 0.0});  // a zero rate connects nothing
    MemoryStateLevel level(n, e);
    Generator q = readGenerator(level);
    ClosedClasses c = findClosedClasses(q);
    ASSERT_EQ(c.count(), 1);
    EXPECT_EQ(c.size[0], half);
    EXPECT_EQ(c.transient, half);
    EXPECT_EQ(c.classOf[half - 1], -1);
    EXPECT_EQ(c.classOf[n - 1], 0);
    for (int i = 0; i + 1 < half; ++i) ASSERT_GT(c.component[i], c.component[i + 1]) << i;
    EXPECT_EQ(c.component[half], c.component[n - 1]);
}
