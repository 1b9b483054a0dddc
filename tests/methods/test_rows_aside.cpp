// A chain's rows set aside during the sweeps come back from the packed transposed system bit
// for bit, whatever form its values take; rows the packed form cannot give back (zero rates,
// repeated or unsorted targets) are never let go; and Gauss-Seidel allowed to set the rows
// aside gives the very answer and check it gives without, and leaves the chain as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "methods/Methods.h"
#include "methods/PackedRows.h"
#include "methods/RowsAside.h"
#include "tests/support/GeneratorChains.h"

namespace {

uint64_t bitsOf(double v)
{
    uint64_t u;
    std::memcpy(&u, &v, sizeof u);
    return u;
}

::testing::AssertionResult sameChain(const Generator& a, const Generator& b)
{
    if (a.n != b.n || a.start != b.start || a.target != b.target || a.rate.size() != b.rate.size())
        return ::testing::AssertionFailure() << "the structure differs";
    for (size_t k = 0; k < a.rate.size(); ++k)
        if (bitsOf(a.rate[k]) != bitsOf(b.rate[k])) return ::testing::AssertionFailure() << "rate " << k;
    for (int i = 0; i < a.n; ++i)
        if (bitsOf(a.exitRate[i]) != bitsOf(b.exitRate[i])) return ::testing::AssertionFailure() << "exit " << i;
    return ::testing::AssertionSuccess();
}

// The chain with every row's targets in increasing order, as the chain is read.
Generator sortedChain(int n, Transitions t)
{
    std::sort(t.begin(), t.end());
    return makeGenerator(n, t);
}

// A random irreducible chain whose rates are drawn from `values` distinct ones (0: any).
Generator randomChain(std::mt19937& gen, int n, int extra, int values)
{
    Transitions t = randomTransitions(gen, n, extra, 6.0);
    if (values > 0)
        for (auto& e : t) std::get<2>(e) = 0.25 + (double)(gen() % (unsigned)values);
    return sortedChain(n, t);
}

}  // namespace

TEST(RowsAside, RowsComeBackBitForBitInEachFormOfTheValues)
{
    std::mt19937 gen(5);
    // one-byte codes, two-byte codes, plain doubles; and a state without exits
    const struct {
        int n, extra, values;
    } cases[] = {{300, 3, 5}, {3000, 4, 2000}, {30000, 3, 0}};
    for (const auto& c : cases) {
        Generator q = randomChain(gen, c.n, c.extra, c.values);
        const Generator copy = q;
        const PackedRows p = packTransposed(q);
        ASSERT_TRUE(rowsComeBack(q));
        {
            RowsAside aside(&q, p);
            EXPECT_TRUE(aside.aside());
            EXPECT_TRUE(q.target.empty() && q.rate.empty());
            aside.giveBack();
            EXPECT_FALSE(aside.aside());
            EXPECT_TRUE(sameChain(q, copy)) << c.n << " states";
        }
        EXPECT_TRUE(sameChain(q, copy)) << "given back once only, " << c.n << " states";
        {
            RowsAside aside(&q, p);  // given back when it ends
        }
        EXPECT_TRUE(sameChain(q, copy)) << c.n << " states";
    }
    Generator absorbing = makeGenerator(4, {{0, 1, 1.0}, {1, 3, 2.0}, {2, 3, 0.5}});
    const Generator copy = absorbing;
    RowsAside(&absorbing, packTransposed(absorbing)).giveBack();
    EXPECT_TRUE(sameChain(absorbing, copy));
}

TEST(RowsAside, RowsThePackedFormCannotGiveBackAreKept)
{
    std::mt19937 gen(9);
    Transitions t = randomTransitions(gen, 200, 3, 4.0);
    std::get<2>(t[17]) = 0.0;  // a zero rate: the packed form leaves it out
    Generator zero = sortedChain(200, t);
    // a repeated target, and targets out of order
    Generator repeated = makeGenerator(3, {{0, 1, 1.0}, {0, 1, 2.0}, {1, 2, 1.0}, {2, 0, 1.0}});
    Generator unsorted = makeGenerator(3, {{0, 2, 1.0}, {0, 1, 2.0}, {1, 2, 1.0}, {2, 0, 1.0}});
    for (Generator* q : {&zero, &repeated, &unsorted}) {
        EXPECT_FALSE(rowsComeBack(*q));
        const Generator copy = *q;
        RowsAside aside(q, packTransposed(*q));
        EXPECT_FALSE(aside.aside());
        EXPECT_TRUE(sameChain(*q, copy));
    }
    Generator sorted = makeGenerator(3, {{0, 1, 2.0}, {0, 2, 1.0}, {1, 2, 1.0}, {2, 0, 1.0}});
    EXPECT_TRUE(rowsComeBack(sorted));
}

TEST(RowsAside, GaussSeidelLendingTheRowsGivesTheSameAnswerAndCheck)
{
    std::mt19937 gen(23);
    // irreducible chains of few and of many rates, in one and two threads, against dense GTH;
    // a chain with a zero rate, whose rows stay; and one with transient states, whose closed
    // class is solved as a chain of its own (never lent)
    for (int round = 0; round < 4; ++round) {
        Transitions t = randomTransitions(gen, 400, 3, round == 1 ? 8.0 : 2.0);
        if (round == 0)
            for (auto& e : t) std::get<2>(e) = 0.5 + (double)(gen() % 4u);
        if (round == 2) std::get<2>(t[40]) = 0.0;
        int transient = 0;
        if (round == 3) {  // states 0..9 lead into the rest and are never entered again
            transient = 10;
            Transitions kept;
            bool closing = false;  // the cycle through the rest closed at 10
            for (auto& e : t) {
                if (std::get<0>(e) >= transient && std::get<1>(e) < transient) continue;
                closing = closing || (std::get<0>(e) == 399 && std::get<1>(e) == transient);
                kept.push_back(e);
            }
            if (!closing) kept.emplace_back(399, transient, 1.0);
            t = kept;
        }
        Generator q = sortedChain(400, t);
        const Generator copy = q;
        EXPECT_EQ(rowsComeBack(q), round != 2) << "round " << round;
        for (int threads : {1, 2}) {
            MethodSettings plain;
            plain.threads = threads;
            plain.closedClasses = 1;
            plain.transientStates = transient;
            MethodSettings lending = plain;
            lending.lendable = &q;
            std::vector<double> want, got;
            SolveAttempt a, b;
            ASSERT_TRUE(makeMethod("gs", plain)->solve(copy, want, a)) << a.note;
            ASSERT_TRUE(makeMethod("gs", lending)->solve(q, got, b)) << b.note;
            EXPECT_TRUE(sameChain(q, copy)) << "round " << round;
            ASSERT_EQ(got.size(), want.size());
            for (size_t i = 0; i < got.size(); ++i) ASSERT_EQ(bitsOf(got[i]), bitsOf(want[i])) << i;
            EXPECT_EQ(a.iterations, b.iterations);
            EXPECT_TRUE(b.check.passed) << b.check.failure;
            EXPECT_EQ(bitsOf(a.check.residual), bitsOf(b.check.residual));
            EXPECT_EQ(bitsOf(a.check.imbalance), bitsOf(b.check.imbalance));
            if (transient == 0) {
                EXPECT_TRUE(statesAgree(got, denseGth(copy), 1e-7)) << "round " << round;
            } else {
                for (int i = 0; i < transient; ++i) EXPECT_EQ(got[i], 0.0);
            }
        }
    }
}
