// The first process's side of the petsc method.
#include "mpi/PetscMethod.h"

#include <ctime>
#include <string>

#include "chain/Generator.h"
#include "methods/ClosedClassOnly.h"
#include "mpi/ProcessTeam.h"
#include "mpi/SolveAcross.h"

bool PetscMethod::solve(const Generator& q, std::vector<double>& pi, SolveAttempt& attempt)
{
    const clock_t began = clock();
    attempt.method = "petsc";
    attempt.ordering = "none";
    if (q.n == 0) {
        pi.clear();
        attempt.converged = true;
        return true;
    }
    FirstProcessPart part;
    part.q = &q;
    part.accuracy = settings.accuracy;
    part.blocks = settings.blocks;
    part.pi = &pi;
    part.attempt = &attempt;
    PetscErrorCode code;
    {
        SolveUnderWay during;
        commandTeam(TeamCommand::Solve);
        code = solveAcross(comm, &part);
    }
    attempt.seconds = (double)(clock() - began) / CLOCKS_PER_SEC;
    if (code == 0) return true;
    attempt.note = "PETSc stopped the solve with error code " + std::to_string((int)code) +
                   " (its message is on standard error)";
    attempt.converged = false;
    attempt.gaveUp = true;
    pi.clear();
    return false;
}

std::unique_ptr<SolutionMethod> makePetscMethod(MPI_Comm comm, const MethodSettings& s)
{
    return std::make_unique<ClosedClassOnly>(s, std::make_unique<PetscMethod>(comm, s));
}
