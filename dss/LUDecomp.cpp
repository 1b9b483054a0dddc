// The factorisation and the substitutions as the solver runs them: the progress lines come
// from the monitor it installs on lu.
#include <cstdio>

#include "dss/ChainSolver.h"
#include "framework/Interruption.h"

// Factorises A column by column into unit lower L and upper U.
void ChainSolver::performLUDecomp()
{
    if (report.debugOut) {
        fprintf(report.debugOut, "Perform LU Decomp begin\n");
        fflush(report.debugOut);
    }
    const int hintStep = lu.numStates / 64 > 1024 ? lu.numStates / 64 : 1024;
    int64_t hintDue = -1;  // told once the column's fill check has passed
    lu.monitor = [&](LUStage, int k, int n, int64_t entries) {
        interruptionPoint();
        if (hintDue >= 0 && !fillHinted) hintAtFill(hintDue);
        hintDue = -1;
        if (report.progressLine) report.progressLine->step("LU factorisation, column", k, n);
        if (report.verbosity > 0 && k % report.verbosity == 0) {
            fprintf(report.out, "Completed column number: %d.\n", k);
            fflush(report.out);
        }
        if (k > 0 && k % hintStep == 0) hintDue = entries;
    };
    lu.compute();
    lu.monitor = nullptr;
    if (lu.info() == LUInfo::FillBudgetExceeded) throw FillBudgetExceeded();
    if (hintDue >= 0 && !fillHinted) hintAtFill(hintDue);
    if (report.debugOut) fprintf(report.debugOut, "Perform LU Decomp done\n");
}

// Solves L y = b (unit diagonal implied); rebuilds rhs as b in factor row order first.
void ChainSolver::forwardSub(double* y, const double* b, Matrix* factors)
{
    const int n = lu.numStates;
    for (int i = 0; i < n; ++i) rhs[i] = lu.rowSwap[i] == n - 1 ? 1.0 : 0.0;
    lu.monitor = [&](LUStage, int i, int, int64_t) {
        if (report.verbosity > 0 && i % report.verbosity == 0) {
            fprintf(report.out, "Completed row number: %d\n", i);
            fflush(report.out);
        }
    };
    lu.forwardSub(y, b, factors);
    lu.monitor = nullptr;
}

// Solves U x = y.
void ChainSolver::backwardSub(const double* y, double* x, Matrix* factors)
{
    lu.monitor = [&](LUStage, int i, int, int64_t) {
        if (report.verbosity != 0 && i % report.verbosity == 0) {
            fprintf(report.out, "Completed column number: %d\n", i);
            fflush(report.out);
        }
    };
    lu.backwardSub(y, x, factors);
    lu.monitor = nullptr;
}
