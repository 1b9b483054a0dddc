// The peer: PETSc's KSP on the same fixed system, with the simple settings a user would try:
// BiCGStab and restarted GMRES, each preconditioned (on the right) by ILU(0) in the natural
// ordering and by SOR, each in a process of its own; the benchmark shows the fastest of them
// that reaches the acceptance. Its
// own test (the true residual against the right-hand side) can stop with probabilities still
// far off, so it is held to the program's acceptance: while the balance of some state is off
// by more than the program's iterative methods allow, it goes on from where it stopped with a
// hundred times smaller tolerance.
#include <petscksp.h>

#include <vector>

#include "bench/BenchSystem.h"
#include "methods/MethodSettings.h"

namespace {

struct Setting {
    KSPType krylov;
    PCType preconditioner;
    const char* name;
};

const Setting settings[] = {{KSPBCGS, PCILU, "BiCGStab + ILU(0)"},
                            {KSPGMRES, PCILU, "GMRES + ILU(0)"},
                            {KSPBCGS, PCSOR, "BiCGStab + SOR"},
                            {KSPGMRES, PCSOR, "GMRES + SOR"}};

struct Outcome {
    bool accepted = false;
    double seconds = 0.0;
    int iterations = 0;
    KSPConvergedReason reason = KSP_CONVERGED_ITERATING;
};

// One setting from x = 1 on the fixed system; x holds its answer.
Outcome solveWith(const Setting& set, ReducedSystem& s, double normQ, std::vector<double>& x)
{
    const auto t0 = Clock::now();
    const int n = s.a.n;
    std::vector<PetscInt> rows(s.a.start.begin(), s.a.start.end()), cols(s.a.col.begin(), s.a.col.end());
    x.assign(n, 1.0);
    Mat a;
    Vec b, xv;
    KSP ksp;
    PC pc;
    MatCreateSeqAIJWithArrays(PETSC_COMM_SELF, n, n, rows.data(), cols.data(), s.a.val.data(), &a);
    VecCreateSeqWithArray(PETSC_COMM_SELF, 1, n, s.b.data(), &b);
    VecCreateSeqWithArray(PETSC_COMM_SELF, 1, n, x.data(), &xv);
    KSPCreate(PETSC_COMM_SELF, &ksp);
    KSPSetOperators(ksp, a, a);
    KSPSetType(ksp, set.krylov);
    KSPGetPC(ksp, &pc);
    PCSetType(pc, set.preconditioner);
    if (std::string(set.preconditioner) == PCILU) PCFactorSetLevels(pc, 0);
    KSPSetPCSide(ksp, PC_RIGHT);
    KSPSetNormType(ksp, KSP_NORM_UNPRECONDITIONED);
    KSPSetInitialGuessNonzero(ksp, PETSC_TRUE);
    const double target = iterationTarget(MethodSettings{});
    std::vector<double> r(n);
    Outcome o;
    for (double rtol = 1e-10; rtol >= 1e-20 && !o.accepted; rtol *= 1e-2) {
        KSPSetTolerances(ksp, rtol, 0.0, 1e30, 10000);  // no divergence test: the residual may grow first
        KSPSolve(ksp, b, xv);
        PetscInt its = 0;
        KSPGetIterationNumber(ksp, &its);
        o.iterations += (int)its;
        o.accepted = balanceResidual(s, x, r, normQ) <= target;
    }
    KSPGetConvergedReason(ksp, &o.reason);
    KSPDestroy(&ksp);
    VecDestroy(&xv);
    VecDestroy(&b);
    MatDestroy(&a);
    o.seconds = since(t0);
    return o;
}

}  // namespace

int petscSettings()
{
    return (int)(sizeof settings / sizeof settings[0]);
}

// One setting in a process of its own: the process is what a user of that setting would run.
Engine petscEngine(int setting)
{
    return [setting](const std::string& base, const std::string& piPath, const Report& report) {
        const Setting& set = settings[setting];
        Figures f;
        snprintf(f.method, sizeof f.method, "PETSc %s", set.name);
        Generator q = readChain(base, f, report);
        {
            const PhaseClock phase(f.start);
            PetscInitializeNoArguments();
        }
        ReducedSystem s;
        if (!fixedSystem(q, s, f)) return;
        std::vector<double> x;
        Outcome o = solveWith(set, s, q.normInf(), x);
        if (!o.accepted && o.reason < 0)
            snprintf(f.method, sizeof f.method, "PETSc %s %s", set.name, KSPConvergedReasons[o.reason]);
        f.iterations = o.iterations;
        f.factorEntries = (long)s.a.entries();
        f.solve = o.seconds;
        snprintf(f.attempts, sizeof f.attempts, "%d", o.iterations);
        PetscFinalize();
        finishPeer(q, x, piPath, f, report, o.accepted);
    };
}
