// Method "petsc" of dss-mpi: the stationary vector from PETSc's Krylov solve across the MPI
// processes (see SolveAcross.h), behind the method interface of dss.
#ifndef VELMAR_MPI_PETSCMETHOD_H
#define VELMAR_MPI_PETSCMETHOD_H

#include <mpi.h>

#include <memory>

#include "methods/SolutionMethod.h"
#include "methods/MethodSettings.h"

class PetscMethod : public SolutionMethod {
public:
    PetscMethod(MPI_Comm comm, const MethodSettings& s) : comm(comm), settings(s) {}
    const char* name() const override { return "petsc"; }
    // On the first process, while the others serve it.
    bool solve(const Generator& q, std::vector<double>& pi, SolveAttempt& attempt) override;

private:
    MPI_Comm comm;
    MethodSettings settings;
};

// The method as dss runs it: a chain with transient states is solved on its closed class.
std::unique_ptr<SolutionMethod> makePetscMethod(MPI_Comm comm, const MethodSettings& s);

#endif
