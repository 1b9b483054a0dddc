// The solution check of the one-process solver, computed on the distributed vector and
// matrix: the normwise residual, the worst state imbalance, the sum and the signs.
#ifndef VELMAR_MPI_PARALLELCHECK_H
#define VELMAR_MPI_PARALLELCHECK_H

#include <petscmat.h>

#include "check/SolutionCheck.h"

// Checks x against A = Q^T (any positive multiple of it: every figure is free of the unit);
// collective. The figures are those checkSolution gives for the gathered vector.
PetscErrorCode checkParallel(Mat A, Vec x, double accuracy, SolutionCheck& check);

// Divides x by its sum; false (x unchanged) when the sum is not a positive finite number.
PetscErrorCode normaliseParallel(Vec x, bool& normalised);

// Writes entries in [-relative * largest, 0] (and -0) as +0, as clearRoundingNoise does.
PetscErrorCode clearNoiseParallel(Vec x, double relative);

#endif
