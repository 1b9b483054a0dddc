// The distributed steady-state solver: the options and outputs of the one-process solver, the
// chain spread over the processes of MPI_COMM_WORLD and solved with PETSc's KSP. Every process
// runs the same steps; only the first writes files and messages.
#ifndef VELMAR_MPI_MPISOLVER_H
#define VELMAR_MPI_MPISOLVER_H

#include <mpi.h>
#include <petscvec.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "check/SolutionCheck.h"
#include "framework/BaseStateLevelSolver.h"
#include "mpi/ArmShare.h"
#include "mpi/KrylovSolve.h"
#include "mpi/VarShare.h"

class ModelInfo;
struct DistributedChain;

class MpiSolver : public BaseStateLevelSolver {
public:
    MpiSolver(int argc, char** argv, MPI_Comm comm);
    ~MpiSolver() override;

    // The whole run; the exit status, the same on every process (0 or 1), or petscFailed
    // when PETSc stopped it, perhaps on this process alone.
    int run(int argc, char** argv);
    static const int petscFailed = 2;

    void solve() override {}
    void ShowCmdLineOptions() override;

    double accuracy = 1e-9;
    double tolerance = 0.001;
    bool complementPlot = false;
    int16_t stability = 0;
    int32_t searchRows = 0;

private:
    bool first() const { return rank == 0; }
    // True on every process when `fault` holds on any.
    bool anywhere(bool fault);
    // run's steps: 0 or 1 as run, or the error code of the PETSc call that failed.
    int runSteps(int argc, char** argv);
    std::string baseName(int argc, char** argv, bool& refused);
    bool readModel(const std::string& base);
    bool openOutputs();
    void displayBanners();
    void progress(const std::string& line);
    void note(const std::string& line);
    PetscErrorCode solveChain(DistributedChain& chain, Vec x, SolutionCheck& check);
    PetscErrorCode nextStart(Vec x, bool converged, KrylovStart& start);
    PetscErrorCode retryWithoutDust(DistributedChain& chain, Vec x, SolutionCheck& check);
    PetscErrorCode writeStates(Vec x);
    void reportFailure(const std::string& reason);
    void reportPeakMemory();

    MPI_Comm comm;
    int rank = 0, processes = 1;
    ArmShare arm;
    VarShare var;
    std::vector<int> selected;  // the PVs to evaluate
    std::unique_ptr<ModelInfo> model;  // first process only
};

#endif
