// The direct steady-state solver: options, lifecycle and outputs.
#ifndef VELMAR_DSSSOLVER_H
#define VELMAR_DSSSOLVER_H

#include <cstdint>
#include <memory>
#include <vector>

#include "framework/BaseStateLevelSolver.h"
#include "framework/ProgressLine.h"

struct Matrix;
struct GmresOutcome;

// x to the integer power k by repeated multiplication or division.
double port_pow(double x, int k);

class DSSSolver : public BaseStateLevelSolver {
public:
    DSSSolver(BaseStateLevel* level, int argc, char** argv);
    ~DSSSolver() override;

    void solve() override;
    void initialize() override;
    void ShowCmdLineOptions() override;

    void DisplayBanners();
    void print_states();
    void terminate();
    // True after a solve whose probability vector held infinities or not-a-number values.
    bool solutionFailed() const { return runFailed; }

    // Working matrix (Matrix.cpp, MatrixLoad.cpp).
    int setVal(Matrix* matrix, int row, int col, double value);
    double getVal(int row, int col);
    void colPos(int col);
    void swapRows(int r1, int r2);
    void swapCols(int row, int c1, int c2);
    void readMatrix(Matrix* target);
    void initializeSolver();

    // Factorisation (LUDecomp.cpp).
    void performLUDecomp();
    double upperTriangular(int i, int k);
    void lowerTriangular(int j, int k, double pivot);
    void storeLower(int j, int k, int p, double sum, double pivot);
    int pivotMatrix(unsigned k);
    void calcRowCost(unsigned k);
    void calcColCost(unsigned k);

    // Substitution and refinement (Substitution.cpp).
    void forwardSub(double* y, const double* b, Matrix* factors);
    void backwardSub(const double* y, double* x, Matrix* factors);
    void findSolution(const double* z, double* x);
    double norm(const double* v);
    void iterativeRefine(Matrix* factors, const double* x0, double* result);

    // Loads, factorises, substitutes and refines: solutionVector holds the result (Solve.cpp).
    void solveSystem();

    double accuracy = 1e-9;
    double tolerance = 0.001;
    double dropThreshold = 0.0;
    bool complementPlot = false;
    int16_t stability = 0;
    int32_t searchRows = 0;
    std::vector<double> solutionVector;
    std::vector<int> colCost;
    std::vector<int> rowCost;
    std::vector<int> colSwap;
    std::vector<int> rowSwap;
    std::vector<int> colPosition;
    std::vector<double> rhs;
    double minRate = 1e9;
    int numStates = 0;
    Matrix* A = nullptr;
    // The progress line on a terminal; the numerical steps only report their position to it.
    std::unique_ptr<ProgressLine> progressLine;
    // Distinct transitions of the chain and the peak memory, as the report states them.
    int64_t transitions = 0;
    long peakKiB = 0;
    // The JSON results file (-j), opened by initialize, written and closed at the end of solve.
    FILE* jsonOut = nullptr;
    void openJsonFile();
    // Writes the run's JSON document; a failed write makes the run fail.
    void writeJsonFile();

private:
    double pivotBound(unsigned k, int* end);
    void residual(const Matrix* origA, const double* x, double* r);
    void multiply(const Matrix* origA, const double* v, double* w);
    void precondition(Matrix* factors, const double* r, double* e);
    void correction(Matrix* factors, Matrix* origA, const double* x1, double* e);
    GmresOutcome continueRefinement(Matrix* factors, Matrix* origA, double* x, int passCounter);
    void refinementWarning(int passCounter, int iterations);
    void progress(const char* line, bool flush);
};

#endif
