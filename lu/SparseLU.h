// The working matrix and its factorisation in place: left-looking sparse LU with dropping
// and optional cost-based pivoting, and the substitutions with its factors. It never writes:
// what it did is in info() and its statistics, and its progress goes to the monitor.
#ifndef VELMAR_LU_SPARSELU_H
#define VELMAR_LU_SPARSELU_H

#include <cstdint>
#include <functional>
#include <vector>

#include "lu/Matrix.h"

// How the last compute() ended.
enum class LUInfo {
    Success,
    FillBudgetExceeded,  // given up: the factors would outgrow the fill budget
};

// Where a factorisation or substitution stands, for the monitor.
enum class LUStage { Factorisation, ForwardSubstitution, BackwardSubstitution };

class SparseLU {
public:
    SparseLU() = default;
    ~SparseLU() { delete[] A; }
    SparseLU(const SparseLU&) = delete;
    SparseLU& operator=(const SparseLU&) = delete;

    // Sizes the permutations (identity), the cost counts and the column positions for n states.
    void resize(int n);
    // Releases A and the arrays resize made.
    void release();

    // Factorises A column by column into unit lower L and upper U; info() says how it ended.
    void compute();
    LUInfo info() const { return status; }

    // Solves L y = b (unit diagonal implied) with the factors.
    void forwardSub(double* y, const double* b, const Matrix* factors) const;
    // Solves U x = y with the factors.
    void backwardSub(const double* y, double* x, const Matrix* factors) const;

    // The steps of the factorisation, one entry or one pivot at a time.
    int setVal(Matrix* matrix, int row, int col, double value);
    // setVal for a row known to hold no entry in column col: appends it without looking.
    int appendVal(Matrix* matrix, int row, int col, double value);
    double getVal(int row, int col) const;
    void colPos(int col);
    void swapRows(int r1, int r2);
    void swapCols(int row, int c1, int c2);
    double upperTriangular(int i, int k);
    void lowerTriangular(int j, int k, double pivot);
    double lowerSum(int j, int k, int* p) const;
    double lowerNumerator(int j, int k) const;
    void storeLower(int j, int k, int p, double sum, double pivot);
    int pivotMatrix(unsigned k);
    void calcRowCost(unsigned k);
    void calcColCost(unsigned k);
    // The cost of row j at step k, as calcRowCost counts it.
    int activeRowCost(int j, unsigned k) const;

    // Called at every column of the factorisation (with the entries of A so far) and at every
    // row of the substitutions (entries 0); may throw to stop the work.
    std::function<void(LUStage stage, int step, int n, int64_t entries)> monitor;

    // The working matrix (n rows) and the permutations and counts the factorisation keeps.
    int numStates = 0;
    Matrix* A = nullptr;
    std::vector<int> colCost;
    std::vector<int> rowCost;
    std::vector<int> colSwap;
    std::vector<int> rowSwap;
    std::vector<int> colPosition;
    // Entries of each column of A while a factorisation with pivoting runs (empty otherwise).
    std::vector<int> columnEntries;

    // Settings: entries below dropThreshold are dropped; pivoting needs stability > 0 and
    // searchRows != 0; a positive fillBudget makes compute() give up once the fill of 64
    // columns comes at a rate that would make this many times the loaded entries in all, or
    // that many with the fill so far.
    double dropThreshold = 0.0;
    int16_t stability = 0;
    int32_t searchRows = 0;
    double fillBudget = 0.0;

    // Statistics of the last compute().
    int64_t droppedEntries = 0;   // factor entries dropped
    int64_t appendedEntries = 0;  // entries setVal appended since the factorisation began
    int64_t projectedFill = 0;    // the entries a factorisation that gave up was heading for

private:
    LUInfo status = LUInfo::Success;
    double pivotBound(unsigned k, int* end) const;
    void report(LUStage stage, int step, int64_t entries) const
    {
        if (monitor) monitor(stage, step, numStates, entries);
    }
};

#endif
