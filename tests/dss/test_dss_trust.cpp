// Answers that do not depend on the unit of time, every result checked against the chain, and
// no failed check passed off as a result: against closed forms and dense solves.
#include <gtest/gtest.h>

#include <regex>

#include "tests/dss/dss_harness.h"

namespace {

const double scales[] = {1e-12, 1e-9, 1e-6, 1e-3, 1.0, 1e3, 1e6, 1e12};

Edges scaled(Edges e, double c)
{
    for (auto& x : e) x.rate *= c;
    return e;
}

// What the run printed about its PVs with a fixed number of digits: the report's PV blocks
// and the CSV (the plot files carry 15 digits, which rounding may touch); not the wall-clock
// times of the phases.
std::string printedResults(DssRun& run)
{
    std::string r = run.report();
    r = r.substr(r.find("Performance variable")) + run.csv();
    return std::regex_replace(r, std::regex("Phases \\(wall seconds\\): [^\n]*\n"), "");
}

// Solves a chain with a PV "Level" (state number), fully through the solver and its outputs.
struct Outcome {
    std::vector<double> pi;
    std::string printed;
    bool passed = false;
    std::string report;
};

Outcome solveWithLevel(int n, const Edges& e, const std::vector<std::string>& options,
                       const std::vector<double>& level)
{
    DssRun run(n, e, options);
    run.level->addPV("Level", level);
    testing::internal::CaptureStderr();
    run.solver->solveSystem();
    Outcome o;
    o.pi = run.solver->solutionVector;
    run.solver->solutionVector.clear();
    run.solver->solve();
    testing::internal::GetCapturedStderr();
    o.passed = !run.solver->solutionFailed();
    o.report = run.report();
    o.printed = printedResults(run);
    return o;
}

std::vector<double> stateNumbers(int n)
{
    std::vector<double> v(n);
    for (int i = 0; i < n; ++i) v[i] = i;
    return v;
}

}  // namespace

TEST(DssTrust, BirthDeathChainIsTheSameInEveryUnitOfTime)
{
    // 500 places, arrivals 0.8 and service 1.0: the normalisation row's multipliers grow
    // geometrically without pivoting, and the answer must not depend on the unit of time
    const int n = 500;
    Edges base = birthDeath(std::vector<double>(n - 1, 0.8), std::vector<double>(n - 1, 1.0));
    std::vector<double> want = mm1kStationary(n - 1, 0.8);
    for (std::vector<std::string> opts : {std::vector<std::string>{}, {"-t", "1e-6"}}) {
        std::string first;
        for (double c : scales) {
            std::string where = "scale " + std::to_string(c) + (opts.empty() ? "" : " -t 1e-6");
            Outcome o = solveWithLevel(n, scaled(base, c), opts, stateNumbers(n));
            ASSERT_TRUE(o.passed) << where << o.report;
            // the factorisation is accurate normwise: the tail, 49 decades deep, is rounding of the
            // largest probability below 1e-3 of it
            EXPECT_TRUE(statesAgree(o.pi, want, 1e-9, normwiseFloor(want, 1e-3))) << where;
            EXPECT_NE(o.printed.find("Mean                 :  4.000000e+00\n"), std::string::npos) << where;
            if (first.empty()) first = o.printed;
            EXPECT_TRUE(o.printed == first) << where;
        }
    }
}

TEST(DssTrust, TandemOfNineHundredStatesIsTheSameInEveryUnitOfTime)
{
    const int c1 = 30, c2 = 30, n = (c1 + 1) * (c2 + 1);
    Edges base = tandem(c1, c2, 0.8, 1.0, 1.1);
    std::vector<double> want = gthSolve(generator(n, base)), queue1(n);
    for (int s = 0; s < n; ++s) queue1[s] = s / (c2 + 1);
    for (std::vector<std::string> opts : {std::vector<std::string>{}, {"-t", "1e-6"}}) {
        std::string first;
        for (double c : scales) {
            std::string where = "scale " + std::to_string(c) + (opts.empty() ? "" : " -t 1e-6");
            Outcome o = solveWithLevel(n, scaled(base, c), opts, queue1);
            ASSERT_TRUE(o.passed) << where << o.report;
            // normwise accuracy: below 1e-4 of the largest probability only to that share
            EXPECT_TRUE(statesAgree(o.pi, want, 1e-9, normwiseFloor(want, 1e-4))) << where;
            if (first.empty()) first = o.printed;
            EXPECT_TRUE(o.printed == first) << where;
        }
    }
}

TEST(DssTrust, CyclesWithHugeTinyAndWidelySpreadRates)
{
    // on a cycle the time spent in a state is inversely proportional to its rate; rates 1e310
    // apart would overflow the diagonal unless the unit of time keeps them in range
    const std::vector<std::vector<double>> cases = {
        {1e10, 1e10, 1e10}, {1e-10, 1e-10, 1e-10}, {1e150, 1.0, 1e-150}, {1e300, 1.0, 1e-10}, {1e-12, 3e-12, 2e-12}, {1e12, 7.0, 1e-5}};
    for (const auto& rates : cases) {
        const int n = (int)rates.size();
        Edges e;
        for (int i = 0; i < n; ++i) e.push_back({i, (i + 1) % n, rates[i]});
        DssRun run(n, e);
        std::vector<double> pi = run.solve();
        ASSERT_TRUE(run.solver->record.check.passed) << rates[0] << " " << run.report();
        EXPECT_TRUE(statesAgree(pi, cycleStationary(rates), 1e-12)) << rates[0];
    }
}

