// The direct steady-state solver: options, lifecycle and outputs.
#ifndef VELMAR_DSSSOLVER_H
#define VELMAR_DSSSOLVER_H

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include <string>

#include "chain/BlockBalance.h"
#include "chain/ClosedClasses.h"
#include "chain/Generator.h"
#include "methods/Gmres.h"
#include "methods/SolveRecord.h"
#include "framework/BaseStateLevelSolver.h"
#include "framework/ProgressLine.h"

struct Matrix;

// Raised by a factorisation whose fill outgrows the budget it was given.
struct FillBudgetExceeded {};

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
    double lowerSum(int j, int k, int* p);
    double lowerNumerator(int j, int k);
    void storeLower(int j, int k, int p, double sum, double pivot);
    int pivotMatrix(unsigned k);
    void calcRowCost(unsigned k);
    void calcColCost(unsigned k);
    // The cost of row j at step k, as calcRowCost counts it.
    int activeRowCost(int j, unsigned k) const;
    // Entries of each column of A while a factorisation with pivoting runs (empty otherwise).
    std::vector<int> columnEntries;

    // Substitution and refinement (Substitution.cpp).
    void forwardSub(double* y, const double* b, Matrix* factors);
    void backwardSub(const double* y, double* x, Matrix* factors);
    void findSolution(const double* z, double* x);
    double norm(const double* v);
    // Refines x (load order) against origA with the factors, carrying a stalled refinement on
    // with GMRES; what it did goes to attempt.
    void iterativeRefine(Matrix* factors, Matrix* origA, std::vector<double>& x, SolveAttempt& attempt);

    // Reads the chain, its unit of time and closed classes, and the order of the load.
    void prepareLoad();
    // Reads the chain and solves it with the method of -m: solutionVector holds the result,
    // record what was done (Solve.cpp).
    void solveSystem();
    // The default method: loads, factorises, substitutes, refines and checks, again with
    // smaller drop tolerances while the check fails (Solve.cpp).
    void solveWithLu();
    // Without -m, on chains of 2,000 states or more: the factorisation within auto's fill
    // budget, and when it would outgrow it, what -m auto does instead; false in that case.
    bool solveWithinBudget();
    // Any other method, through the method interface (SolveByMethod.cpp).
    void solveWithMethod();
    // Solves the chain again with gth after an answer that could not be certified (why says
    // what failed), within budget times the chain's entries when budget > 0. True when gth's
    // answer passed its check; it is then in solutionVector and record.
    bool continueWithGth(const std::string& why, double budget);
    // Says once on standard error that -m auto may be much faster when the factors of the
    // default method hold far more entries than the chain.
    void hintAtFill(int64_t factorEntries);

    std::string method = "lu";  // -m: lu, gth, ilu, gs or auto
    bool methodGiven = false;   // with no -m, the factorisation works within auto's fill budget
    // the factors' entries a factorisation that gave up on its budget was heading for
    int64_t projectedFill = 0;
    // auto leaves out the budgeted factorisation (the default path has tried it already)
    bool budgetedLuTried = false;
    bool fillHinted = false;
    // When positive, the factorisation gives up (FillBudgetExceeded) once the fill of 64
    // columns comes at a rate that would make this many times the loaded entries in all, or
    // that many with the fill so far.
    double fillBudget = 0.0;
    int64_t appendedEntries = 0;  // entries setVal appended since the factorisation began
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
    OutputSink jsonSink;
    void openJsonFile();
    // Writes the run's JSON document; a failed write makes the run fail.
    void writeJsonFile();

    // The chain as read (original rates), the unit its rates are divided by for the load,
    // and the load position of each state (empty: the state's own number).
    Generator chain;
    double rateUnit = 1.0;
    std::vector<int> positionOf;
    int64_t droppedEntries = 0;
    int gmresLimit = gmresIterationLimit;  // Arnoldi steps a GMRES continuation may take
    SolveRecord record;
    // The chain's blocks for the solution check, found once by prepareLoad, and its transient
    // states when it has one closed class (empty otherwise).
    BlockLevels blockLevels;
    std::vector<char> transientState;

    // Chains with several closed classes (SolveClasses.cpp): the structure prepareLoad found,
    // and the long-run distribution from the initial state into solutionVector.
    ClosedClasses structure;
    void solveLongRun();
    void reportStructure();
    void allocateStateArrays();

private:
    double pivotBound(unsigned k, int* end);
    void residual(const Matrix* origA, const double* x, double* r);
    void multiply(const Matrix* origA, const double* v, double* w);
    void precondition(Matrix* factors, const double* r, double* e);
    void correction(Matrix* factors, Matrix* origA, const double* x1, double* e);
    GmresOutcome continueRefinement(Matrix* factors, Matrix* origA, double* x, int passCounter,
                                    const char* failure, std::function<bool(const double*)> accept);
    void progress(const char* line, bool flush);
    void note(const std::string& line);
    void solveAttempt(double tol, SolveAttempt& attempt);
    void checkVector(SolveAttempt& attempt);
    void normaliseAndCheck(SolveAttempt& attempt);
    void toStateOrder(const std::vector<double>& x);
    void reportFailure(const std::string& reason);
    void methodLines(const SolveAttempt& a, bool withCheck);
};

// True for a name -m accepts.
bool knownMethod(const std::string& name);

#endif
