// The restarted GMRES that carries a stalled refinement on: small dense systems, across
// restarts, and systems that are inconsistent or not finite.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "methods/Gmres.h"
#include "tests/support/Oracle.h"

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
