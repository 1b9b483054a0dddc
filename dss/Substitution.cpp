// Forward and backward substitution with the factors, and iterative refinement.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "dss/DSSSolver.h"
#include "dss/Gmres.h"
#include "dss/Matrix.h"

// Solves L y = b (unit diagonal implied); rebuilds rhs as b in factor row order first.
void DSSSolver::forwardSub(double* y, const double* b, Matrix* factors)
{
    const int n = numStates;
    for (int i = 0; i < n; ++i) rhs[i] = rowSwap[i] == n - 1 ? 1.0 : 0.0;
    if (n == 0) return;
    y[0] = b[0];
    for (int i = 1; i < n; ++i) {
        if (verbosity > 0 && i % verbosity == 0) {
            fprintf(out, "Completed row number: %d\n", i);
            fflush(out);
        }
        double sum = 0.0;
        const Matrix& row = factors[i];
        for (int q = 0; q < row.numEntries(); ++q)
            if (row.columns[q] < i) sum += row.values[q] * y[row.columns[q]];
        y[i] = b[i] - sum;
    }
}

// Solves U x = y.
void DSSSolver::backwardSub(const double* y, double* x, Matrix* factors)
{
    const int n = numStates;
    if (n == 0) return;
    int p = factors[n - 1].find(n - 1);
    double d = p >= 0 ? factors[n - 1].values[p] : 0.0;
    x[n - 1] = y[n - 1] / d;
    for (int i = n - 2; i >= 0; --i) {
        if (verbosity != 0 && i % verbosity == 0) {
            fprintf(out, "Completed column number: %d\n", i);
            fflush(out);
        }
        double sum = 0.0;
        d = 0.0;
        const Matrix& row = factors[i];
        for (int q = 0; q < row.numEntries(); ++q) {
            int c = row.columns[q];
            if (c > i)
                sum += row.values[q] * x[c];
            else if (c == i)
                d = row.values[q];
        }
        x[i] = (y[i] - sum) / d;
    }
}

// Undoes the column permutation: x in state order.
void DSSSolver::findSolution(const double* z, double* x)
{
    for (int i = 0; i < numStates; ++i) x[colSwap[i]] = z[i];
}

// Largest magnitude of the n entries, at least 1e-11.
double DSSSolver::norm(const double* v)
{
    double m = 1e-11;
    for (int i = 0; i < numStates; ++i)
        if (std::fabs(v[i]) > m) m = std::fabs(v[i]);
    return m;
}

// b - A x against the loaded system, in loaded row order.
void DSSSolver::residual(const Matrix* origA, const double* x, double* r)
{
    const int n = numStates;
    for (int i = 0; i < n; ++i) {
        double sum = 0.0;
        const Matrix& row = origA[i];
        for (int q = 0; q < row.numEntries(); ++q) sum += row.values[q] * x[row.columns[q]];
        r[i] = i == n - 1 ? 1.0 - sum : -sum;
    }
}

// w = A v with the loaded system.
void DSSSolver::multiply(const Matrix* origA, const double* v, double* w)
{
    for (int i = 0; i < numStates; ++i) {
        double sum = 0.0;
        const Matrix& row = origA[i];
        for (int q = 0; q < row.numEntries(); ++q) sum += row.values[q] * v[row.columns[q]];
        w[i] = sum;
    }
}

// e = (LU)^-1 r: r permuted to factor row order, substituted, e in state order.
void DSSSolver::precondition(Matrix* factors, const double* r, double* e)
{
    const int n = numStates;
    std::vector<double> solB(n), solY(n), solZ(n);
    for (int i = 0; i < n; ++i) solB[i] = r[rowSwap[i]];
    forwardSub(solY.data(), solB.data(), factors);
    backwardSub(solY.data(), solZ.data(), factors);
    for (int i = 0; i < n; ++i) e[colSwap[i]] = solZ[i];
}

