// The transposed generator Q^T as a distributed PETSc matrix: process r owns the rows of the
// states whose records it read, and rates are divided by the chain's unit of time.
#ifndef VELMAR_MPI_DISTRIBUTEDCHAIN_H
#define VELMAR_MPI_DISTRIBUTEDCHAIN_H

#include <petscmat.h>

#include <vector>

#include "mpi/ArmShare.h"

struct DistributedChain {
    Mat A = nullptr;          // Q^T / unit: A(j, i) = q_ij / unit, A(i, i) = -exit_i / unit
    double unit = 1.0;        // the unit of time rates were divided by
    long long transitions = 0;  // off-diagonal entries written, over all processes
    int first = 0, count = 0;   // this process's rows
    int absorbing = -1;         // the first state without a positive exit rate, -1 for none
    // Per state of this process, a power of two near 1 / exit rate: with x_i = flowScale_i y_i
    // the columns of A become those of the jump chain (entries below 2), so probabilities
    // hundreds of decades apart become flows of similar size for the Krylov method. Powers
    // of two keep A exact when the scaling is undone. Empty when the exit rates lie within
    // 2^64 of each other.
    std::vector<double> flowScale;

    DistributedChain() = default;
    DistributedChain(const DistributedChain&) = delete;
    DistributedChain& operator=(const DistributedChain&) = delete;
    ~DistributedChain();
};

// Builds the matrix from every process's records (collective); returns PETSc's error code.
PetscErrorCode buildChain(const ArmShare& share, MPI_Comm comm, DistributedChain& chain);

#endif
