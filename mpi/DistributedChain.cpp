// Assembly of the distributed transposed generator with exact preallocation: each process
// counts the entries of its own rows and, through a counting vector, those of other rows.
#include "mpi/DistributedChain.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

DistributedChain::~DistributedChain()
{
    if (A) MatDestroy(&A);
}

namespace {

// Diagonal-block and off-diagonal-block entry counts of this process's rows.
PetscErrorCode countEntries(const RowShare& share, MPI_Comm comm, std::vector<PetscInt>& dnz,
                            std::vector<PetscInt>& onz)
{
    const int lo = share.first, hi = share.first + share.count;
    dnz.assign((size_t)share.count, 1);  // the diagonal
    onz.assign((size_t)share.count, 0);
    Vec remote;
    PetscCall(VecCreateMPI(comm, share.count, share.numStates, &remote));
    PetscCall(VecSet(remote, 0.0));
    for (int k = 0; k < share.count; ++k) {
        int i = lo + k;
        for (int64_t p = share.start[(size_t)k]; p < share.start[(size_t)k + 1]; ++p) {
            int j = share.dest[(size_t)p];
            if (j == i) continue;
            if (j >= lo && j < hi) ++dnz[(size_t)(j - lo)];
            else PetscCall(VecSetValue(remote, j, 1.0, ADD_VALUES));
        }
    }
    PetscCall(VecAssemblyBegin(remote));
    PetscCall(VecAssemblyEnd(remote));
    const PetscScalar* counts;
    PetscCall(VecGetArrayRead(remote, &counts));
    for (int k = 0; k < share.count; ++k) {
        onz[(size_t)k] = std::min((PetscInt)counts[k], (PetscInt)(share.numStates - share.count));
        dnz[(size_t)k] = std::min(dnz[(size_t)k], (PetscInt)share.count);
    }
    PetscCall(VecRestoreArrayRead(remote, &counts));
    PetscCall(VecDestroy(&remote));
    return 0;
}

// A power of two near 1 / exit, such that the smallest positive rate of the state stays a
// normal number once scaled; 1 for a state without exits.
double flowScaleOf(double exit, double smallest)
{
    if (!(exit > 0.0) || !std::isfinite(exit)) return 1.0;
    int k = std::ilogb(exit);
    if (smallest > 0.0) k = std::min(k, std::ilogb(smallest) - DBL_MIN_EXP + 1);
    return std::ldexp(1.0, -k);
}

// Writes this process's transitions as columns of A: the rates into their destinations' rows and
// minus the exit rate on the diagonal.
PetscErrorCode setColumns(const RowShare& share, DistributedChain& chain)
{
    chain.absorbing = share.numStates;
    chain.flowScale.assign((size_t)share.count, 1.0);
    for (int k = 0; k < share.count; ++k) {
        PetscInt i = share.first + k;
        double exit = 0.0, smallest = 0.0;
        for (int64_t p = share.start[(size_t)k]; p < share.start[(size_t)k + 1]; ++p) {
            PetscInt j = share.dest[(size_t)p];
            if (j == i) continue;
            double r = share.rate[(size_t)p];
            exit += r;
            if (r > 0.0 && (smallest == 0.0 || r < smallest)) smallest = r;
            PetscCall(MatSetValue(chain.A, j, i, r, ADD_VALUES));
        }
        PetscCall(MatSetValue(chain.A, i, i, -exit, ADD_VALUES));
        chain.flowScale[(size_t)k] = flowScaleOf(exit, smallest);
        if (!(exit > 0.0) && chain.absorbing == share.numStates) chain.absorbing = (int)i;
    }
    return 0;
}

// Exit rates within 2^64 of each other leave the probabilities in range for the Krylov
// method; only a wider spread needs the flows (and the solve's two passes to scale A).
void keepFlowScaleWhereNeeded(MPI_Comm comm, DistributedChain& chain)
{
    double extremes[2] = {INFINITY, INFINITY};  // smallest scale, minus the largest
    for (double s : chain.flowScale) {
        if (s == 1.0) continue;  // no exits
        extremes[0] = std::min(extremes[0], s);
        extremes[1] = std::min(extremes[1], -s);
    }
    double global[2];
    MPI_Allreduce(extremes, global, 2, MPI_DOUBLE, MPI_MIN, comm);
    if (!std::isfinite(global[0]) || -global[1] / global[0] <= 0x1p64)
        std::vector<double>().swap(chain.flowScale);
}

}  // namespace

PetscErrorCode buildChain(const RowShare& share, MPI_Comm comm, DistributedChain& chain)
{
    std::vector<PetscInt> dnz, onz;
    PetscCall(countEntries(share, comm, dnz, onz));
    PetscCall(MatCreateAIJ(comm, share.count, share.count, share.numStates, share.numStates, 0,
                           dnz.data(), 0, onz.data(), &chain.A));
    PetscCall(MatSetOption(chain.A, MAT_NEW_NONZERO_ALLOCATION_ERR, PETSC_FALSE));
    PetscCall(setColumns(share, chain));
    PetscCall(MatAssemblyBegin(chain.A, MAT_FINAL_ASSEMBLY));
    PetscCall(MatAssemblyEnd(chain.A, MAT_FINAL_ASSEMBLY));
    int absorbing = chain.absorbing;
    MPI_Allreduce(&absorbing, &chain.absorbing, 1, MPI_INT, MPI_MIN, comm);
    if (chain.absorbing == share.numStates) chain.absorbing = -1;
    keepFlowScaleWhereNeeded(comm, chain);
    return 0;
}
