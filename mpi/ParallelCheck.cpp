// The parallel check: two products with A (for pi Q and for the flow through each state) and
// a handful of reductions.
#include "mpi/ParallelCheck.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace {

// Sum, smallest entry, largest magnitude and finiteness of x over every process.
struct VectorFigures {
    double sum = 0.0, smallest = INFINITY, largest = 0.0;
    bool finite = true;
};

PetscErrorCode vectorFigures(Vec x, VectorFigures& f)
{
    PetscInt m;
    const PetscScalar* v;
    PetscCall(VecGetLocalSize(x, &m));
    PetscCall(VecGetArrayRead(x, &v));
    double local[3] = {0.0, INFINITY, 0.0};
    int finite = 1;
    for (PetscInt k = 0; k < m; ++k) {
        finite = finite && std::isfinite(v[k]);
        local[0] += v[k];
        local[1] = std::min(local[1], (double)v[k]);
        local[2] = std::max(local[2], std::fabs(v[k]));
    }
    PetscCall(VecRestoreArrayRead(x, &v));
    MPI_Comm comm = PetscObjectComm((PetscObject)x);
    double low = local[1], high = local[2];
    MPI_Allreduce(&local[0], &f.sum, 1, MPI_DOUBLE, MPI_SUM, comm);
    MPI_Allreduce(&low, &f.smallest, 1, MPI_DOUBLE, MPI_MIN, comm);
    MPI_Allreduce(&high, &f.largest, 1, MPI_DOUBLE, MPI_MAX, comm);
    int all = 0;
    MPI_Allreduce(&finite, &all, 1, MPI_INT, MPI_MIN, comm);
    f.finite = all != 0;
    return 0;
}

// r = A x and flow_j = sum_i |x_i| A_ji + |x_j| |A_jj|: with A's off-diagonal entries at least
// zero, A |x| + 2 |A_jj| |x_j|.
// |A| v for v >= 0: A v + 2 |A_jj| v_j.
PetscErrorCode absoluteProduct(Mat A, Vec v, Vec exitRate, Vec out)
{
    PetscCall(MatMult(A, v, out));
    Vec d;
    PetscCall(VecDuplicate(v, &d));
    PetscCall(VecPointwiseMult(d, v, exitRate));
    PetscCall(VecAXPY(out, 2.0, d));
    PetscCall(VecDestroy(&d));
    return 0;
}

// unresolved_j: the flow into and out of j that states whose probability is below the
// smallest normal number may carry unseen, |A| u with u_i = DBL_MIN for those states.
PetscErrorCode balance(Mat A, Vec x, Vec r, Vec flow, Vec exitRate, Vec unresolved)
{
    PetscCall(MatMult(A, x, r));
    PetscCall(MatGetDiagonal(A, exitRate));
    PetscCall(VecAbs(exitRate));
    Vec ax;
    PetscCall(VecDuplicate(x, &ax));
    PetscCall(VecCopy(x, ax));
    PetscCall(VecAbs(ax));
    PetscCall(absoluteProduct(A, ax, exitRate, flow));
    PetscInt m;
    PetscScalar* v;
    PetscCall(VecGetLocalSize(ax, &m));
    PetscCall(VecGetArray(ax, &v));
    for (PetscInt k = 0; k < m; ++k) v[k] = v[k] < DBL_MIN ? DBL_MIN : 0.0;
    PetscCall(VecRestoreArray(ax, &v));
    PetscCall(absoluteProduct(A, ax, exitRate, unresolved));
    PetscCall(VecDestroy(&ax));
    return 0;
}

