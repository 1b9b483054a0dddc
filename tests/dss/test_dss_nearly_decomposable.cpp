// Nearly decomposable chains (parts that hardly interact, rare failures with slow repairs,
// transient states that drain slowly) through every method, against dense eliminations in
// long double and closed forms: every run that passes has every block's probability right,
// and the check fails a vector whose block masses are wrong.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "chain/BlockBalance.h"
#include "check/SolutionCheck.h"
#include "methods/Gth.h"
#include "tests/dss/dss_harness.h"
#include "tests/dss/methods_harness.h"
#include "tests/support/run_program.h"

namespace {

// A chain whose states fall into known blocks.
struct Blocks {
    int n = 0;
    Transitions t;
    std::vector<int> blockOf;
    std::string name;
};

// Adds a strongly connected block of m states with rates between 0.5 and 2.
int addBlock(Blocks& c, std::mt19937& gen, int m)
{
    std::uniform_real_distribution<double> rate(0.5, 2.0), unit(0.0, 1.0);
    const int first = c.n, id = c.blockOf.empty() ? 0 : c.blockOf.back() + 1;
    for (int a = 0; a < m; ++a) {
        c.blockOf.push_back(id);
        for (int b = 0; b < m; ++b)
            if (b == (a + 1) % m || (b != a && unit(gen) < 0.3)) c.t.emplace_back(first + a, first + b, rate(gen));
    }
    c.n += m;
    return first;
}

// The stationary vector by dense GTH in long double, transient states at 0.
std::vector<double> stationary(int n, const Transitions& t)
{
    return closedStationary(denseRates(makeGenerator(n, t)), true);
}

std::vector<double> blockMasses(const std::vector<double>& pi, const std::vector<int>& blockOf)
{
    std::vector<double> mass(*std::max_element(blockOf.begin(), blockOf.end()) + 1, 0.0);
    for (size_t i = 0; i < pi.size(); ++i) mass[blockOf[i]] += pi[i];
    return mass;
}

struct Solved {
    std::vector<double> pi;
    bool passed = false;
    std::string report;
};

// Solves c through the solver with -m method (none for lu, the default).
Solved solveWith(const Blocks& c, const std::string& method)
{
    std::vector<std::string> options;
    if (method != "lu") options = {"-m", method};
    Edges e;
    for (auto& [i, j, r] : c.t) e.push_back({i, j, r});
    DssRun run(c.n, e, options);
    testing::internal::CaptureStderr();
    run.solver->solveSystem();
    Solved s;
    s.pi = run.solver->solutionVector;
    s.passed = run.solver->record.check.passed;
    testing::internal::GetCapturedStderr();
    s.report = run.report();
    return s;
}

// Two, three and nested blocks coupled from 1e-4 to 1e-15, both ways and lopsided.
std::vector<Blocks> families()
{
    std::vector<Blocks> all;
    std::mt19937 gen(2207);
    for (double eps : {1e-4, 1e-8, 1e-12, 1e-15})
        for (double lopsided : {1.0, 37.0}) {
            Blocks c;
            int a = addBlock(c, gen, 6), b = addBlock(c, gen, 9);
            c.t.emplace_back(a + 2, b + 4, eps);
            c.t.emplace_back(b + 1, a + 5, eps * lopsided);
            c.name = "two blocks at " + std::to_string(eps) + " x" + std::to_string(lopsided);
            all.push_back(c);
        }
    for (double eps : {1e-6, 1e-13}) {
        Blocks c;
        int a = addBlock(c, gen, 8), b = addBlock(c, gen, 5), d = addBlock(c, gen, 11);
        c.t.emplace_back(a, b + 1, eps);
        c.t.emplace_back(b + 2, d + 3, 3 * eps);
        c.t.emplace_back(d + 7, a + 4, eps / 7);
        c.name = "three blocks in a ring at " + std::to_string(eps);
        all.push_back(c);
    }
    Blocks nested;  // pairs coupled at 1e-4 inside, the pairs at 1e-10
    int p[4];
    for (int& first : p) first = addBlock(nested, gen, 7);
    nested.t.emplace_back(p[0] + 1, p[1] + 2, 1e-4);
    nested.t.emplace_back(p[1] + 3, p[0], 2e-4);
    nested.t.emplace_back(p[2] + 1, p[3] + 2, 3e-4);
    nested.t.emplace_back(p[3] + 3, p[2], 1e-4);
    nested.t.emplace_back(p[1] + 5, p[2] + 5, 1e-10);
    nested.t.emplace_back(p[3] + 6, p[0] + 6, 4e-10);
    nested.name = "nested blocks at 1e-4 and 1e-10";
    all.push_back(nested);
    return all;
}

}  // namespace

