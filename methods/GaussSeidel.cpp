// Forward sweeps in the states' own order; every few sweeps a residual check and an extrapolation.
#include "methods/GaussSeidel.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <thread>

#include "chain/Generator.h"
#include "framework/Interruption.h"
#include "check/SolutionCheck.h"
#include "methods/BlockSweeps.h"
#include "methods/Extrapolation.h"
#include "methods/Finish.h"
#include "methods/PackedRows.h"
#include "methods/ReducedSystem.h"
#include "methods/RowsAside.h"

namespace {

const int defaultSweepLimit = 20000;
const int checkInterval = 10;
const int extrapolationRank = 4;  // differences of iterates combined at each check
const int judgeAfter = 100;       // sweeps before the rate of convergence may end the sweeps

}  // namespace

// Sweeps x until the measure reaches target, the limit is used up, or the rate of decrease
// over the last checks says the limit cannot be enough. Between checks the last iterates are
// combined by extrapolation, for as long as that makes the measure fall. Returns the last
// measure.
static double iterate(const PackedRows& packed, double normQ, const MethodSettings& settings, BlockSweeps* blocks,
                      std::vector<double>& x, SolveAttempt& attempt)
{
    const int limit = settings.iterationLimit > 0 ? settings.iterationLimit : defaultSweepLimit;
    const double target = iterationTarget(settings);
    const RowParts whole((int)x.size());
    const RowParts& parts = blocks != nullptr ? blocks->blockParts() : whole;
    const std::vector<double> b(x.size(), 0.0);  // the singular system: no state fixed
    std::vector<double> r(x.size()), weights, history;
    std::vector<std::vector<double>> earlier;  // iterates before the last of a batch
    std::vector<double> plain;                 // the last iterate before it was extrapolated
    bool extrapolating = true, extrapolated = false;
    double last = balanceResidual(packed, b, -1, x, r, normQ, &parts, &weights);
    int sweeps = 0;
    while (last > target && std::isfinite(last) && sweeps < limit) {
        interruptionPoint();
        const int batch = std::min(checkInterval, limit - sweeps);
        const int firstKept = batch - 1 - extrapolationRank;
        const bool keep = extrapolating && firstKept >= 0;
        // sized once: a fresh vector of every state at every check costs the system its pages anew
        if (keep && earlier.size() != (size_t)extrapolationRank)
            earlier.assign(extrapolationRank, std::vector<double>(x.size()));
        if (blocks != nullptr) {
            std::vector<std::vector<double>> none;
            blocks->run(b, settings.relaxation, x, batch, firstKept, keep ? earlier : none);
        } else {
            for (int k = 0; k < batch; ++k) {
                sorSweep(packed, b, settings.relaxation, x);
                if (keep && k >= firstKept && k < batch - 1) earlier[k - firstKept] = x;
            }
        }
        sweeps += batch;
        bool kept = keep;  // the iterates are compared at the same scale
        if (keep)
            for (std::vector<double>& e : earlier) kept = normaliseInParts(e, parts) && kept;
        normaliseInParts(x, parts);
        const double before = last;
        last = balanceResidual(packed, b, -1, x, r, normQ, &parts, &weights);
        if (extrapolated && !(last <= 2.0 * before)) {
            // the extrapolation threw the iterate off: back to the one before it, and on without
            x.swap(plain);
            last = before;
            extrapolating = false;
            std::vector<double>().swap(plain);
            std::vector<std::vector<double>>().swap(earlier);
        } else {
            history.push_back(last);
        }
        extrapolated = false;
        if (last <= target) break;
        if (kept && extrapolating) {
            plain = x;
            extrapolated = extrapolate(earlier, x, &parts) && normaliseInParts(x, parts);
            if (!extrapolated) x = plain;
        }
        // sweeps still needed at the rate of the last checks (up to 20 of them, after 3), judged
        // only after a quarter of the limit or 100 sweeps: the first sweeps of a large chain
        // often gain little before the extrapolation takes hold
        if (history.size() < 4 || sweeps < std::min(judgeAfter, limit / 4)) continue;
        const size_t window = std::min<size_t>(20, history.size() - 1);
        double rate = std::pow(last / history[history.size() - 1 - window], 1.0 / (double)(window * checkInterval));
        double needed = rate < 1.0 ? std::log(target / last) / std::log(rate) : INFINITY;
        if (needed > 2.0 * (limit - sweeps)) {
            attempt.note = rate < 1.0 ? "Gauss-Seidel converges too slowly to reach the target in its sweep limit"
                                      : "Gauss-Seidel does not converge";
            break;
        }
    }
    attempt.iterations = sweeps;
    return last;
}

