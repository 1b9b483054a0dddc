// The Krylov solve with the unit normalisation row.
#include "mpi/KrylovSolve.h"

#include <vector>

namespace {

// The original entries of one row, kept by its owner while the row is a unit row.
struct SavedRow {
    PetscInt row = -1;
    std::vector<PetscInt> cols;
    std::vector<PetscScalar> vals;
};

// Saves row `row` on its owner and replaces it by the unit row (collective).
PetscErrorCode unitRow(Mat A, PetscInt row, SavedRow& saved)
{
    PetscInt lo, hi;
    PetscCall(MatGetOwnershipRange(A, &lo, &hi));
    bool mine = row >= lo && row < hi;
    if (mine) {
        PetscInt nc;
        const PetscInt* cols;
        const PetscScalar* vals;
        PetscCall(MatGetRow(A, row, &nc, &cols, &vals));
        saved.row = row;
        saved.cols.assign(cols, cols + nc);
        saved.vals.assign(vals, vals + nc);
        PetscCall(MatRestoreRow(A, row, &nc, &cols, &vals));
    }
    PetscCall(MatSetOption(A, MAT_KEEP_NONZERO_PATTERN, PETSC_TRUE));
    PetscCall(MatZeroRows(A, mine ? 1 : 0, &row, 1.0, nullptr, nullptr));
    return 0;
}

// Writes the saved row back (collective).
PetscErrorCode restoreRow(Mat A, const SavedRow& saved)
{
    if (saved.row >= 0)
        PetscCall(MatSetValues(A, 1, &saved.row, (PetscInt)saved.cols.size(), saved.cols.data(),
                               saved.vals.data(), INSERT_VALUES));
    PetscCall(MatAssemblyBegin(A, MAT_FINAL_ASSEMBLY));
    PetscCall(MatAssemblyEnd(A, MAT_FINAL_ASSEMBLY));
    return 0;
}

// The KSP with the program's defaults, then the user's options.
PetscErrorCode makeSolver(Mat A, const KrylovStart& start, KSP& ksp)
{
    PetscCall(KSPCreate(PetscObjectComm((PetscObject)A), &ksp));
    PetscCall(KSPSetOperators(ksp, A, A));
    if (start.restartedGmres || start.homogeneous) {
        PetscCall(KSPSetType(ksp, KSPGMRES));
        PetscCall(KSPGMRESSetRestart(ksp, 100));
    } else {
        PetscCall(KSPSetType(ksp, KSPBCGS));
    }
    PC pc;
    PetscCall(KSPGetPC(ksp, &pc));
    PetscCall(PCSetType(pc, PCBJACOBI));
    PetscCall(KSPSetTolerances(ksp, start.rtol, 1e-300, PETSC_DEFAULT, 20000));
    PetscCall(KSPSetInitialGuessNonzero(ksp, start.fromGuess ? PETSC_TRUE : PETSC_FALSE));
    PetscCall(KSPSetFromOptions(ksp));
    return 0;
}

// The vector of scale (or of its inverses), laid out as x.
PetscErrorCode scaleVector(Vec x, const std::vector<double>& scale, bool inverse, Vec& s)
{
    PetscCall(VecDuplicate(x, &s));
    PetscScalar* v;
    PetscInt m;
    PetscCall(VecGetLocalSize(s, &m));
    PetscCall(VecGetArray(s, &v));
    for (PetscInt k = 0; k < m; ++k) v[k] = inverse ? 1.0 / scale[(size_t)k] : scale[(size_t)k];
    PetscCall(VecRestoreArray(s, &v));
    return 0;
}

// The solve on A as it stands.
PetscErrorCode solveAsIs(Mat A, const KrylovStart& start, Vec x, KrylovOutcome& outcome);

}  // namespace

PetscErrorCode solveBalance(Mat A, const KrylovStart& start, Vec x, KrylovOutcome& outcome,
                            const std::vector<double>* scale)
{
    if (scale == nullptr) return solveAsIs(A, start, x, outcome);
    Vec s, inverse;
    PetscCall(scaleVector(x, *scale, false, s));
    PetscCall(scaleVector(x, *scale, true, inverse));
    PetscCall(MatDiagonalScale(A, nullptr, s));
    PetscCall(VecPointwiseMult(x, x, inverse));  // the guess as flows
    PetscErrorCode solved = solveAsIs(A, start, x, outcome);
    if (solved != 0) return solved;  // no collective call after a failure: the run ends
    PetscCall(MatDiagonalScale(A, nullptr, inverse));  // exact: powers of two
    PetscCall(VecPointwiseMult(x, x, s));
    PetscCall(VecDestroy(&s));
    PetscCall(VecDestroy(&inverse));
    return 0;
}

namespace {

PetscErrorCode solveAsIs(Mat A, const KrylovStart& start, Vec x, KrylovOutcome& outcome)
{
    const PetscInt row = start.row;
    double began = MPI_Wtime();
    SavedRow saved;
    if (!start.homogeneous) PetscCall(unitRow(A, row, saved));
    Vec b;
    PetscCall(VecDuplicate(x, &b));
    PetscCall(VecSet(b, 0.0));
    PetscInt lo, hi;
    PetscCall(VecGetOwnershipRange(b, &lo, &hi));
    if (!start.homogeneous && row >= lo && row < hi) PetscCall(VecSetValue(b, row, 1.0, INSERT_VALUES));
    PetscCall(VecAssemblyBegin(b));
    PetscCall(VecAssemblyEnd(b));
    PetscBool userShift = PETSC_FALSE;
    PetscCall(PetscOptionsHasName(nullptr, nullptr, "-sub_pc_factor_shift_type", &userShift));
    if (start.homogeneous && !userShift)
        PetscCall(PetscOptionsSetValue(nullptr, "-sub_pc_factor_shift_type", "nonzero"));
    KSP ksp;
    PetscCall(makeSolver(A, start, ksp));
    PetscCall(KSPSolve(ksp, b, x));
    PetscCall(KSPGetIterationNumber(ksp, &outcome.iterations));
    PetscCall(KSPGetConvergedReason(ksp, &outcome.reason));
    KSPType type;
    PCType pcType;
    PC pc;
    PetscCall(KSPGetType(ksp, &type));
    PetscCall(KSPGetPC(ksp, &pc));
    PetscCall(PCGetType(pc, &pcType));
    outcome.method = std::string(type ? type : "?") + " with " + (pcType ? pcType : "?");
    PetscCall(KSPDestroy(&ksp));
    PetscCall(VecDestroy(&b));
    if (start.homogeneous && !userShift) PetscCall(PetscOptionsClearValue(nullptr, "-sub_pc_factor_shift_type"));
    if (!start.homogeneous) PetscCall(restoreRow(A, saved));
    outcome.seconds = MPI_Wtime() - began;
    return 0;
}

}  // namespace