TEST(NearlyDecomposable, EveryMethodGetsEveryBlockMassRight)
{
    for (const Blocks& c : families()) {
        std::vector<double> exact = stationary(c.n, c.t), want = blockMasses(exact, c.blockOf);
        for (const char* m : {"lu", "gth", "auto", "ilu", "gs"}) {
            Solved s = solveWith(c, m);
            ASSERT_TRUE(s.passed) << c.name << " -m " << m << "\n" << s.report;
            EXPECT_TRUE(statesAgree(blockMasses(s.pi, c.blockOf), want, 1e-8)) << c.name << " -m " << m << " (blocks)";
            EXPECT_TRUE(statesAgree(s.pi, exact, 1e-8)) << c.name << " -m " << m;
        }
    }
}

TEST(NearlyDecomposable, RareFailuresWithSlowRepairsStateByState)
{
    // K components fail at lambda each, one repairer at mu: pi_{k+1} / pi_k = lambda (K - k) / mu
    const int K = 30;
    for (double lambda : {1e-9, 1e-12}) {
        Blocks c;
        c.n = K + 1;
        std::vector<double> up, down;
        for (int k = 0; k < K; ++k) {
            up.push_back(lambda * (K - k));
            down.push_back(1e-2);
            c.t.emplace_back(k, k + 1, up.back());
            c.t.emplace_back(k + 1, k, down.back());
        }
        const std::vector<double> exact = birthDeathStationary(up, down);
        long double downTotal = 0.0L;
        for (int k = 1; k <= K; ++k) downTotal += exact[k];
        const double unavailability = (double)downTotal;
        for (const char* m : {"lu", "gth", "auto", "ilu", "gs"}) {
            Solved s = solveWith(c, m);
            ASSERT_TRUE(s.passed) << lambda << " -m " << m << "\n" << s.report;
            double unavailable = 0.0;
            for (int k = 1; k <= K; ++k) unavailable += s.pi[k];
            EXPECT_NEAR(unavailable / unavailability, 1.0, 1e-10) << lambda << " -m " << m;
            EXPECT_TRUE(statesAgree(s.pi, exact, 1e-10)) << lambda << " -m " << m;
        }
    }
}

TEST(NearlyDecomposable, TransientStatesDrainingSlowlyEndAtZero)
{
    std::mt19937 gen(5);
    for (double drain : {1e-8, 1e-14, 1e-20}) {
        Blocks c;
        int closed = addBlock(c, gen, 10), transient = addBlock(c, gen, 5);
        c.t.emplace_back(transient + 2, closed + 3, drain);
        std::vector<char> inClass(c.n, 0);
        for (int i = closed; i < closed + 10; ++i) inClass[i] = 1;
        std::vector<double> exact = stationary(c.n, c.t);
        for (int i = 0; i < c.n; ++i) ASSERT_EQ(exact[i] > 0.0, inClass[i] == 1) << drain << " state " << i;
        for (const char* m : {"lu", "gth", "auto", "ilu", "gs"}) {
            Solved s = solveWith(c, m);
            ASSERT_TRUE(s.passed) << drain << " -m " << m << "\n" << s.report;
            EXPECT_TRUE(statesAgree(s.pi, exact, 1e-9)) << drain << " -m " << m << "\n" << s.report;
        }
    }
    // three states whose absorbing one is reached at 1e-20: it holds all the probability
    Blocks absorbing;
    absorbing.n = 3;
    absorbing.t = {{0, 1, 1.0}, {1, 0, 1.0}, {1, 2, 1e-20}};
    for (const char* m : {"lu", "auto", "ilu", "gs"}) {
        Solved s = solveWith(absorbing, m);
        EXPECT_TRUE(s.passed) << m;
        EXPECT_EQ(s.pi, (std::vector<double>{0.0, 0.0, 1.0})) << m;
    }
}

