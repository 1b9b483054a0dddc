// The factorisation and the substitutions as the solver runs them: the progress lines come
// from the monitor it installs on lu.
#include <cstdio>

#include "dss/DSSSolver.h"

// Factorises A column by column into unit lower L and upper U.
void DSSSolver::performLUDecomp()
{
    if (debugFlag) {
        fprintf(debugOut, "Perform LU Decomp begin\n");
        fflush(debugOut);
    }
    const int hintStep = numStates / 64 > 1024 ? numStates / 64 : 1024;
    int64_t hintDue = -1;  // told once the column's fill check has passed
    lu.monitor = [&](LUStage, int k, int n, int64_t entries) {
        if (hintDue >= 0 && !fillHinted) hintAtFill(hintDue);
        hintDue = -1;
        if (progressLine) progressLine->step("LU factorisation, column", k, n);
        if (verbosity > 0 && k % verbosity == 0) {
            fprintf(out, "Completed column number: %d.\n", k);
            fflush(out);
        }
        if (k > 0 && k % hintStep == 0) hintDue = entries;
    };
    lu.compute();
    lu.monitor = nullptr;
    if (lu.info() == LUInfo::FillBudgetExceeded) throw FillBudgetExceeded();
    if (hintDue >= 0 && !fillHinted) hintAtFill(hintDue);
    if (debugFlag) fprintf(debugOut, "Perform LU Decomp done\n");
}

// Solves L y = b (unit diagonal implied); rebuilds rhs as b in factor row order first.
void DSSSolver::forwardSub(double* y, const double* b, Matrix* factors)
{
    const int n = numStates;
    for (int i = 0; i < n; ++i) rhs[i] = rowSwap[i] == n - 1 ? 1.0 : 0.0;
    lu.monitor = [&](LUStage, int i, int, int64_t) {
        if (verbosity > 0 && i % verbosity == 0) {
            fprintf(out, "Completed row number: %d\n", i);
            fflush(out);
        }
    };
    lu.forwardSub(y, b, factors);
    lu.monitor = nullptr;
}

// Solves U x = y.
void DSSSolver::backwardSub(const double* y, double* x, Matrix* factors)
{
    lu.monitor = [&](LUStage, int i, int, int64_t) {
        if (verbosity != 0 && i % verbosity == 0) {
            fprintf(out, "Completed column number: %d\n", i);
            fflush(out);
        }
    };
    lu.backwardSub(y, x, factors);
    lu.monitor = nullptr;
}
