// Iterative refinement of the factorisation's solution, carried on by GMRES when it stalls.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "dss/ChainSolver.h"
#include "framework/Interruption.h"
#include "methods/Gmres.h"
#include "lu/Matrix.h"
#include "lu/Refinement.h"

// Undoes the column permutation: x in state order.
void ChainSolver::findSolution(const double* z, double* x)
{
    for (int i = 0; i < lu.numStates; ++i) x[lu.colSwap[i]] = z[i];
}

// Largest magnitude of the n entries, at least 1e-11.
double ChainSolver::norm(const double* v)
{
    double m = 1e-11;
    for (int i = 0; i < lu.numStates; ++i)
        if (std::fabs(v[i]) > m) m = std::fabs(v[i]);
    return m;
}

// b - A x against the loaded system, in loaded row order.
void ChainSolver::residual(const Matrix* origA, const double* x, double* r)
{
    const int n = lu.numStates;
    for (int i = 0; i < n; ++i) {
        double sum = 0.0;
        const Matrix& row = origA[i];
        for (int q = 0; q < row.numEntries(); ++q) sum += row.values[q] * x[row.columns[q]];
        r[i] = i == n - 1 ? 1.0 - sum : -sum;
    }
}

// w = A v with the loaded system.
void ChainSolver::multiply(const Matrix* origA, const double* v, double* w)
{
    for (int i = 0; i < lu.numStates; ++i) {
        double sum = 0.0;
        const Matrix& row = origA[i];
        for (int q = 0; q < row.numEntries(); ++q) sum += row.values[q] * v[row.columns[q]];
        w[i] = sum;
    }
}

// e = (LU)^-1 r: r permuted to factor row order, substituted, e in state order.
void ChainSolver::precondition(Matrix* factors, const double* r, double* e)
{
    const int n = lu.numStates;
    std::vector<double> solB(n), solY(n), solZ(n);
    for (int i = 0; i < n; ++i) solB[i] = r[lu.rowSwap[i]];
    forwardSub(solY.data(), solB.data(), factors);
    backwardSub(solY.data(), solZ.data(), factors);
    for (int i = 0; i < n; ++i) e[lu.colSwap[i]] = solZ[i];
}

// The correction e for iterate x1: residual against the loaded system, solved with the factors.
void ChainSolver::correction(Matrix* factors, Matrix* origA, const double* x1, double* e)
{
    std::vector<double> r(lu.numStates);
    residual(origA, x1, r.data());
    precondition(factors, r.data(), e);
}

// Carries a refinement on from x with GMRES on the loaded system, preconditioned by the
// factors; says on the report and the debug stream why (a stalled refinement, passCounter
// >= 0, or a failed check) and how it went.
GmresOutcome ChainSolver::continueRefinement(Matrix* factors, Matrix* origA, double* x, int passCounter,
                                           const char* failure, std::function<bool(const double*)> accept)
{
    PreconditionedSystem system;
    system.n = lu.numStates;
    system.residual = [&](const double* v, double* r) { residual(origA, v, r); };
    int step = 0;  // GMRES multiplies by the matrix once per iteration
    system.multiply = [&](const double* v, double* w) {
        interruptionPoint();
        if (report.progressLine) report.progressLine->count("GMRES iteration", ++step);
        multiply(origA, v, w);
    };
    system.precondition = [&](const double* r, double* z) { precondition(factors, r, z); };
    system.accept = std::move(accept);
    system.iterationLimit = gmresLimit;
    GmresOutcome g = gmresRefine(system, x, accuracy);
    if (report.progressLine) report.progressLine->finish();
    const char* verdict = g.converged ? "reached" : "not reached";
    char line[400];
    if (passCounter >= 0)
        snprintf(line, sizeof line,
                 "Iterative refinement stalled at pass counter %d; continued with GMRES "
                 "preconditioned by the factors: %d iterations, accuracy %s.\n",
                 passCounter, g.iterations, verdict);
    else
        snprintf(line, sizeof line,
                 "Solution check failed (%s); continued with GMRES preconditioned by the factors: "
                 "%d iterations, accuracy %s.\n",
                 failure, g.iterations, verdict);
    note(line);
    return g;
}

void ChainSolver::iterativeRefine(Matrix* factors, Matrix* origA, std::vector<double>& x, SolveAttempt& attempt)
{
    const int n = lu.numStates;
    RefinementSystem system;
    system.n = n;
    system.correction = [&](const double* x1, double* e) { correction(factors, origA, x1, e); };
    system.measure = [&](const double* v) { return chainResidualMeasure(origA, n, v); };
    system.progress = [&](int c) {
        interruptionPoint();
        if (report.progressLine) report.progressLine->count("iterative refinement, pass", c / 2 + 1);
        if (report.verbosity > 0 && c % report.verbosity == 0) {
            fprintf(report.out, "Completed iterative refinement column number: %d.\n", c);
            fflush(report.out);
        }
    };
    RefinementOutcome r = refineIterate(system, x, accuracy);
    attempt.refined = true;
    attempt.refinementPasses = r.passCounter;
    attempt.converged = r.converged;
    if (r.converged) return;
    GmresOutcome g = continueRefinement(factors, origA, x.data(), r.passCounter, "", nullptr);
    attempt.gmresUsed = true;
    attempt.gmresIterations += g.iterations;
    attempt.converged = g.converged;
}
