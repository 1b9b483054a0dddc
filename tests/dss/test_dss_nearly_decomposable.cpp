// Nearly decomposable chains (parts that hardly interact, rare failures with slow repairs,
// transient states that drain slowly, rates hundreds of decades apart) through the solver with
// every method, against dense eliminations in long double and closed forms: every run that
// passes has every block's probability right.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "tests/dss/dss_harness.h"
#include "tests/support/BlockChains.h"
#include "tests/support/run_program.h"

namespace {

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

}  // namespace

TEST(NearlyDecomposable, EveryMethodGetsEveryBlockMassRight)
{
    for (const Blocks& c : families()) {
        std::vector<double> exact = stationary(c.n, c.t), want = blockMasses(exact, c.blockOf);
        for (const char* m : {"lu", "gth", "auto", "ilu", "gs", "mla"}) {
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
        for (const char* m : {"lu", "gth", "auto", "ilu", "gs", "mla"}) {
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
        for (const char* m : {"lu", "gth", "auto", "ilu", "gs", "mla"}) {
            Solved s = solveWith(c, m);
            ASSERT_TRUE(s.passed) << drain << " -m " << m << "\n" << s.report;
            EXPECT_TRUE(statesAgree(s.pi, exact, 1e-9)) << drain << " -m " << m << "\n" << s.report;
        }
    }
    // three states whose absorbing one is reached at 1e-20: it holds all the probability
    Blocks absorbing;
    absorbing.n = 3;
    absorbing.t = {{0, 1, 1.0}, {1, 0, 1.0}, {1, 2, 1e-20}};
    for (const char* m : {"lu", "auto", "ilu", "gs", "mla"}) {
        Solved s = solveWith(absorbing, m);
        EXPECT_TRUE(s.passed) << m;
        EXPECT_EQ(s.pi, (std::vector<double>{0.0, 0.0, 1.0})) << m;
    }
}

TEST(NearlyDecomposable, RatesHundredsOfDecadesApart)
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
    for (const char* m : {"lu", "gth", "auto", "ilu", "gs", "mla"}) {
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
