// One solve of the balance equations with PETSc's KSP: the balance equation of one state is
// replaced by x_state = 1 (a unit row, so no dense row), the vector is normalised afterwards.
#ifndef VELMAR_MPI_KRYLOVSOLVE_H
#define VELMAR_MPI_KRYLOVSOLVE_H

#include <petscksp.h>

#include <string>
#include <vector>

// What the Krylov method did.
struct KrylovOutcome {
    PetscInt iterations = 0;
    KSPConvergedReason reason = KSP_CONVERGED_ITERATING;
    std::string method;          // KSP and PC type names, as run
    double seconds = 0.0;        // wall time of the solve
};

// How one solve starts.
struct KrylovStart {
    PetscInt row = 0;            // the state whose balance equation becomes x_row = 1
    double rtol = 1e-12;         // relative residual to reach
    bool fromGuess = false;      // start from x as it is (otherwise from zero)
    bool restartedGmres = false; // GMRES(100) instead of BiCGStab, after a breakdown
    // no equation replaced: A x = 0 from x, whose part along the stationary vector the
    // iteration keeps (for chains whose replaced equation was a transient state's)
    bool homogeneous = false;
};

// Solves A x = e_row with A's row `row` replaced by the unit row (restored afterwards), or
// A x = 0 when homogeneous (ILU then shifted off zero pivots), with block-Jacobi ILU(0)
// preconditioning; the user's PETSc options may change every setting. With `scale` (this
// process's entries, powers of two), the system solved is A S y = e_row with x = S y: the
// columns of A are scaled for the solve and exactly restored. Collective.
PetscErrorCode solveBalance(Mat A, const KrylovStart& start, Vec x, KrylovOutcome& outcome,
                            const std::vector<double>* scale = nullptr);

#endif
