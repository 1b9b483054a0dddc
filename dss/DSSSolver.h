// The direct steady-state solver: options, lifecycle and outputs. The solve itself is a
// ChainSolver's; the members that name its parts and steps are the solver's names for them.
#ifndef VELMAR_DSSSOLVER_H
#define VELMAR_DSSSOLVER_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dss/ChainSolver.h"
#include "framework/BaseStateLevelSolver.h"
#include "framework/ProgressLine.h"
#include "framework/ResultFile.h"

// x to the integer power k by repeated multiplication or division.
double port_pow(double x, int k);

class DSSSolver : public BaseStateLevelSolver {
public:
    DSSSolver(BaseStateLevel* level, int argc, char** argv);
    ~DSSSolver() override;

    void solve() override;
    void initialize() override;
    void ShowCmdLineOptions() override;
    std::vector<std::string> plotFiles() override;

    void DisplayBanners();
    void print_states();
    void terminate();
    // True after a solve whose results did not pass their check.
    bool solutionFailed() const { return runFailed; }
    // Sizes the per-state arrays of the factorisation for the state level's states.
    void allocateStateArrays() { solving.allocateStateArrays(); }

    // The solve of the chain, told where to report.
    ChainSolver solving;

    // Working matrix.
    int setVal(Matrix* matrix, int row, int col, double value) { return lu.setVal(matrix, row, col, value); }
    double getVal(int row, int col) { return lu.getVal(row, col); }
    void colPos(int col) { lu.colPos(col); }
    void swapRows(int r1, int r2) { lu.swapRows(r1, r2); }
    void swapCols(int row, int c1, int c2) { lu.swapCols(row, c1, c2); }
    void readMatrix(Matrix* target) { solver().readMatrix(target); }
    void initializeSolver() { solver().initializeSolver(); }

    // Factorisation.
    void performLUDecomp() { solver().performLUDecomp(); }
    double upperTriangular(int i, int k) { return lu.upperTriangular(i, k); }
    void lowerTriangular(int j, int k, double pivot) { lu.lowerTriangular(j, k, pivot); }
    double lowerSum(int j, int k, int* p) { return lu.lowerSum(j, k, p); }
    double lowerNumerator(int j, int k) { return lu.lowerNumerator(j, k); }
    void storeLower(int j, int k, int p, double sum, double pivot) { lu.storeLower(j, k, p, sum, pivot); }
    int pivotMatrix(unsigned k) { return lu.pivotMatrix(k); }
    void calcRowCost(unsigned k) { lu.calcRowCost(k); }
    void calcColCost(unsigned k) { lu.calcColCost(k); }
    int activeRowCost(int j, unsigned k) const { return lu.activeRowCost(j, k); }

    // Substitution, refinement and the solve.
    void forwardSub(double* y, const double* b, Matrix* factors) { solver().forwardSub(y, b, factors); }
    void backwardSub(const double* y, double* x, Matrix* factors) { solver().backwardSub(y, x, factors); }
    void findSolution(const double* z, double* x) { solving.findSolution(z, x); }
    double norm(const double* v) { return solving.norm(v); }
    void iterativeRefine(Matrix* factors, Matrix* origA, std::vector<double>& x, SolveAttempt& attempt)
    {
        solver().iterativeRefine(factors, origA, x, attempt);
    }
    void solveSystem() { solver().solveSystem(); }

    SparseLU& lu = solving.lu;
    std::string& method = solving.method;
    bool& methodGiven = solving.methodGiven;
    double& accuracy = solving.accuracy;
    double& tolerance = solving.tolerance;
    double& dropThreshold = lu.dropThreshold;
    bool complementPlot = false;
    int16_t& stability = lu.stability;
    int32_t& searchRows = lu.searchRows;
    std::vector<double>& solutionVector = solving.solutionVector;
    std::vector<int>& colCost = lu.colCost;
    std::vector<int>& rowCost = lu.rowCost;
    std::vector<int>& colSwap = lu.colSwap;
    std::vector<int>& rowSwap = lu.rowSwap;
    std::vector<int>& colPosition = lu.colPosition;
    std::vector<double>& rhs = solving.rhs;
    double& minRate = solving.minRate;
    int& numStates = lu.numStates;
    Matrix*& A = lu.A;
    SolveRecord& record = solving.record;
    Generator& chain = solving.chain;
    std::vector<int>& positionOf = solving.positionOf;
    std::vector<char>& transientState = solving.transientState;
    int& gmresLimit = solving.gmresLimit;

    // The progress line on a terminal; the numerical steps only report their position to it.
    std::unique_ptr<ProgressLine> progressLine;
    // Distinct transitions of the chain and the peak memory, as the report states them.
    int64_t transitions = 0;
    long peakKiB = 0;
    // The JSON results file (-j) and the tidy CSV file (-T), opened by initialize, written and
    // closed at the end of solve; a failed write makes the run fail.
    ResultFile jsonFile, tidyFile;
    void writeTidyFile();
    void writeJsonFile();

private:
    // The solve, told the run's report and debug streams, verbosity and progress line.
    ChainSolver& solver();
    void reportFailure(const std::string& reason);
    // The report's lines on the run's figures after the solve: times, sizes, the factors and
    // the resolution floor.
    void writeSolveFigures();
};

// The direct solver for a state level and a command line: the solver dss drives.
BaseStateLevelSolver* createDssSolver(BaseStateLevel* level, int argc, char** argv);

#endif
