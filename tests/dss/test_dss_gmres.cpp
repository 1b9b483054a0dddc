// GMRES after a stalled refinement: the Krylov solver on small dense systems, and the
// solver's results, report lines and warnings on chains where plain refinement stalls.
#include <gtest/gtest.h>

#include <random>

#include "methods/Gmres.h"
#include "tests/dss/dss_harness.h"

namespace {

using Dense = std::vector<std::vector<double>>;

// The system A x = b over a dense A, unpreconditioned.
PreconditionedSystem denseSystem(const Dense& A, const std::vector<double>& b)
{
    PreconditionedSystem s;
    s.n = (int)A.size();
    s.multiply = [&A](const double* v, double* w) {
        for (size_t i = 0; i < A.size(); ++i) {
            w[i] = 0.0;
            for (size_t j = 0; j < A.size(); ++j) w[i] += A[i][j] * v[j];
        }
    };
    s.residual = [&A, &b, s](const double* x, double* r) {
        s.multiply(x, r);
        for (size_t i = 0; i < A.size(); ++i) r[i] = b[i] - r[i];
    };
    s.precondition = [&A](const double* r, double* z) { std::copy(r, r + A.size(), z); };
    return s;
}

double queueMean(const std::vector<double>& pi, int c2, bool first)
{
    double m = 0.0;
    for (size_t s = 0; s < pi.size(); ++s) m += (double)(first ? s / (c2 + 1) : s % (c2 + 1)) * pi[s];
    return m;
}

}  // namespace

TEST(Gmres, NonsymmetricSystemConvergesAcrossRestarts)
{
    // eigenvalues spread over [0.01, 10] with a skew part: one cycle is not enough
    const int n = 120;
    std::mt19937 gen(7);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    Dense A(n, std::vector<double>(n, 0.0));
    std::vector<double> want(n), b(n, 0.0);
    for (int i = 0; i < n; ++i) {
        A[i][i] = 0.01 + 9.99 * i / (n - 1);
        for (int j = 0; j < n; ++j)
            if (j != i && (i + j) % 7 == 0) A[i][j] = 0.3 * unit(gen);
        want[i] = 1.0 + unit(gen);
    }
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) b[i] += A[i][j] * want[j];
    PreconditionedSystem s = denseSystem(A, b);
    std::vector<double> x(n, 0.0);
    GmresOutcome g = gmresRefine(s, x.data(), 1e-10);
    EXPECT_TRUE(g.converged);
    EXPECT_GT(g.iterations, gmresRestart);  // at least one restart
    EXPECT_LE(g.iterations, gmresIterationLimit);
    EXPECT_LT(largestAbsoluteDifference(x, want), 1e-8);  // entries between 0 and 2
}

TEST(Gmres, InconsistentOrNonFiniteSystemsStopEarlyWithTheBestIterate)
{
    // the third equation reads 0 = 1: the least-squares iterate is reached, then nothing moves
    Dense A = {{2.0, 1.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, 0.0}};
    std::vector<double> b = {3.0, 1.0, 1.0}, x(3, 0.0);
    PreconditionedSystem s = denseSystem(A, b);
    GmresOutcome g = gmresRefine(s, x.data(), 1e-9);
    EXPECT_FALSE(g.converged);
    EXPECT_LT(g.iterations, 10);
    EXPECT_NEAR(x[0], 1.0, 1e-12);
    EXPECT_NEAR(x[1], 1.0, 1e-12);

    std::vector<double> nan = {1.0, NAN, 0.0};
    g = gmresRefine(s, nan.data(), 1e-9);
    EXPECT_FALSE(g.converged);
    EXPECT_EQ(g.iterations, 0);
    EXPECT_TRUE(std::isnan(nan[1]));
}

TEST(DssGmres, StalledRefinementOfATandemIsCarriedToTheDenseAnswer)
{
    // with the default drop tolerance the factors of this tandem are too poor for plain
    // refinement, which stalls after a few passes far from the stationary vector
    const int c1 = 5, c2 = 80, n = (c1 + 1) * (c2 + 1);
    Edges e = tandem(c1, c2, 1.0, 1.3, 1.1);
    TempDir outputs;
    DssRun run(n, e, {"-d", outputs.file("DEBUG_GMRES")});
    testing::internal::CaptureStderr();
    std::vector<double> pi = run.solve();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    std::vector<double> want = gthSolve(generator(n, e));
    // refinement and GMRES stop on a normwise correction: below 1e-3 of the largest probability
    // a state is held to that share
    EXPECT_TRUE(statesAgree(pi, want, 1e-8, normwiseFloor(want, 1e-3)));
    EXPECT_NEAR(queueMean(pi, c2, true), queueMean(want, c2, true), 1e-8 * queueMean(want, c2, true));
    EXPECT_NEAR(queueMean(pi, c2, false), queueMean(want, c2, false), 1e-8 * queueMean(want, c2, false));

    const std::string line = "; continued with GMRES preconditioned by the factors: ";
    std::string r = run.report();
    size_t at = r.find("Iterative refinement stalled at pass counter ");
    ASSERT_NE(at, std::string::npos);
    size_t end = r.find('\n', at);
    EXPECT_NE(r.substr(at, end - at).find(line), std::string::npos);
    EXPECT_EQ(r.substr(end - 30, 31), " iterations, accuracy reached.\n");
    EXPECT_EQ(r.find("Warning"), std::string::npos);
    run.solver.reset();
    std::string debug = DssRun::slurp(outputs.file("DEBUG_GMRES"));
    EXPECT_NE(debug.find(r.substr(at, end + 1 - at) + "Finished iterative refinement.\n"), std::string::npos);
}

TEST(DssGmres, ChainWithSeveralClosedClassesEndsInTheClassesItsInitialStateReaches)
{
    // two absorbing states and a closed pair {1, 2}: state 0 reaches the pair only, state 3
    // the absorbing state 4 only
    Edges several = {{0, 1, 1.0}, {1, 2, 2.0}, {2, 1, 0.5}, {3, 4, 1.0}};
    const std::vector<std::vector<double>> want = {{0, 0.2, 0.8, 0, 0, 0}, {0, 0, 0, 0, 1, 0}};
    for (int initial : {0, 3}) {
        DssRun run(6, several);
        run.level->initial = initial;
        testing::internal::CaptureStderr();
        run.solver->solve();
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_FALSE(run.solver->solutionFailed()) << run.report();
        EXPECT_EQ(run.solver->record.attempts.size(), 1u);
        EXPECT_NE(run.report().find("the closed class of state " + std::to_string(initial == 0 ? 1 : 4) +
                                    " (" + (initial == 0 ? "2 states" : "1 state") + ") with probability 1\n"),
                  std::string::npos);
        DssRun again(6, several);
        again.level->initial = initial;
        EXPECT_TRUE(statesAgree(again.solve(), want[initial == 0 ? 0 : 1], 1e-14));
    }
}

// Every probability below 1e-11 / accuracy: the accuracy is still reachable, so neither
// GMRES nor the warning is called for.
TEST(DssRefinementAccuracy, ReachableWhenEveryProbabilityIsSmall)
{
    const int n = 400;
    Edges edges;
    for (int i = 0; i < n; ++i) edges.push_back({i, (i + 1) % n, 1.0 + (i % 7)});
    DssRun run(n, edges);
    testing::internal::CaptureStderr();
    std::vector<double> pi = run.solve();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    std::string r = run.report();
    EXPECT_EQ(r.find("GMRES"), std::string::npos) << r;
    std::vector<double> want = gthSolve(generator(n, edges));
    EXPECT_TRUE(statesAgree(pi, want, 1e-9));
}
