// Entry of dss-mpi: MPI and PETSc start, the words after "--petsc" become PETSc options; the
// first process runs dss with the petsc method as its default, the others serve its solves.
#include <mpi.h>
#include <petscsys.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "dss/AddedMethods.h"
#include "framework/OutputCheck.h"
#include "framework/PendingOutputs.h"
#include "run/ProgramRun.h"
#include "mpi/PetscMethod.h"
#include "mpi/ProcessTeam.h"

namespace {

// Splits argv at the word "--petsc": the words before it stay ours, those after are joined
// into one PETSc option string.
std::string splitPetscWords(int& argc, char** argv)
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

// PETSc's own handler ends every process but the first of the failed call's communicator
// (after ten seconds): here each returns its error, so that the processes end the solve
// together. The first process tells it in PETSc's words, the others in one line.
PetscErrorCode tellError(MPI_Comm comm, int line, const char* fun, const char* file, PetscErrorCode n,
                         PetscErrorType p, const char* mess, void* ctx)
{
    int world = 0;
    MPI_Comm_rank(MPI_COMM_WORLD, &world);
    if (world == 0) return PetscTraceBackErrorHandler(comm, line, fun, file, n, p, mess, ctx);
    if (p == PETSC_ERROR_INITIAL) fprintf(stderr, "[%d]PETSC ERROR: %s\n", world, mess ? mess : "");
    return n;
}

const char* const helpLines =
    "dss-mpi: the program dss whose default method, petsc, solves the chain with PETSc's\n"
    "      Krylov solvers across the MPI processes (mpiexec -n <processes> dss-mpi ...); the\n"
    "      first process reads the state space and writes every output\n"
    "[-m petsc]: the default; -m with any method of dss solves on the first process alone\n"
    "[--petsc <PETSc options>...]: every word after --petsc goes to PETSc, for example\n"
    "      --petsc -ksp_type gmres -pc_type jacobi\n";

}  // namespace

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
    PetscPushErrorHandler(tellError, nullptr);
    int rank = 0;
    MPI_Comm_rank(MPI_COMM_WORLD, &rank);
    if (PetscOptionsInsertString(nullptr, petscWords.c_str()) != 0) {
        if (rank == 0) fprintf(stderr, "The PETSc options after --petsc cannot be read: %s\n", petscWords.c_str());
        PetscFinalize();
        MPI_Finalize();
        return 1;
    }
    if (rank != 0) {
        quiet_interrupt();  // the first process says it for the run
        serveFirstProcess(PETSC_COMM_WORLD);
        PetscFinalize();
        MPI_Finalize();
        return 0;
    }
    endTeamAtExit(PETSC_COMM_WORLD);
    addMethod("petsc", [](const MethodSettings& s) { return makePetscMethod(PETSC_COMM_WORLD, s); }, true);
    ProgramFace face;
    face.name = "dss-mpi";
    face.helpLines = helpLines;
    return runDss(argc, argv, face);
}
