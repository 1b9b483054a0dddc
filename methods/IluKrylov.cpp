// The ilu method: form, factorise, iterate; refix when the fixed state proves improbable,
// iterate further when the answer does not yet pass the check.
#include "methods/IluKrylov.h"

#include <cmath>
#include <cstdio>
#include <memory>

#include "chain/Generator.h"
#include "methods/Gmres.h"
#include "methods/BiCGStab.h"
#include "methods/Finish.h"
#include "methods/MemoryRoom.h"
#include "methods/ReducedSystem.h"

namespace {

const int defaultIterationLimit = 3000;

// The system and its factors.
struct Prepared {
    ReducedSystem sys;
    IncompleteFactors m;
    explicit Prepared(ReducedSystem s) : sys(std::move(s)), m(incompleteLU0(sys.a)) {}
    Prepared(const Prepared&) = delete;
};

// GMRES carrying on from x where BiCGStab stalled; returns the measure reached.
double continueWithGmres(const Prepared& p, const KrylovControl& control, std::vector<double>& x,
                         SolveAttempt& attempt)
{
    const int n = p.sys.a.n;
    PreconditionedSystem g;
    g.n = n;
    g.residual = [&](const double* v, double* r) {
        multiply(p.sys.a, v, r);
        for (int i = 0; i < n; ++i) r[i] = p.sys.b[i] - r[i];
    };
    g.multiply = [&](const double* v, double* w) { multiply(p.sys.a, v, w); };
    g.precondition = [&](const double* r, double* z) { applyFactors(p.m, r, z); };
    GmresOutcome out = gmresRefine(g, x.data(), 1e-3 * control.target);
    attempt.gmresUsed = true;
    attempt.gmresIterations += out.iterations;
    std::vector<double> r(n);
    return control.judge(x, r);
}

// Iterates on p from x (new order) to the target; true when it got there.
bool iterateTo(const Generator& q, const Prepared& p, double target, const MethodSettings& s,
               std::vector<double>& x, SolveAttempt& attempt)
{
    const double normQ = q.normInf();
    const int fixed = p.sys.fixed;
    KrylovControl control;
    control.target = target;
    control.iterationLimit = s.iterationLimit > 0 ? s.iterationLimit : defaultIterationLimit;
    control.iterationLimit = std::max(1, control.iterationLimit - attempt.iterations);
    control.estimate = [&](const std::vector<double>& v, const std::vector<double>& r) {
        double size = largestMagnitude(v);
        return size > 0.0 ? generatorResidual(r, fixed) / (normQ * size) : INFINITY;
    };
    control.judge = [&](const std::vector<double>& v, std::vector<double>& r) {
        return balanceResidual(p.sys, v, r, normQ);
    };
    x[fixed] = 1.0;
    KrylovOutcome out = bicgstab(p.sys.a, p.m, x, control);
    attempt.iterations += out.iterations;
    if (out.converged) return true;
    attempt.note = std::string("BiCGStab ") + out.stop;
    if (out.iterations >= control.iterationLimit) return false;
    bool done = continueWithGmres(p, control, x, attempt) <= target;
    attempt.note += done ? "; GMRES finished" : "; so did GMRES";
    return done;
}

// Bytes the system, its factors and the Krylov vectors may take: the system and the factors
// share one pattern of n + transitions entries, BiCGStab keeps about ten vectors and GMRES up
// to its restart length more.
int64_t workBytesNeeded(const Generator& q)
{
    const int64_t entries = q.transitions() + q.n;
    return entries * (12 + 8) + (int64_t)q.n * 8 * (3 + 10 + gmresRestart + 2);
}

// Position of the largest entry.
size_t largestAt(const std::vector<double>& x)
{
    size_t top = 0;
    for (size_t k = 1; k < x.size(); ++k)
        if (std::fabs(x[k]) > std::fabs(x[top])) top = k;
    return top;
}

}  // namespace

bool IluKrylovMethod::solve(const Generator& q, std::vector<double>& pi, SolveAttempt& attempt)
{
    clock_t start = clock();
    attempt.method = name();
    // a process the system ends for want of memory says nothing: refuse what cannot fit
    const int64_t needed = workBytesNeeded(q);
    const int64_t room = settings.memoryRoom > 0 ? settings.memoryRoom : availableMemoryBytes();
    if (room > 0 && needed > room) {
        char note[160];
        snprintf(note, sizeof note, "its system, factors and Krylov vectors would need about %.3g GiB, more than the %.3g GiB available",
                 (double)needed / (1 << 30), (double)room / (1 << 30));
        attempt.note = note;
        attempt.outOfMemory = true;
        attempt.seconds = secondsSince(start);
        return false;
    }
    Ordering o = settings.ordering == "rcm" ? reverseCuthillMcKee(q) : naturalOrdering(q.n);
    attempt.ordering = o.name;
    ReducedSystem unfixed = reducedSystem(q, o, -1);
    int fixed = stateToFix(q, o, unfixed);
    if (fixed < 0) {
        attempt.note = "the chain has more than one closed class";
        return false;
    }
    fixState(unfixed, fixed);
    auto p = std::make_unique<Prepared>(std::move(unfixed));
    attempt.factorEntries = (int64_t)p->m.val.size();
    attempt.workBytes = p->sys.a.bytes() + p->m.bytes() + (int64_t)q.n * 8 * 10;
    std::vector<double> x(q.n, 1.0);
    double target = iterationTarget(settings);
    bool converged = iterateTo(q, *p, target, settings, x, attempt);
    // a fixed state far less probable than another makes the numbers huge: fix the largest
    size_t top = largestAt(x);
    if (converged && std::isfinite(x[top]) && std::fabs(x[top]) > 1e8) {
        const double scale = x[top];
        for (double& v : x) v /= scale;
        p.reset();
        p = std::make_unique<Prepared>(reducedSystem(q, o, o.oldOf[top]));
        converged = iterateTo(q, *p, target, settings, x, attempt);
    }
    bool produced = finishAttempt(q, o, x, settings, pi, attempt);
    // small residual, yet not good enough for the check (probabilities far below the
    // largest come out negative): ask for more
    for (int round = 0; round < 2 && converged && produced && !attempt.check.passed; ++round) {
        target *= 0.01;
        converged = iterateTo(q, *p, target, settings, x, attempt);
        produced = finishAttempt(q, o, x, settings, pi, attempt);
    }
    attempt.converged = converged;
    attempt.seconds = secondsSince(start);
    return produced;
}
