// The levels of aggregates and the cycle over them.
#include "methods/MultilevelAggregation.h"

#include <cmath>
#include <ctime>
#include <deque>
#include <string>

#include "chain/ClosedClasses.h"
#include "chain/Generator.h"
#include "framework/Interruption.h"
#include "methods/CoarseChain.h"
#include "methods/Finish.h"
#include "methods/ReducedSystem.h"
#include "methods/RowParts.h"

namespace {

const double strengthThreshold = 0.25;
const int coarsestStates = 150;   // chains of aggregates this small are solved by elimination
const double stalledShare = 0.75;  // aggregates this many per state: no coarser level pays
const int sweeps = 1;             // Gauss-Seidel sweeps before and after each chain of aggregates
const int coarseVisits = 2;       // a W cycle: each chain of aggregates is visited twice
const double firstPower = 1.8;    // of the correction, while it helps
const int trialCycles = 6;        // in each direction of the sweeps, from the same start
const int powerWindow = 8;        // cycles over which a power's rate is measured
const double slowRate = 0.6;      // per cycle: slower than this, the plain correction is tried
const int defaultCycleLimit = 300;
const int stallWindow = 20;       // cycles over which the residual must fall by a tenth

struct Level {
    PackedRows a;
    std::vector<double> x, zero;
    Aggregates agg;  // of this level's states, making the next level; empty at the last
    AggregateMembers members;
    bool last = false;      // no coarser level: solved by elimination or by sweeps alone
    bool backward = false;  // sweeps from the last state to the first
};

// One backward Gauss-Seidel sweep over the balance system a x = 0.
void backwardSweep(const PackedRows& a, std::vector<double>& x)
{
    withValues(a, [&](auto v) {
        for (int i = a.n - 1; i >= 0; --i) {
            double sum = 0.0;
            for (int64_t p = a.start[i]; p < a.start[i + 1]; ++p) sum += v[p] * x[a.col[p]];
            if (a.diagonal[i] < 0.0) x[i] = sum / -a.diagonal[i];
        }
    });
}

class Hierarchy {
public:
    explicit Hierarchy(PackedRows fine)
    {
        levels.emplace_back();
        levels[0].a = std::move(fine);
        levels[0].zero.assign(levels[0].a.n, 0.0);
    }
    std::vector<double>& x() { return levels[0].x; }
    const PackedRows& fine() const { return levels[0].a; }
    int64_t bytes() const
    {
        int64_t b = 0;
        for (const Level& l : levels) b += l.a.bytes() + (int64_t)l.a.n * 8 * 3 + (int64_t)l.agg.of.size() * 8;
        return b;
    }

    // The direction of the sweeps on every level.
    void sweepBackward(bool b) { levels[0].backward = b; }

    // The correction x_i y_I is raised to this power (the constants over aggregates fall
    // short of a smooth error); lowered towards 1 when the cycles stop gaining.
    double power = firstPower;

    // One cycle from level l on, whose iterate is levels[l].x; aggregates chosen afresh when asked.
    void cycle(int l, bool aggregate)
    {
        if (levels[l].a.n <= coarsestStates && solveDirectly(l)) return;
        sweep(l);
        if (aggregate || (levels[l].agg.count == 0 && !levels[l].last)) chooseAggregates(l);
        if (!levels[l].last) {
            Level& f = levels[l];
            Level& c = levels[l + 1];
            c.a = coarseSystem(f.a, f.x, f.agg, f.members);
            c.x.assign(c.a.n, 1.0);
            c.zero.assign(c.a.n, 0.0);
            c.backward = f.backward;
            const int visits = c.a.n <= coarsestStates ? 1 : coarseVisits;
            for (int v = 0; v < visits; ++v) cycle(l + 1, aggregate && v == 0);
            correct(levels[l], levels[l + 1].x);
        }
        sweep(l);
    }

private:
    // x_i times y_I, y scaled to keep the sum of x, raised to the power
    void correct(Level& f, const std::vector<double>& y) const
    {
        std::vector<double> mass(y.size(), 0.0);
        for (int i = 0; i < f.a.n; ++i) mass[f.agg.of[i]] += f.x[i];
        double before = 0.0, after = 0.0;
        for (size_t k = 0; k < y.size(); ++k) {
            before += mass[k];
            after += mass[k] * y[k];
        }
        const double scale = before / after;
        std::vector<double>& factor = mass;
        for (size_t k = 0; k < y.size(); ++k) factor[k] = std::pow(y[k] * scale, power);
        for (int i = 0; i < f.a.n; ++i) f.x[i] *= factor[f.agg.of[i]];
    }

    void sweep(int l)
    {
        Level& f = levels[l];
        for (int k = 0; k < sweeps; ++k) {
            if (f.backward) backwardSweep(f.a, f.x);
            else sorSweep(f.a, f.zero, 1.0, f.x);
        }
    }

    bool solveDirectly(int l)
    {
        std::vector<double> y = smallStationary(levels[l].a);
        if (y.empty()) return false;
        levels[l].x.swap(y);
        levels[l].last = true;
        levels[l].agg = Aggregates();
        levels.resize(l + 1);
        return true;
    }