// The largest imbalance of a state over every process.
PetscErrorCode worstImbalance(Vec r, Vec flow, Vec unresolved, double floor, double& imbalance)
{
    PetscInt m;
    const PetscScalar *rv, *fv, *ev;
    PetscCall(VecGetLocalSize(r, &m));
    PetscCall(VecGetArrayRead(r, &rv));
    PetscCall(VecGetArrayRead(flow, &fv));
    PetscCall(VecGetArrayRead(unresolved, &ev));
    double local = 0.0;
    for (PetscInt k = 0; k < m; ++k) local = std::max(local, stateImbalance(rv[k], fv[k], ev[k], floor));
    PetscCall(VecRestoreArrayRead(r, &rv));
    PetscCall(VecRestoreArrayRead(flow, &fv));
    PetscCall(VecRestoreArrayRead(unresolved, &ev));
    MPI_Allreduce(&local, &imbalance, 1, MPI_DOUBLE, MPI_MAX, PetscObjectComm((PetscObject)r));
    return 0;
}

}  // namespace

PetscErrorCode checkParallel(Mat A, Vec x, double accuracy, SolutionCheck& c)
{
    c = SolutionCheck();
    c.bound = residualBound(accuracy);
    VectorFigures f;
    PetscCall(vectorFigures(x, f));
    PetscInt n;
    PetscCall(VecGetSize(x, &n));
    c.sum = f.sum;
    c.mostNegative = n == 0 ? 0.0 : f.smallest;
    if (!f.finite) {
        c.residual = NAN;
        c.failure = "the solution contains values that are not finite numbers";
        return 0;
    }
    Vec r, flow, exitRate, unresolved;
    PetscCall(VecDuplicate(x, &r));
    PetscCall(VecDuplicate(x, &flow));
    PetscCall(VecDuplicate(x, &exitRate));
    PetscCall(VecDuplicate(x, &unresolved));
    PetscCall(balance(A, x, r, flow, exitRate, unresolved));
    PetscReal busiest, worst, largestExit;
    PetscCall(VecMax(flow, nullptr, &busiest));
    PetscCall(VecNorm(r, NORM_INFINITY, &worst));
    PetscCall(VecNorm(exitRate, NORM_INFINITY, &largestExit));
    // rounding leaves every balance off by some 1e-16 of the busiest state's flow
    const double floor = std::min(1.0, 1e-14 / c.bound) * busiest;
    PetscCall(worstImbalance(r, flow, unresolved, floor, c.imbalance));
    double scale = 2.0 * largestExit * f.largest;
    c.residual = scale > 0.0 ? worst / scale : (worst == 0.0 ? 0.0 : INFINITY);
    PetscCall(VecDestroy(&r));
    PetscCall(VecDestroy(&flow));
    PetscCall(VecDestroy(&exitRate));
    PetscCall(VecDestroy(&unresolved));
    judgeSolution(c, f.sum, f.smallest, f.largest, (double)n);
    return 0;
}

PetscErrorCode normaliseParallel(Vec x, bool& normalised)
{
    PetscScalar sum;
    PetscCall(VecSum(x, &sum));
    normalised = sum > 0.0 && std::isfinite(sum);
    if (!normalised) return 0;
    // divided, as the one-process solver does: a probability equal to the sum becomes 1 exactly
    PetscInt m;
    PetscScalar* v;
    PetscCall(VecGetLocalSize(x, &m));
    PetscCall(VecGetArray(x, &v));
    for (PetscInt k = 0; k < m; ++k) v[k] /= sum;
    PetscCall(VecRestoreArray(x, &v));
    return 0;
}

PetscErrorCode clearNoiseParallel(Vec x, double relative)
{
    PetscReal largest;
    PetscCall(VecNorm(x, NORM_INFINITY, &largest));
    const double noise = relative * largest;
    PetscInt m;
    PetscScalar* v;
    PetscCall(VecGetLocalSize(x, &m));
    PetscCall(VecGetArray(x, &v));
    for (PetscInt k = 0; k < m; ++k)
        if (v[k] <= 0.0 && v[k] >= -noise) v[k] = 0.0;
    PetscCall(VecRestoreArray(x, &v));
    return 0;
}