// The correction e for iterate x1: residual against the loaded system, solved with the factors.
void DSSSolver::correction(Matrix* factors, Matrix* origA, const double* x1, double* e)
{
    std::vector<double> r(numStates);
    residual(origA, x1, r.data());
    precondition(factors, r.data(), e);
}

// Carries a stalled refinement on from x with GMRES on the loaded system, preconditioned
// by the factors; says so on the report and the debug stream.
GmresOutcome DSSSolver::continueRefinement(Matrix* factors, Matrix* origA, double* x, int passCounter)
{
    PreconditionedSystem system;
    system.n = numStates;
    system.residual = [&](const double* v, double* r) { residual(origA, v, r); };
    int step = 0;  // GMRES multiplies by the matrix once per iteration
    system.multiply = [&](const double* v, double* w) {
        if (progressLine) progressLine->count("GMRES iteration", ++step);
        multiply(origA, v, w);
    };
    system.precondition = [&](const double* r, double* z) { precondition(factors, r, z); };
    GmresOutcome g = gmresRefine(system, x, accuracy);
    if (progressLine) progressLine->finish();
    const char* text = "Iterative refinement stalled at pass counter %d; continued with GMRES "
                       "preconditioned by the factors: %d iterations, accuracy %s.\n";
    const char* verdict = g.converged ? "reached" : "not reached";
    fprintf(out, text, passCounter, g.iterations, verdict);
    if (debugFlag) fprintf(debugOut, text, passCounter, g.iterations, verdict);
    return g;
}

// Improves x0 by corrections until one is small relative to the iterate; stops early when
// a correction no longer shrinks (keeping the iterate before it) or after 5001 passes, and
// then carries on with preconditioned GMRES.
void DSSSolver::iterativeRefine(Matrix* factors, const double* x0, double* result)
{
    const int n = numStates;
    Matrix* origA = new Matrix[n > 0 ? n : 0];
    readMatrix(origA);
    std::vector<double> previous(x0, x0 + n), x1(x0, x0 + n), x2(n), e(n);
    double lastCorrection = INFINITY;
    bool converged = false;
    int c = 0;
    for (;; c += 2) {
        if (progressLine) progressLine->count("iterative refinement, pass", c / 2 + 1);
        if (verbosity > 0 && c % verbosity == 0) {
            fprintf(out, "Completed iterative refinement column number: %d.\n", c);
            fflush(out);
        }
        correction(factors, origA, x1.data(), e.data());
        for (int i = 0; i < n; ++i) x2[i] = x1[i] + e[i];
        // the correction's true size: norm's floor of 1e-11 would make the accuracy
        // unreachable whenever every probability is below 1e-11 / accuracy, and would
        // hide the shrinking of small corrections
        double size = 0.0;
        bool finite = true;
        for (double v : e) {
            finite = finite && std::isfinite(v);
            size = std::max(size, std::fabs(v));
        }
        if (finite && size <= accuracy * norm(x2.data())) {
            converged = true;
            break;
        }
        if (!(size < lastCorrection)) {
            x2 = previous;  // x1's correction estimate is no better than its predecessor's
            break;
        }
        if (c >= 10000) break;
        lastCorrection = size;
        previous = x1;
        x1 = x2;
    }
    GmresOutcome krylov;
    if (!converged) {
        krylov = continueRefinement(factors, origA, x2.data(), c);
        converged = krylov.converged;
    }
    std::copy(x2.begin(), x2.end(), result);
    delete[] origA;
    if (!converged) refinementWarning(c, krylov.iterations);
}

// Says on the report and on standard error that refinement and GMRES fell short of the accuracy.
void DSSSolver::refinementWarning(int passCounter, int iterations)
{
    const char* text = "Warning: iterative refinement stopped at pass counter %d and preconditioned "
                       "GMRES after %d iterations without reaching the requested accuracy %le; "
                       "the solution may be inaccurate.\n";
    fprintf(out, text, passCounter, iterations, accuracy);
    fprintf(stderr, text, passCounter, iterations, accuracy);
}
