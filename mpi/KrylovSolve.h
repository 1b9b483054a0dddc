// One solve of the balance equations with PETSc's KSP: the balance equation of one state is
// replaced by x_state = 1 (a unit row, so no dense row), the vector is normalised afterwards.
#ifndef VELMAR_MPI_KRYLOVSOLVE_H
#define VELMAR_MPI_KRYLOVSOLVE_H

#include <petscksp.h>

#include <string>

// What the Krylov method did.
struct KrylovOutcome {
    PetscInt iterations = 0;
    KSPConvergedReason reason = KSP_CONVERGED_ITERATING;
    std::string method;          // KSP and PC type names, as run
    double seconds = 0.0;        // wall time of the solve
};

// Solves A x = e_row with A's row `row` replaced by the unit row (restored afterwards), from x
// as the initial guess, to a relative residual rtol; default BiCGStab with block-Jacobi ILU(0),
// which the user's PETSc options may change. Collective.
PetscErrorCode solveBalance(Mat A, PetscInt row, double rtol, Vec x, KrylovOutcome& outcome);

#endif