// Threads for the sweeps: as set, else one per processor (up to 4) on chains large enough
// for the work to outweigh the threads' meetings.
static int sweepThreads(const MethodSettings& s, int n)
{
    if (s.threads > 0) return s.threads;
    if (n < 100000) return 1;
    const int processors = (int)std::thread::hardware_concurrency();
    return std::max(1, std::min(processors, 4));
}

const int severalClasses = -2;

// The new position of the chain's one closed class when that is a single state, -1 when the
// class is larger, severalClasses when there is more than one. With one closed class known,
// a state without exits can only be that class.
static int absorbingState(const Generator& q, const Ordering& o, const ReducedSystem& sys, int closedClasses)
{
    if (closedClasses == 1) {
        for (int k = 0; k < q.n; ++k)
            if (!(q.exitRate[o.oldOf[k]] > 0.0)) return k;
        return -1;
    }
    const int reached = stateToFix(q, o, sys);  // every state reaches it
    if (reached < 0) return severalClasses;
    return q.exitRate[o.oldOf[reached]] > 0.0 ? -1 : reached;
}

bool GaussSeidelMethod::solve(const Generator& q, std::vector<double>& pi, SolveAttempt& attempt)
{
    clock_t start = clock();
    attempt.method = name();
    Ordering o = naturalOrdering(q.n);
    attempt.ordering = o.name;
    // with its one closed class known, the chain needs no system before the sweeps, which
    // build their own packed form straight from it; otherwise the system serves the search
    // for the closed class
    const bool known = settings.closedClasses == 1;
    ReducedSystem sys;
    if (!known) sys = reducedSystem(q, o, -1);
    const int absorbing = absorbingState(q, o, sys, settings.closedClasses);
    if (absorbing == severalClasses) {
        attempt.note = "the chain has more than one closed class";
        return false;
    }
    std::vector<double> x(q.n, absorbing >= 0 ? 0.0 : 1.0 / std::max(1, q.n));
    double last = 0.0;
    if (absorbing >= 0) {
        x[absorbing] = 1.0;  // the closed class is this one state; every other is transient
    } else {
        // the singular system itself: the Gauss-Seidel splitting of an irreducible part
        // converges to its null vector; fixing a state instead would slow it to the rate at
        // which the chain reaches that state
        const int threads = sweepThreads(settings, q.n);
        const PackedRows packed = known ? packTransposed(q) : packRows(sys.a);
        SparseRows().swap(sys.a);  // the sweeps and the measure read the packed form alone
        // nothing reads the chain's own rows until the sweeps end: set aside, they come back
        // from the packed form, which holds every one of them
        RowsAside aside(known && settings.lendable == &q ? settings.lendable : nullptr, packed);
        // the parts share out the entries of the system, diagonal included
        const RowParts parts(startsWithDiagonal(packed), threads);
        // the iterate, the residual and its weights, the iterates kept and the one before extrapolating
        attempt.workBytes = packed.bytes() + (int64_t)q.n * 8 * (5 + extrapolationRank);
        std::unique_ptr<BlockSweeps> blocks;
        if (threads > 1) {
            blocks = std::make_unique<BlockSweeps>(packed, parts);
            attempt.threads = blocks->blocks();
            attempt.workBytes += (int64_t)q.n * 8 * 2;  // two copies of the values
        }
        last = iterate(packed, q.normInf(), settings, blocks.get(), x, attempt);
        blocks.reset();
        aside.giveBack();
    }
    attempt.converged = last <= iterationTarget(settings);
    if (!attempt.converged && attempt.note.empty())
        attempt.note = std::isfinite(last) ? "Gauss-Seidel reached its sweep limit" : "Gauss-Seidel diverged";
    bool produced = finishAttempt(q, o, x, settings, pi, attempt);
    attempt.seconds = secondsSince(start);
    return produced;
}