TEST(DssTrust, OneClosedClassWithTransientStatesAnywhereInTheNumbering)
{
    // the closed class {a, b, c} (rates a->b 1, b->a 2, b->c 3, c->b 1: pi = 1/3, 1/6, 1/2)
    // with transient states before, around and after it, an absorbing-free drain into it
    struct Case {
        int n;
        std::vector<int> cls;
    };
    const Case cases[] = {{6, {3, 4, 5}}, {6, {0, 1, 2}}, {7, {2, 3, 5}}, {5, {1, 2, 3}}};
    for (const Case& k : cases) {
        int a = k.cls[0], b = k.cls[1], c = k.cls[2];
        Edges e = {{a, b, 1.0}, {b, a, 2.0}, {b, c, 3.0}, {c, b, 1.0}};
        std::vector<char> inClass(k.n, 0);
        for (int s : k.cls) inClass[s] = 1;
        for (int s = 0; s < k.n; ++s)
            if (!inClass[s]) e.push_back({s, s + 1 < k.n && !inClass[s + 1] ? s + 1 : a, 0.5 + s});
        for (std::vector<std::string> opts :
             {std::vector<std::string>{}, {"-t", "0"}, {"-r", "5", "-g", "4"}, {"-r", "-1", "-g", "1"}}) {
            DssRun run(k.n, e, opts);
            std::vector<double> pi = run.solve();
            std::string where = "class at " + std::to_string(a) + " n=" + std::to_string(k.n);
            ASSERT_TRUE(run.solver->record.check.passed) << where << run.report();
            EXPECT_EQ(run.solver->record.closedClasses, 1) << where;
            std::vector<double> want(k.n, 0.0);
            want[a] = 1.0 / 3.0, want[b] = 1.0 / 6.0, want[c] = 0.5;
            EXPECT_TRUE(statesAgree(pi, want, 1e-14)) << where;
            for (double p : pi) EXPECT_FALSE(std::signbit(p)) << where;  // no -0 reaches the outputs
        }
    }
}

TEST(DssTrust, PivotingSolvesWhatSolvesWithoutIt)
{
    // pivots chosen on signed values skipped the negative diagonal and met exact zero pivots
    for (auto shape : {std::pair<int, int>{12, 9}, {5, 80}}) {
        const int n = (shape.first + 1) * (shape.second + 1);
        Edges e = tandem(shape.first, shape.second, 1.0, 1.3, 1.1);
        std::vector<double> want = gthSolve(generator(n, e));
        for (std::vector<std::string> opts :
             {std::vector<std::string>{"-r", "5", "-g", "4"}, {"-r", "5", "-g", "4", "-t", "0"}, {"-r", "1", "-g", "1"},
              {"-r", "-1", "-g", "30000"}, {"-r", "-1", "-g", "4", "-t", "0.1"}}) {
            DssRun run(n, e, opts);
            std::vector<double> pi = run.solve();
            std::string where = std::to_string(shape.first) + "x" + std::to_string(shape.second) + " " + opts[1] + " " + opts[3];
            ASSERT_TRUE(run.solver->record.check.passed) << where << run.report();
            // refinement stops on a normwise correction of 1e-9, which bounds the error only to a
            // few times that: 1e-8 state by state, and below 1e-3 of the largest probability only
            // to that share
            EXPECT_TRUE(statesAgree(pi, want, 1e-8, normwiseFloor(want, 1e-3))) << where;
            EXPECT_NE(run.solver->rowSwap[0] + run.solver->colSwap[0], 0) << where;  // it did pivot
        }
    }
}

TEST(DssTrust, FailedChecksAreRetriedWithSmallerDropTolerancesAndSaidInTheReport)
{
    // with the drop tolerance at 0.3 the factors are too poor for refinement on this tandem,
    // and GMRES is kept from helping: a thousand times smaller solves it, and the report says
    // what was tried
    const int c1 = 5, c2 = 80, n = (c1 + 1) * (c2 + 1);
    Edges e = tandem(c1, c2, 1.0, 1.3, 1.1);
    DssRun run(n, e, {"-t", "0.3"});
    run.solver->gmresLimit = 0;
    std::vector<double> pi = run.solve();
    const SolveRecord& r = run.solver->record;
    ASSERT_TRUE(r.check.passed) << run.report();
    const std::vector<double> want = gthSolve(generator(n, e));
    EXPECT_TRUE(statesAgree(pi, want, 1e-9, normwiseFloor(want, 1e-3)));  // normwise, as above
    ASSERT_GE(r.attempts.size(), 2u);
    for (size_t i = 0; i + 1 < r.attempts.size(); ++i) {
        EXPECT_FALSE(r.attempts[i].check.passed);
        EXPECT_EQ(r.attempts[i + 1].tolerance, r.attempts[i].tolerance / 1000);
    }
    // each attempt keeps the threshold it dropped below, whatever the loads after it set
    for (const SolveAttempt& a : r.attempts) EXPECT_DOUBLE_EQ(a.dropThreshold, a.tolerance * run.solver->minRate);
    std::string report = run.report();
    size_t failed = report.find("Solution check (infinity norm)");
    size_t again = report.find("); factorising again with drop tolerance 3.000000e-04.\n");
    size_t passed = report.find(": passed.\n");
    EXPECT_TRUE(failed < again && again < passed && passed != std::string::npos) << report;
}

TEST(DssTrust, VarianceIsComputedAroundTheMeanAndNeverNegative)
{
    // a PV with a huge constant offset: the second moment less the squared mean cancels to
    // garbage (even negative), the spread around the mean does not
    Edges e = {{0, 1, 1.0}, {1, 0, 1.0}};
    Outcome o = solveWithLevel(2, e, {}, {1e9, 1e9 + 1.0});
    ASSERT_TRUE(o.passed);
    EXPECT_NE(o.printed.find("Mean                 :  1.000000e+09\nVariance             :  2.500000e-01\n"),
              std::string::npos)
        << o.printed;
}