    void chooseAggregates(int l)
    {
        Level& f = levels[l];
        f.agg = aggregateByStrength(f.a, f.x, strengthThreshold);
        f.last = f.agg.count > stalledShare * f.a.n || f.agg.count < 2;
        if (f.last) {
            f.agg = Aggregates();
            f.members = AggregateMembers();
            levels.resize(l + 1);
            return;
        }
        f.members = membersOf(f.agg);
        if ((int)levels.size() < l + 2) levels.emplace_back();
        levels[l + 1].agg = Aggregates();
        levels[l + 1].last = false;
    }

    std::deque<Level> levels;  // growing at the end leaves the levels where they are
};

// The power of the correction, measured: when the cycles gain slowly with the over-correction,
// the plain correction runs as many cycles, and the power with the better rate stays.
class PowerTrial {
public:
    // The power for the next cycle, after one with `power` that left residual `last`.
    double next(double power, double last)
    {
        seen.push_back(last);
        if (done || (int)seen.size() < powerWindow + 1) return power;
        const double rate = std::pow(last / seen[seen.size() - 1 - powerWindow], 1.0 / powerWindow);
        seen.assign(1, last);
        if (tried == 0.0) {
            if (power == 1.0 || rate < slowRate) {
                done = true;
                return power;
            }
            tried = power;
            triedRate = rate;
            return 1.0;
        }
        done = true;
        return rate < triedRate ? power : tried;
    }

private:
    std::vector<double> seen;
    double tried = 0.0, triedRate = 0.0;
    bool done = false;
};

// The first cycles, once with forward sweeps and once with backward sweeps from the same
// start, choosing the aggregates afresh in each: the direction that leaves the smaller
// residual stays (it depends on how the states are numbered along the chain's flows, and
// fewer cycles than these misjudge it on queues in tandem). Returns that residual.
double firstCycles(Hierarchy& h, double normQ, std::vector<double>& r, std::vector<double>& weights)
{
    std::vector<double>& x = h.x();
    const std::vector<double> start = x, zero(x.size(), 0.0);
    const RowParts whole((int)x.size());
    auto measured = [&](bool backward) {
        x = start;
        h.sweepBackward(backward);
        for (int k = 0; k < trialCycles; ++k) {
            h.cycle(0, true);
            if (!normaliseInParts(x, whole)) return (double)INFINITY;
        }
        return balanceResidual(h.fine(), zero, -1, x, r, normQ, nullptr, &weights);
    };
    const double forward = measured(false);
    std::vector<double> forwardX = x;
    const double backward = measured(true);
    if (backward < forward || !std::isfinite(forward)) return backward;
    x.swap(forwardX);
    h.sweepBackward(false);
    return forward;
}

// The cycles until the residual reaches the target, the limit is used up or the residual
// stops falling. Returns the last residual.
double iterate(Hierarchy& h, double normQ, const MethodSettings& settings, SolveAttempt& attempt)
{
    const int limit = settings.iterationLimit > 0 ? settings.iterationLimit : defaultCycleLimit;
    const double target = iterationTarget(settings);
    const RowParts whole(h.fine().n);
    std::vector<double>& x = h.x();
    std::vector<double> r(x.size()), weights, history;
    const std::vector<double> zero(x.size(), 0.0);
    auto cycle = [&]() {
        h.cycle(0, false);
        return normaliseInParts(x, whole) ? balanceResidual(h.fine(), zero, -1, x, r, normQ, nullptr, &weights)
                                          : (double)INFINITY;
    };
    double last = firstCycles(h, normQ, r, weights);
    int cycles = 2 * trialCycles;
    PowerTrial trial;
    bool polished = false;
    while (std::isfinite(last) && cycles < limit) {
        interruptionPoint();
        if (last <= target) {
            // over-corrected aggregates balance only roughly: one plain cycle ends it, so the
            // flows between aggregates (the masses of weakly coupled parts) are balanced
            if (polished || h.power == 1.0) break;
            h.power = 1.0;
            polished = true;
        }
        const double before = last;
        last = cycle();
        ++cycles;
        history.push_back(last);
        if (polished) continue;
        // an over-correction that throws the iterate back is halved
        if (!(last < before) && h.power > 1.0) h.power = 1.0 + 0.5 * (h.power - 1.0);
        h.power = trial.next(h.power, last);
        if ((int)history.size() > stallWindow && !(last < 0.9 * history[history.size() - 1 - stallWindow])) {
            attempt.note = "the cycles stopped reducing the residual";
            break;
        }
    }
    attempt.iterations = cycles;
    return last;
}

}  // namespace

bool MultilevelAggregationMethod::solve(const Generator& q, std::vector<double>& pi, SolveAttempt& attempt)
{
    const clock_t start = clock();
    attempt.method = name();
    const Ordering o = naturalOrdering(q.n);
    attempt.ordering = o.name;
    const int classes = settings.closedClasses >= 0 ? settings.closedClasses : findClosedClasses(q).count();
    if (classes != 1) {
        attempt.note = "the chain has more than one closed class";
        return false;
    }
    Hierarchy h(packTransposed(q));
    h.x().assign(q.n, 1.0 / std::max(1, q.n));
    const double last = q.n > 1 ? iterate(h, q.normInf(), settings, attempt) : 0.0;
    attempt.workBytes = h.bytes();
    attempt.converged = last <= iterationTarget(settings);
    if (!attempt.converged && attempt.note.empty())
        attempt.note = std::isfinite(last) ? "the cycles reached their limit" : "the cycles diverged";
    const bool produced = finishAttempt(q, o, h.x(), settings, pi, attempt);
    attempt.seconds = secondsSince(start);
    return produced;
}
