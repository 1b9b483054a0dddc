// The peer: PETSc's KSP BiCGStab with PCILU (ILU(0), natural ordering), right preconditioned,
// on the same fixed system. Its own test (the true residual against the right-hand side)
// can stop with probabilities still far off, so it is held to the program's acceptance:
// while the balance of some state is off by more than the program's iterative methods
// allow, it goes on from where it stopped with a hundred times smaller tolerance.
#include <petscksp.h>

#include <vector>

#include "bench/BenchSystem.h"
#include "methods/MethodSettings.h"

bool havePetsc()
{
    return true;
}

void petscEngine(const std::string& base, const std::string& piPath, const Report& report)
{
    Figures f;
    snprintf(f.method, sizeof f.method, "PETSc BiCGStab + ILU(0)");
    Generator q = readChain(base, f, report);
    PetscInitializeNoArguments();  // MPI's start is not the solver's work
    auto t0 = Clock::now();
    ReducedSystem s;
    if (!fixedSystem(q, s)) return;
    const int n = q.n;
    std::vector<PetscInt> rows(s.a.start.begin(), s.a.start.end()), cols(s.a.col.begin(), s.a.col.end());
    std::vector<double> x(n, 1.0);
    Mat a;
    Vec b, xv;
    KSP ksp;
    PC pc;
    MatCreateSeqAIJWithArrays(PETSC_COMM_SELF, n, n, rows.data(), cols.data(), s.a.val.data(), &a);
    VecCreateSeqWithArray(PETSC_COMM_SELF, 1, n, s.b.data(), &b);
    VecCreateSeqWithArray(PETSC_COMM_SELF, 1, n, x.data(), &xv);
    KSPCreate(PETSC_COMM_SELF, &ksp);
    KSPSetOperators(ksp, a, a);
    KSPSetType(ksp, KSPBCGS);
    KSPGetPC(ksp, &pc);
    PCSetType(pc, PCILU);
    PCFactorSetLevels(pc, 0);
    KSPSetPCSide(ksp, PC_RIGHT);
    KSPSetNormType(ksp, KSP_NORM_UNPRECONDITIONED);
    KSPSetInitialGuessNonzero(ksp, PETSC_TRUE);
    const double normQ = q.normInf(), target = iterationTarget(MethodSettings{});
    std::vector<double> r(n);
    f.iterations = 0;
    for (double rtol = 1e-10; rtol >= 1e-20; rtol *= 1e-2) {
        KSPSetTolerances(ksp, rtol, 0.0, 1e30, 10000);  // no divergence test: the residual may grow first
        KSPSolve(ksp, b, xv);
        PetscInt its = 0;
        KSPGetIterationNumber(ksp, &its);
        f.iterations += (int)its;
        if (balanceResidual(s, x, r, normQ) <= target) break;
    }
    KSPConvergedReason reason;
    KSPGetConvergedReason(ksp, &reason);
    if (reason < 0) snprintf(f.method, sizeof f.method, "PETSc %s", KSPConvergedReasons[reason]);
    f.factorEntries = (long)s.a.entries();
    KSPDestroy(&ksp);
    VecDestroy(&xv);
    VecDestroy(&b);
    MatDestroy(&a);
    f.solve += since(t0);
    PetscFinalize();
    finishPeer(q, x, piPath, f, report);
}
