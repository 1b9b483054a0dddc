// One solve of the chain across the processes: the first process, which holds the chain,
// sends each process its share of the rows; every process takes part in PETSc's solve; the
// first judges each vector with the solution check of dss and says how the next solve starts.
#ifndef VELMAR_MPI_SOLVEACROSS_H
#define VELMAR_MPI_SOLVEACROSS_H

#include <petscsys.h>

#include <vector>

#include "methods/SolveRecord.h"

struct Generator;
struct BlockLevels;

// What the first process brings to the solve and takes from it.
struct FirstProcessPart {
    const Generator* q = nullptr;  // in the chain's own unit of time
    double accuracy = 1e-9;
    const BlockLevels* blocks = nullptr;  // for the check, as MethodSettings gives them
    std::vector<double>* pi = nullptr;    // the last vector, normalised
    SolveAttempt* attempt = nullptr;      // iterations, converged, note and check
};

// The part of this process (first: its part, null on the others). Collective over comm;
// 0, or the code of a PETSc call that failed, on every process alike.
PetscErrorCode solveAcross(MPI_Comm comm, FirstProcessPart* first);

#endif
