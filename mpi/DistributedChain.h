// The transposed generator Q^T as a distributed PETSc matrix: process r owns the rows of the
// states whose transitions it was sent.
#ifndef VELMAR_MPI_DISTRIBUTEDCHAIN_H
#define VELMAR_MPI_DISTRIBUTEDCHAIN_H

#include <petscmat.h>

#include <cstdint>
#include <vector>

// The transitions out of states first .. first + count - 1 of a chain of numStates states:
// those of state first + k are dest/rate[start[k] .. start[k + 1]), without self-loops.
struct RowShare {
    int numStates = 0;
    int first = 0, count = 0;
    std::vector<int64_t> start{0};
    std::vector<int> dest;
    std::vector<double> rate;
};

struct DistributedChain {
    Mat A = nullptr;            // Q^T: A(j, i) = q_ij, A(i, i) = -exit_i
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

// Builds the matrix from every process's share (collective); returns PETSc's error code.
PetscErrorCode buildChain(const RowShare& share, MPI_Comm comm, DistributedChain& chain);

#endif