TEST(BlockCheck, FailsBlockMassesThatEveryStateBalanceHides)
{
    std::mt19937 gen(11);
    Blocks c;
    int a = addBlock(c, gen, 6), b = addBlock(c, gen, 6);
    c.t.emplace_back(a + 1, b + 2, 1e-10);
    c.t.emplace_back(b + 3, a + 4, 4e-10);
    Generator q = makeGenerator(c.n, c.t);
    std::vector<double> exact = stationary(c.n, c.t);
    SolutionCheck right = checkSolution(q, exact, 1e-9);
    EXPECT_TRUE(right.passed) << right.failure;
    EXPECT_EQ(right.blocks, 2);
    EXPECT_LT(right.blockImbalance, 1e-12);
    EXPECT_GT(right.coupling, 1e-12);
    EXPECT_LT(right.coupling, 1e-9);
    EXPECT_NE(checkReportLine(right).find("over 2 blocks; nearly decomposable: blocks coupled at "), std::string::npos)
        << checkReportLine(right);
    // each block keeps its own distribution, the blocks' masses are swapped: every state balances
    // to within the couplings, the blocks are off by orders of magnitude
    std::vector<double> mass = blockMasses(exact, c.blockOf), swapped(exact);
    for (int i = 0; i < c.n; ++i) swapped[i] *= mass[1 - c.blockOf[i]] / mass[c.blockOf[i]];
    SolutionCheck wrong = checkSolution(q, swapped, 1e-9);
    EXPECT_LE(wrong.imbalance, 1e-9);
    EXPECT_FALSE(wrong.passed);
    EXPECT_STREQ(wrong.failure, "the balance of a block of states is off by more than the bound");
    EXPECT_GT(wrong.blockImbalance, 0.5);
    // a chain held together by its fast transitions does not split
    Generator ring = makeGenerator(4, {{0, 1, 1.0}, {1, 2, 2.0}, {2, 3, 1.0}, {3, 0, 0.5}});
    EXPECT_FALSE(findBlockLevels(ring).split());
}

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

TEST(Gth, AnswersRatesHundredsOfDecadesApart)
{
    // the cycle 0 -> 1 -> 2 -> 0: pi_i proportional to 1 / (rate out of i)
    for (const auto& rates : std::vector<std::vector<double>>{{1e300, 1.0, 1e-300}, {1e-300, 2e-300, 3e-300},
                                                              {1e300, 2e300, 3e300}, {1e-150, 1e150, 7.0}}) {
        Blocks c;
        c.n = 3;
        c.t = {{0, 1, rates[0]}, {1, 2, rates[1]}, {2, 0, rates[2]}};
        const std::vector<double> want = cycleStationary(rates);
        for (const char* m : {"lu", "gth", "auto"}) {
            Solved s = solveWith(c, m);
            ASSERT_TRUE(s.passed) << rates[0] << " -m " << m << "\n" << s.report;
            EXPECT_TRUE(statesAgree(s.pi, want, 1e-13)) << rates[0] << " -m " << m;
        }
    }
}

TEST(NearlyDecomposable, TheBenchmarksGeneratedChainsThroughTheProgram)
{
    // four blocks of 100 states joined at 1e-10: the distribution of the block in the CSV
    // (full precision) against the long-double elimination of the chain as written
    TempDir dir;
    ASSERT_EQ(run_program(SSGEN_BINARY, {"ncd", "400", "4", "1e-10", "5", dir.file("ncd")}).status, 0);
    std::istringstream arm(DssRun::slurp(dir.file("ncd.arm")));
    int initial = 0, n = 0;
    arm >> initial >> n;
    Transitions t;
    for (int s = 0, number, j; s < n && arm >> number;) {
        double r;
        while (arm >> j && j != 0 && arm >> r) t.emplace_back(number - 1, j - 1, r);
        ++s;
    }
    std::vector<int> blockOf(n);
    for (int i = 0; i < n; ++i) blockOf[i] = i / 100;
    std::vector<double> want = blockMasses(stationary(n, t), blockOf);
    for (const char* m : {"lu", "gth", "auto", "ilu", "gs"}) {
        std::vector<std::string> args = {"-P", "p", "-S", "s", "-E", "ncd", "-G", dir.dir(), "-s", dir.dir(),
                                         "-o", dir.file("r.txt"), "-f"};
        if (std::string(m) != "lu") args.insert(args.end(), {"-m", m});
        ProgramResult r = run_program(DSS_BINARY, args);
        ASSERT_EQ(r.status, 0) << m << r.err;
        std::istringstream csv(DssRun::slurp(dir.file("r.csv")));
        std::string line;
        std::vector<double> got;
        while (std::getline(csv, line) && got.size() < 4)
            if (line.rfind("Dist,", 0) == 0) got.push_back(std::stod(line.substr(line.find(',', 5) + 1)));
        EXPECT_TRUE(statesAgree(got, want, 1e-9)) << m;
    }
}
