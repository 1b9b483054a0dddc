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
PetscErrorCode makeSolver(Mat A, double rtol, KSP& ksp)
{
    PetscCall(KSPCreate(PetscObjectComm((PetscObject)A), &ksp));
    PetscCall(KSPSetOperators(ksp, A, A));
    PetscCall(KSPSetType(ksp, KSPBCGS));
    PC pc;
    PetscCall(KSPGetPC(ksp, &pc));
    PetscCall(PCSetType(pc, PCBJACOBI));
    PetscCall(KSPSetTolerances(ksp, rtol, 1e-300, PETSC_DEFAULT, 100000));
    PetscCall(KSPSetInitialGuessNonzero(ksp, PETSC_TRUE));
    PetscCall(KSPSetFromOptions(ksp));
    return 0;
}

}  // namespace

PetscErrorCode solveBalance(Mat A, PetscInt row, double rtol, Vec x, KrylovOutcome& outcome)
{
    double began = MPI_Wtime();
    SavedRow saved;
    PetscCall(unitRow(A, row, saved));
    Vec b;
    PetscCall(VecDuplicate(x, &b));
    PetscCall(VecSet(b, 0.0));
    PetscInt lo, hi;
    PetscCall(VecGetOwnershipRange(b, &lo, &hi));
    if (row >= lo && row < hi) PetscCall(VecSetValue(b, row, 1.0, INSERT_VALUES));
    PetscCall(VecAssemblyBegin(b));
    PetscCall(VecAssemblyEnd(b));
    KSP ksp;
    PetscCall(makeSolver(A, rtol, ksp));
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
    PetscCall(restoreRow(A, saved));
    outcome.seconds = MPI_Wtime() - began;
    return 0;
}
