// Entry of dss-mpi: MPI and PETSc start, the words after "--petsc" become PETSc options, and
// the distributed solver runs with the rest of the command line.
#include <mpi.h>
#include <petscsys.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "framework/OutputCheck.h"
#include "framework/PendingOutputs.h"
#include "mpi/MpiSolver.h"
#include "statelevel/BaseStateLevel.h"

// Splits argv at the word "--petsc": the words before it stay ours, those after are joined
// into one PETSc option string.
static std::string splitPetscWords(int& argc, char** argv)
{
    std::string words;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--petsc") != 0) continue;
        for (int k = i + 1; k < argc; ++k) words += std::string(argv[k]) + " ";
        argc = i;
        argv[i] = nullptr;
        break;
    }
    return words;
}

// Runs the solver; the exit status.
static int runSolver(int argc, char** argv)
{
    MpiSolver solver(argc, argv, PETSC_COMM_WORLD);
    return solver.run(argc, argv);
}

int main(int argc, char** argv)
{
    MPI_Init(&argc, &argv);
    guard_standard_output();  // before PETSc takes its stream for its own lines
    hold_outputs_to_the_end();
    std::string petscWords = splitPetscWords(argc, argv);
    if (PetscInitializeNoArguments() != 0) {
        fprintf(stderr, "PETSc could not be started.\n");
        MPI_Abort(MPI_COMM_WORLD, 1);
    }
    install_output_guards();  // after PETSc, whose own handlers these replace
    int rank = 0;
    MPI_Comm_rank(MPI_COMM_WORLD, &rank);
    if (rank != 0) quiet_interrupt();  // the first process says it for the run
    int status = 1;
    if (PetscOptionsInsertString(nullptr, petscWords.c_str()) != 0) {
        if (rank == 0) fprintf(stderr, "The PETSc options after --petsc cannot be read: %s\n", petscWords.c_str());
    } else {
        try {
            status = runSolver(argc, argv);
        } catch (std::bad_alloc&) {
            fprintf(stderr, "The solver's memory requirement is more than the available RAM.\n");
            fprintf(stderr, "Either reduce the size of the state space or install more RAM.\n");
            discard_all_pending();  // MPI_Abort runs no exit handlers
            MPI_Abort(MPI_COMM_WORLD, 1);
        } catch (AccessException&) {
            fprintf(stderr, "This solver cannot be used along with the specified state space.\n");
            discard_all_pending();
            MPI_Abort(MPI_COMM_WORLD, 1);
        }
    }
    // every result of the first process takes its name at once, now that all are written;
    // a report that says PETSc stopped the solve is such a result
    std::string failed;
    int reason = commit_held(failed);
    if (reason != 0) {
        fprintf(stderr, "Error writing file %s: %s\n", failed.c_str(), strerror(reason));
        fflush(stderr);
        if (status == 0) status = 1;
    }
    if (status == MpiSolver::petscFailed) {
        // the other processes may be waiting for this one in a collective call: ending them
        // all is the only way no process is left hanging. The others give the first process,
        // when it failed too, a moment to finish the report's error line.
        if (rank != 0) sleep(2);
        discard_all_pending();
        MPI_Abort(MPI_COMM_WORLD, 1);
    }
    PetscFinalize();
    MPI_Finalize();
    return status;
}
