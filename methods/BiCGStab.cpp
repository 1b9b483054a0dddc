// BiCGStab with restarts on breakdown; the true residual replaces the recursive one whenever the
// measure is taken.
#include "methods/BiCGStab.h"

#include "framework/Interruption.h"
#include <cmath>

namespace {

using Vector = std::vector<double>;

double dot(const Vector& a, const Vector& b)
{
    double s = 0.0;
    for (size_t i = 0; i < a.size(); ++i) s += a[i] * b[i];
    return s;
}

struct State {
    Vector r, rhat, p, v, s, t, z;
    double rho = 1.0, alpha = 1.0, omega = 1.0;
    explicit State(size_t n) : r(n), rhat(n), p(n, 0.0), v(n, 0.0), s(n), t(n), z(n) {}
    // Starts the recurrences afresh from the residual in r.
    void restart()
    {
        rhat = r;
        std::fill(p.begin(), p.end(), 0.0);
        std::fill(v.begin(), v.end(), 0.0);
        rho = alpha = omega = 1.0;
    }
};

// One step; false on a breakdown (x unchanged then).
bool step(const SparseRows& a, const IncompleteFactors& m, Vector& x, State& w)
{
    const size_t n = x.size();
    double rhoNew = dot(w.rhat, w.r);
    if (rhoNew == 0.0 || !std::isfinite(rhoNew) || w.omega == 0.0) return false;
    double beta = (rhoNew / w.rho) * (w.alpha / w.omega);
    for (size_t i = 0; i < n; ++i) w.p[i] = w.r[i] + beta * (w.p[i] - w.omega * w.v[i]);
    applyFactors(m, w.p.data(), w.z.data());
    multiply(a, w.z.data(), w.v.data());
    double denominator = dot(w.rhat, w.v);
    if (denominator == 0.0 || !std::isfinite(denominator)) return false;
    w.alpha = rhoNew / denominator;
    for (size_t i = 0; i < n; ++i) {
        x[i] += w.alpha * w.z[i];
        w.s[i] = w.r[i] - w.alpha * w.v[i];
    }
    applyFactors(m, w.s.data(), w.z.data());
    multiply(a, w.z.data(), w.t.data());
    double tt = dot(w.t, w.t);
    w.omega = tt > 0.0 ? dot(w.t, w.s) / tt : 0.0;
    for (size_t i = 0; i < n; ++i) {
        x[i] += w.omega * w.z[i];
        w.r[i] = w.s[i] - w.omega * w.t[i];
    }
    w.rho = rhoNew;
    return true;
}

}  // namespace

KrylovOutcome bicgstab(const SparseRows& a, const IncompleteFactors& m, Vector& x,
                       const KrylovControl& control)
{
    KrylovOutcome out;
    State w(x.size());
    double bestMeasure = control.judge(x, w.r);
    w.restart();
    Vector best = x;
    double gate = control.target;  // the estimate that makes the measure worth computing
    int sinceHalved = 0;
    double halvedAt = bestMeasure;
    while (bestMeasure > control.target && out.iterations < control.iterationLimit) {
        interruptionPoint();
        ++out.iterations;
        bool stepped = step(a, m, x, w);
        double estimate = stepped ? control.estimate(x, w.r) : INFINITY;
        if (stepped && std::isfinite(estimate) && estimate > gate) {
            if (estimate < 0.5 * halvedAt) {
                halvedAt = estimate;
                sinceHalved = 0;
            } else if (++sinceHalved > control.stallWindow) {
                out.stop = "stalled";
                break;
            }
            continue;
        }
        // the recursion says done, or broke down: look at the truth; the recursion goes on
        // from the true residual, afresh only after a breakdown
        if (!std::isfinite(estimate)) x = best;
        double measure = control.judge(x, w.r);
        if (!stepped || !std::isfinite(estimate)) {
            w.restart();
            ++out.restarts;
        }
        if (measure < bestMeasure) {
            bestMeasure = measure;
            best = x;
        }
        if (measure > control.target && std::isfinite(estimate)) gate = std::min(gate, 0.01 * estimate);
        if (out.restarts > 60) {
            out.stop = "stalled";
            break;
        }
    }
    if (out.iterations > 0 && bestMeasure > control.target) {
        double measure = control.judge(x, w.r);
        if (measure < bestMeasure) {
            bestMeasure = measure;
            best = x;
        }
    }
    x = best;
    out.measure = bestMeasure;
    out.converged = out.measure <= control.target;
    if (!out.converged && *out.stop == '\0') out.stop = "reached its iteration limit";
    return out;
}
