// BiCGStab with restarts on breakdown and on a recursive residual that drifted from the true one.
#include "dss/methods/BiCGStab.h"

#include <cmath>

namespace {

using Vector = std::vector<double>;

double dot(const Vector& a, const Vector& b)
{
    double s = 0.0;
    for (size_t i = 0; i < a.size(); ++i) s += a[i] * b[i];
    return s;
}

// r = b - A x.
void trueResidual(const SparseRows& a, const Vector& b, const Vector& x, Vector& r)
{
    multiply(a, x.data(), r.data());
    for (size_t i = 0; i < r.size(); ++i) r[i] = b[i] - r[i];
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

KrylovOutcome bicgstab(const SparseRows& a, const Vector& b, const IncompleteFactors& m, Vector& x,
                       const KrylovControl& control)
{
    KrylovOutcome out;
    State w(x.size());
    trueResidual(a, b, x, w.r);
    w.restart();
    Vector best = x;
    double bestMeasure = control.measure(x, w.r);
    out.measure = bestMeasure;
    int sinceHalved = 0;
    double halvedAt = bestMeasure;
    while (out.iterations < control.iterationLimit) {
        if (bestMeasure <= control.target) break;
        ++out.iterations;
        bool stepped = step(a, m, x, w);
        double estimate = stepped ? control.measure(x, w.r) : INFINITY;
        if (!stepped || estimate <= control.target || !std::isfinite(estimate)) {
            // the recursive residual says done, or the recurrences broke down: look at the truth
            if (!std::isfinite(estimate) && stepped) x = best;
            trueResidual(a, b, x, w.r);
            estimate = control.measure(x, w.r);
            w.restart();
            ++out.restarts;
        }
        if (estimate < bestMeasure) {
            bestMeasure = estimate;
            best = x;
        }
        if (bestMeasure <= 0.5 * halvedAt) {
            halvedAt = bestMeasure;
            sinceHalved = 0;
        } else if (++sinceHalved > control.stallWindow || out.restarts > 50) {
            out.stop = "stalled";
            break;
        }
    }
    x = best;
    // the measure reported is the true one, never the recursion's
    trueResidual(a, b, x, w.r);
    out.measure = control.measure(x, w.r);
    out.converged = out.measure <= control.target;
    if (!out.converged && *out.stop == '\0') out.stop = "reached its iteration limit";
    return out;
}
