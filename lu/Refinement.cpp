// Iterative refinement: corrections kept only while they bring the iterate closer to the chain.
#include "lu/Refinement.h"

#include <algorithm>
#include <cmath>

double chainResidualMeasure(const Matrix* loaded, int n, const double* x)
{
    double sum = 0.0, largest = 0.0;
    for (int i = 0; i < n; ++i) {
        sum += x[i];
        largest = std::max(largest, std::fabs(x[i]));
    }
    if (!(sum > 0.0) || !std::isfinite(sum) || !std::isfinite(largest)) return INFINITY;
    // the balance equations of every state but the last; the last one's residual is minus
    // their sum, since the balance equations of all states add up to zero
    double worst = 0.0, total = 0.0;
    for (int i = 0; i + 1 < n; ++i) {
        double r = 0.0;
        const Matrix& row = loaded[i];
        for (int q = 0; q < row.numEntries(); ++q) r += row.values[q] * x[row.columns[q]];
        worst = std::max(worst, std::fabs(r));
        total += r;
    }
    worst = std::max(worst, std::fabs(total));
    return std::isfinite(worst) ? worst / largest : INFINITY;
}

// Largest magnitude of v and whether every entry is finite.
static double maxMagnitude(const std::vector<double>& v, bool* finite)
{
    double m = 0.0;
    *finite = true;
    for (double a : v) {
        *finite = *finite && std::isfinite(a);
        m = std::max(m, std::fabs(a));
    }
    return m;
}

// Corrections shrinking by less than this factor a pass are left to GMRES.
static const double slowContraction = 0.9;

RefinementOutcome refineIterate(const RefinementSystem& s, std::vector<double>& x, double accuracy)
{
    RefinementOutcome out;
    const int n = s.n;
    std::vector<double> next(n), e(n);
    double measure = s.measure(x.data());
    double lastCorrection = INFINITY;
    for (int c = 0;; c += 2) {
        out.passCounter = c;
        if (s.progress) s.progress(c);
        s.correction(x.data(), e.data());
        for (int i = 0; i < n; ++i) next[i] = x[i] + e[i];
        bool finite = false, finiteNext = false;
        double size = maxMagnitude(e, &finite);
        double scale = maxMagnitude(next, &finiteNext);
        double nextMeasure = s.measure(next.data());
        bool lowers = nextMeasure < measure;
        // the size test compares the correction with the iterate itself, whatever its scale;
        // corrections that shrink by a factor rho leave an error up to rho / (1 - rho) times
        // the last one, so a slow contraction must bring them further down
        double rho = lastCorrection < INFINITY && lastCorrection > 0.0 ? size / lastCorrection : 0.0;
        double remaining = rho < 1.0 ? size * std::max(1.0, rho / (1.0 - rho)) : INFINITY;
        if (finite && finiteNext && remaining <= accuracy * scale && nextMeasure < INFINITY) {
            out.converged = true;
            if (lowers || nextMeasure == measure) {
                x.swap(next);
                measure = nextMeasure;
            }
            break;
        }
        if (!lowers) break;  // this correction would take the iterate away from the chain
        x.swap(next);
        measure = nextMeasure;
        // a correction no smaller than the last, or one that shrinks too slowly to be worth
        // more passes: the Krylov continuation does better from here
        if (!(size < lastCorrection) || rho > slowContraction || c >= 10000) break;
        lastCorrection = size;
    }
    out.measure = measure;
    return out;
}
