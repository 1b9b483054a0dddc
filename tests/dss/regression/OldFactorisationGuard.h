// REGRESSION GUARD, NOT EVIDENCE OF CORRECTNESS. A copy of the solver's old straightforward
// factorisation, substitutions and refinement: every step locates its column by scanning all
// rows and computes every entry of it; refinement follows the solver's own rules and GMRES, fed
// by these substitutions. The solver must reproduce it bit for bit, which guards the faster
// factorisation against changing any result; it shares the solver's design, so agreeing with
// it proves nothing about accuracy (the independent answers are in tests/support/Oracle.h).
#ifndef VELMAR_TESTS_DSS_OLDFACTORISATIONGUARD_H
#define VELMAR_TESTS_DSS_OLDFACTORISATIONGUARD_H

#include <cstdint>
#include <vector>

#include "lu/Matrix.h"

// A matrix factorised in place, with the settings and scratch arrays of the solver.
struct OldFactorisation {
    std::vector<Matrix> A;
    int n = 0;
    double dropThreshold = 0.0;
    int64_t dropped = 0;  // nonzero factor entries dropped
    int32_t searchRows = 0;
    int16_t stability = 0;
    std::vector<int> colPosition, rowCost, colCost, rowSwap, colSwap;

    OldFactorisation(std::vector<Matrix> loaded, double threshold, int32_t rows, int16_t stab);

    void factorise();
    // Stationary vector: substitutions, then refinement against origA when anything was dropped
    // or the threshold allows.
    std::vector<double> solve(const std::vector<Matrix>& origA, double accuracy);

private:
    int setVal(int row, int col, double value);
    void colPos(int col);
    void swapCols(int row, int c1, int c2);
    int exchangeUnstablePivot(int k, double* pivot);
    double upperTriangular(int i, int k);
    void lowerTriangular(int j, int k, double pivot);
    void calcRowCost(int k);
    void calcColCost(int k);
    double pivotBound(int k, int* end);
    void pivotMatrix(int k);
    void forwardSub(double* y, const double* b);
    void backwardSub(const double* y, double* x);
    void residual(const std::vector<Matrix>& origA, const double* x, double* r) const;
    void precondition(const double* r, double* e);
    std::vector<double> refine(const std::vector<Matrix>& origA, std::vector<double> x0, double accuracy);
};

#endif
