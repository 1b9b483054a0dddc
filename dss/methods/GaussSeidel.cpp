// Forward sweeps in the states' own order, residual checks at growing intervals.
#include "dss/methods/GaussSeidel.h"

#include <cmath>

#include "dss/ClosedClasses.h"
#include "dss/Generator.h"
#include "dss/SolutionCheck.h"
#include "dss/methods/Finish.h"
#include "dss/methods/ReducedSystem.h"

namespace {

const int defaultSweepLimit = 20000;
const int checkInterval = 10;

// One forward SOR sweep over A x = b.
void sweep(const SparseRows& a, const std::vector<double>& b, double omega, std::vector<double>& x)
{
    for (int i = 0; i < a.n; ++i) {
        double sum = b[i], diagonal = 0.0;
        for (int64_t p = a.start[i]; p < a.start[i + 1]; ++p) {
            if (p == a.diagonal[i])
                diagonal = a.val[p];
            else
                sum -= a.val[p] * x[a.col[p]];
        }
        x[i] = (1.0 - omega) * x[i] + omega * sum / diagonal;
    }
}

// The scaled residual of the chain at x.
double measure(const SparseRows& a, const std::vector<double>& b, int fixed, double normQ,
               const std::vector<double>& x, std::vector<double>& r)
{
    multiply(a, x.data(), r.data());
    for (size_t i = 0; i < r.size(); ++i) r[i] = b[i] - r[i];
    double size = largestMagnitude(x);
    double m = size > 0.0 ? generatorResidual(r, fixed) / (normQ * size) : INFINITY;
    return std::isfinite(m) ? m : INFINITY;
}

}  // namespace

// The single state of a closed class of one, or -1 when the closed class is larger; -2 when
// the chain has more than one closed class.
static int absorbingState(const Generator& q)
{
    ClosedClasses c = findClosedClasses(q);
    if (c.count() != 1) return -2;
    if (c.size[0] != 1) return -1;
    for (int i = 0; i < q.n; ++i)
        if (c.classOf[i] == 0) return i;
    return -1;
}

// Sweeps x until the measure reaches target, the limit is used up, or the rate of decrease
// over the last checks says the limit cannot be enough. Returns the last measure.
static double iterate(const ReducedSystem& sys, double normQ, const MethodSettings& settings,
                      std::vector<double>& x, SolveAttempt& attempt)
{
    const int limit = settings.iterationLimit > 0 ? settings.iterationLimit : defaultSweepLimit;
    const double target = iterationTarget(settings);
    std::vector<double> r(x.size()), history;
    double last = measure(sys.a, sys.b, sys.fixed, normQ, x, r);
    int sweeps = 0;
    while (last > target && std::isfinite(last) && sweeps < limit) {
        int batch = std::min(checkInterval, limit - sweeps);
        for (int k = 0; k < batch; ++k) sweep(sys.a, sys.b, settings.relaxation, x);
        sweeps += batch;
        normaliseProbabilities(x);
        last = measure(sys.a, sys.b, sys.fixed, normQ, x, r);
        history.push_back(last);
        const size_t window = 20;
        if (history.size() <= window || last <= target) continue;
        // sweeps still needed at the rate of the last window of checks
        double rate = std::pow(last / history[history.size() - 1 - window], 1.0 / (window * checkInterval));
        double needed = rate < 1.0 ? std::log(target / last) / std::log(rate) : INFINITY;
        if (needed > 2.0 * (limit - sweeps)) {
            attempt.note = "Gauss-Seidel converges too slowly to reach the target in its sweep limit";
            break;
        }
    }
    attempt.iterations = sweeps;
    return last;
}

bool GaussSeidelMethod::solve(const Generator& q, std::vector<double>& pi, SolveAttempt& attempt)
{
    clock_t start = clock();
    attempt.method = name();
    Ordering o = naturalOrdering(q.n);
    attempt.ordering = o.name;
    int absorbing = absorbingState(q);
    if (absorbing == -2) {
        attempt.note = "the chain has more than one closed class";
        return false;
    }
    std::vector<double> x(q.n, absorbing >= 0 ? 0.0 : 1.0 / std::max(1, q.n));
    double last = 0.0;
    if (absorbing >= 0) {
        x[absorbing] = 1.0;  // every other state is transient
    } else {
        // the singular system itself: the Gauss-Seidel splitting of an irreducible part
        // converges to its null vector; fixing a state instead would slow it to the rate at
        // which the chain reaches that state
        ReducedSystem sys = reducedSystem(q, o, -1);
        attempt.workBytes = sys.a.bytes() + (int64_t)q.n * 8 * 2;
        last = iterate(sys, q.normInf(), settings, x, attempt);
    }
    attempt.converged = last <= iterationTarget(settings);
    if (!attempt.converged && attempt.note.empty())
        attempt.note = std::isfinite(last) ? "Gauss-Seidel reached its sweep limit" : "Gauss-Seidel diverged";
    bool produced = finishAttempt(q, o, x, settings, pi, attempt);
    attempt.seconds = secondsSince(start);
    return produced;
}
