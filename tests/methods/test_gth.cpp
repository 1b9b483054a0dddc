// gth: its factors against dense elimination in long double, state by state, its budget and
// its refusal of several closed classes, and its error estimate against errors made on purpose.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "methods/Gth.h"
#include "tests/support/BlockChains.h"

TEST(Gth, MatchesDenseEliminationStateByStateOnRandomChains)
{
    std::mt19937 gen(31);
    for (int trial = 0; trial < 60; ++trial) {
        const int n = 2 + trial * 3;
        Transitions t = randomTransitions(gen, n, 1 + trial % 4, 12.0);
        Generator q = makeGenerator(n, t);
        std::vector<double> exact = stationary(n, t);
        std::vector<int64_t> start(q.start.begin(), q.start.end());
        GthFactors f;
        ASSERT_EQ(gthFactorise(n, start, q.target, q.rate, 0, f), GthOutcome::done) << trial;
        EXPECT_TRUE(statesAgree(gthSolve(f), exact, 1e-12)) << "n = " << n;
        if (n > 100) {  // a budget below the chain's own entries is passed at once
            GthFactors g;
            EXPECT_EQ(gthFactorise(n, start, q.target, q.rate, n / 2, g), GthOutcome::overBudget);
        }
    }
    // two closed classes: the elimination cannot go on
    Generator two = makeGenerator(4, {{0, 1, 1.0}, {1, 0, 1.0}, {2, 3, 1.0}, {3, 2, 1.0}});
    std::vector<int64_t> start(two.start.begin(), two.start.end());
    GthFactors f;
    EXPECT_EQ(gthFactorise(4, start, two.target, two.rate, 0, f), GthOutcome::stuck);
}

// The error estimate against errors made on purpose, the answer being known: noise in every
// state, and mass moved between blocks that hardly exchange any (which no state's residual
// shows). Each is seen to within a few per cent where it stands above the floor that the
// coupling sets (the estimate of gth's own answer), and never underestimated.
TEST(Gth, ErrorEstimateSeesTheErrorsMadeOnPurpose)
{
    std::mt19937 gen(77);
    std::vector<Blocks> chains = families();
    for (int trial = 0; trial < 6; ++trial) {
        Blocks c;
        c.n = 20 + 15 * trial;
        c.t = randomTransitions(gen, c.n, 2, 8.0);
        c.blockOf.assign(c.n, 0);
        for (int i = c.n / 2; i < c.n; ++i) c.blockOf[i] = 1;
        c.name = "random " + std::to_string(c.n);
        chains.push_back(c);
    }
    std::uniform_real_distribution<double> sign(-1.0, 1.0);
    int measured = 0;
    for (const Blocks& c : chains) {
        Generator q = makeGenerator(c.n, c.t);
        std::vector<int64_t> start(q.start.begin(), q.start.end());
        GthFactors f;
        ASSERT_EQ(gthFactorise(c.n, start, q.target, q.rate, 0, f), GthOutcome::done) << c.name;
        const std::vector<double> exact = stationary(c.n, c.t);
        const double floor = gthErrorEstimate(f, start, q.target, q.rate, gthSolve(f));
        ASSERT_GE(floor, 0.0) << c.name;
        ASSERT_LT(floor, 1e-2) << c.name;
        std::vector<double> noisy(exact), moved(exact);
        for (double& p : noisy) p *= 1.0 + 1e-6 * sign(gen);
        // 1e-3 of the mass of block 0 goes to the other blocks, in proportion to their states
        double m0 = 0.0;
        for (int i = 0; i < c.n; ++i) m0 += c.blockOf[i] == 0 ? exact[i] : 0.0;
        for (int i = 0; i < c.n; ++i) moved[i] *= c.blockOf[i] == 0 ? 1.0 - 1e-3 : 1.0 + 1e-3 * m0 / (1.0 - m0);
        for (const std::vector<double>* x : {&noisy, &moved}) {
            double sum = 0.0, error = 0.0;
            for (double p : *x) sum += p;
            for (int i = 0; i < c.n; ++i) error += std::fabs((*x)[i] - exact[i] * sum);
            error /= sum;
            const double estimate = gthErrorEstimate(f, start, q.target, q.rate, *x);
            const std::string what = c.name + (x == &noisy ? " noise" : " moved mass");
            EXPECT_GE(estimate, 0.95 * error) << what;
            if (error < 100.0 * floor) continue;
            ++measured;
            EXPECT_NEAR(estimate / error, 1.0, 0.05) << what;
        }
    }
    EXPECT_GE(measured, 24);
}
