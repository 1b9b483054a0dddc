// The aggregates of multilevel aggregation and the chain of aggregates they make, against
// properties the exact stationary vector must give them.
#include <gtest/gtest.h>

#include <random>

#include "methods/CoarseChain.h"
#include "tests/support/GeneratorChains.h"

namespace {

// The chain's balance system by target, as the method holds it.
PackedRows byTarget(const Generator& q) { return packTransposed(q); }

}  // namespace

TEST(Aggregation, EveryStateInOneAggregateOfItsStrongNeighbours)
{
    // a line: aggregates are runs of neighbours, two or three states each (the last state
    // may join the run before it)
    Generator q = birthDeathGenerator(300, 1.0, 2.0);
    std::vector<double> x(q.n, 1.0);
    Aggregates agg = aggregateByStrength(byTarget(q), x, 0.25);
    ASSERT_EQ((int)agg.of.size(), q.n);
    std::vector<int> size(agg.count, 0);
    for (int i = 0; i < q.n; ++i) {
        ASSERT_GE(agg.of[i], 0);
        ASSERT_LT(agg.of[i], agg.count);
        ++size[agg.of[i]];
        if (i > 0) {
            EXPECT_LE(std::abs(agg.of[i] - agg.of[i - 1]), 1) << "state " << i;
        }
    }
    for (int k = 0; k < agg.count; ++k) {
        EXPECT_GE(size[k], 2) << "aggregate " << k;
        EXPECT_LE(size[k], 4) << "aggregate " << k;
    }
    // the members list holds each state once, by aggregate
    AggregateMembers m = membersOf(agg);
    ASSERT_EQ(m.start.back(), q.n);
    for (int k = 0; k < agg.count; ++k)
        for (int p = m.start[k]; p < m.start[k + 1]; ++p) EXPECT_EQ(agg.of[m.members[p]], k);
}

TEST(Aggregation, WeakFlowsDoNotJoinStates)
{
    // pairs (2k, 2k+1) tied at rate 1, the pairs joined in a ring at 1e-3: the flows between
    // pairs are far below the threshold, so every aggregate is one pair
    Transitions t;
    const int pairs = 50;
    for (int k = 0; k < pairs; ++k) {
        t.emplace_back(2 * k, 2 * k + 1, 1.0);
        t.emplace_back(2 * k + 1, 2 * k, 1.0);
        t.emplace_back(2 * k + 1, (2 * k + 2) % (2 * pairs), 1e-3);
    }
    Generator q = makeGenerator(2 * pairs, t);
    Aggregates agg = aggregateByStrength(byTarget(q), std::vector<double>(q.n, 1.0), 0.25);
    EXPECT_EQ(agg.count, pairs);
    for (int k = 0; k < pairs; ++k) EXPECT_EQ(agg.of[2 * k], agg.of[2 * k + 1]) << "pair " << k;
}

TEST(CoarseChain, TheExactVectorIsAFixedPoint)
{
    // with x the stationary vector, every aggregate's flows balance: the chain of aggregates
    // has a constant stationary vector, and its exit rates are the flows out of each aggregate
    std::mt19937 gen(31);
    for (int round = 0; round < 6; ++round) {
        const int n = 60 + (int)(gen() % 200);
        Generator q = makeGenerator(n, randomTransitions(gen, n, 2 + round % 3, round % 2 ? 6.0 : 2.0));
        const std::vector<double> exact = denseGth(q);
        PackedRows a = byTarget(q);
        Aggregates agg = aggregateByStrength(a, exact, 0.25);
        ASSERT_GE(agg.count, 2);
        PackedRows c = coarseSystem(a, exact, agg, membersOf(agg));
        ASSERT_EQ(c.n, agg.count);
        // exit rates: the flows out of each aggregate into the others
        std::vector<double> out(c.n, 0.0);
        for (int i = 0; i < n; ++i)
            for (int64_t p = q.start[i]; p < q.start[i + 1]; ++p)
                if (agg.of[q.target[p]] != agg.of[i]) out[agg.of[i]] += exact[i] * q.rate[p];
        for (int k = 0; k < c.n; ++k) EXPECT_NEAR(-c.diagonal[k] / out[k], 1.0, 1e-12) << "aggregate " << k;
        std::vector<double> y = smallStationary(c);
        ASSERT_EQ((int)y.size(), c.n);
        EXPECT_TRUE(statesAgree(y, std::vector<double>(c.n, 1.0 / c.n), 1e-11)) << "round " << round;
    }
}

TEST(CoarseChain, SmallStationaryMatchesADenseSolveAndRefusesTwoClasses)
{
    std::mt19937 gen(4);
    Generator q = makeGenerator(120, randomTransitions(gen, 120, 3, 8.0));
    EXPECT_TRUE(statesAgree(smallStationary(byTarget(q)), denseGth(q), 1e-12));
    Generator two = makeGenerator(4, {{0, 1, 1.0}, {1, 0, 1.0}, {2, 3, 1.0}, {3, 2, 1.0}});
    EXPECT_TRUE(smallStationary(byTarget(two)).empty());
}
