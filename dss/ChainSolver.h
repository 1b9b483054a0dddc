// The solve of one chain: read from a state level, solved by the method asked for (the
// factorisation with its refinement and retries by default), checked, and handed over to gth
// when it cannot be certified; the vector and the record of what was done are its results.
// The direct solver runs one for the whole chain, the long run one for each part of it.
#ifndef VELMAR_DSS_CHAINSOLVER_H
#define VELMAR_DSS_CHAINSOLVER_H

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "chain/BlockBalance.h"
#include "chain/ClosedClasses.h"
#include "chain/Generator.h"
#include "framework/ProgressLine.h"
#include "lu/SparseLU.h"
#include "methods/Gmres.h"
#include "methods/SolveRecord.h"

class BaseStateLevel;

// Raised by a factorisation whose fill outgrows the budget it was given.
struct FillBudgetExceeded {};

// True for a name -m accepts.
bool knownMethod(const std::string& name);
// Why name is refused: 'unknown method "name" for -m: use ... or auto'.
std::string unknownMethodText(const std::string& name);

// Where a solve says what it does: the report and the debug stream (none when null), the
// verbosity of the progress lines and the progress line on a terminal.
struct SolveReport {
    FILE* out = nullptr;
    FILE* debugOut = nullptr;
    int verbosity = 0;
    ProgressLine* progressLine = nullptr;
};

class ChainSolver {
public:
    explicit ChainSolver(BaseStateLevel* level) : stateLevel(level) {}
    ChainSolver(const ChainSolver&) = delete;
    ChainSolver& operator=(const ChainSolver&) = delete;

    // Sizes the per-state arrays of the factorisation for the state level's states.
    void allocateStateArrays();
    // Reads the chain and solves it with the method of -m: solutionVector holds the result,
    // record what was done (Solve.cpp).
    void solveSystem();

    // Working matrix loads (MatrixLoad.cpp): the system matrix into target (n fresh rows), and
    // minRate; initializeSolver loads A and sets the drop threshold from the tolerance.
    void readMatrix(Matrix* target);
    void initializeSolver();
    // The factorisation with the progress lines; throws FillBudgetExceeded when it gives up.
    void performLUDecomp();
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
    // Chains with several closed classes (SolveClasses.cpp): the long-run distribution from
    // the initial state into solutionVector.
    void solveLongRun();
    void reportStructure();

    BaseStateLevel* stateLevel;
    SolveReport report;
    // The factorisation and the working matrix it owns.
    SparseLU lu;
    std::string method = "lu";  // -m: lu, gth, ilu, gs, mla or auto
    bool methodGiven = false;   // with no -m, the factorisation works within auto's fill budget
    // auto leaves out the budgeted factorisation (the default path has tried it already)
    bool budgetedLuTried = false;
    // The figures of a factorisation given up on its fill budget, said with the method the run
    // continues with once auto has picked it; empty once said.
    std::string fillGivenUp;
    // Says fillGivenUp on the report and standard error, naming the method continued with.
    void sayFillGivenUp(const std::string& continuedWith);
    bool fillHinted = false;
    double accuracy = 1e-9;
    double tolerance = 0.001;
    std::vector<double> solutionVector;
    std::vector<double> rhs;
    double minRate = 1e9;
    // The chain as read (original rates), the unit its rates are divided by for the load,
    // and the load position of each state (empty: the state's own number).
    Generator chain;
    double rateUnit = 1.0;
    double chainUnit = 1.0;  // the unit chain's rates are in (rateUnit once a method put them in it)
    std::vector<int> positionOf;
    int gmresLimit = gmresIterationLimit;  // Arnoldi steps a GMRES continuation may take
    SolveRecord record;
    // The chain's blocks for the solution check, found once by prepareLoad, and its transient
    // states when it has one closed class (empty otherwise).
    BlockLevels blockLevels;
    std::vector<char> transientState;
    // The closed classes prepareLoad found.
    ClosedClasses structure;

private:
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
    void methodLines(const SolveAttempt& a, bool withCheck);
};

#endif
