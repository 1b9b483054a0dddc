// Restarted GMRES(m), right preconditioned: A M^-1 u = b with x = M^-1 u, so the residual
// it minimises is the true one; every cycle ends with a check against the complete system.
#include "methods/Gmres.h"

#include "framework/Interruption.h"
#include <algorithm>
#include <cmath>
#include <vector>

using Vector = std::vector<double>;

namespace {

// Largest magnitude, at least `floor` (1e-11 is the refinement's measure of an iterate).
double maxNorm(const Vector& v, double floor = 1e-11)
{
    double m = floor;
    for (double a : v) m = std::max(m, std::fabs(a));
    return m;
}

double dot(const Vector& a, const Vector& b)
{
    double s = 0.0;
    for (size_t i = 0; i < a.size(); ++i) s += a[i] * b[i];
    return s;
}

// The state of one iterate: its residual, its correction and their sizes.
struct Check {
    Vector r, e;
    double residualSize = 0.0;  // 2-norm of r
    double ratio = INFINITY;    // norm(e) / norm(x)
    bool accepted = false;
    bool finite = false;
};

// Residual and correction of x; accepted when the correction is small relative to x.
void check(const PreconditionedSystem& s, const Vector& x, double accuracy, Check& c)
{
    s.residual(x.data(), c.r.data());
    s.precondition(c.r.data(), c.e.data());
    c.residualSize = std::sqrt(dot(c.r, c.r));
    double ne = maxNorm(c.e, 0.0), nx = maxNorm(x);
    c.finite = std::isfinite(c.residualSize) && std::isfinite(ne) && std::isfinite(nx);
    c.ratio = c.finite ? ne / nx : INFINITY;
    c.accepted = c.finite && (s.accept ? s.accept(x.data()) : ne <= accuracy * nx);
}

// Rotation (c, s) taking (a, b) to (rho, 0).
void givens(double a, double b, double& c, double& s)
{
    double h = std::hypot(a, b);
    c = h > 0.0 ? a / h : 1.0;
    s = h > 0.0 ? b / h : 0.0;
}

// One cycle from x: at most m Arnoldi steps on A M^-1, stopping early once the residual
// estimate falls to target or the space stops growing; x gains the minimising update.
// Returns the number of steps.
int cycle(const PreconditionedSystem& s, Vector& x, const Check& start, double target, int m)
{
    const int n = s.n;
    std::vector<Vector> V(1, Vector(n));
    std::vector<Vector> H(m, Vector(m + 1, 0.0));  // H[k] is column k
    Vector cs(m), sn(m), g(m + 1, 0.0), z(n), w(n);
    double beta = start.residualSize;
    for (int i = 0; i < n; ++i) V[0][i] = start.r[i] / beta;
    g[0] = beta;
    int k = 0;
    while (k < m) {
        s.precondition(V[k].data(), z.data());
        s.multiply(z.data(), w.data());
        double before = std::sqrt(dot(w, w));
        for (int j = 0; j <= k; ++j) {  // modified Gram-Schmidt
            double h = dot(w, V[j]);
            H[k][j] = h;
            for (int i = 0; i < n; ++i) w[i] -= h * V[j][i];
        }
        double h = std::sqrt(dot(w, w));
        H[k][k + 1] = h;
        for (int j = 0; j < k; ++j) {
            double a = H[k][j], b = H[k][j + 1];
            H[k][j] = cs[j] * a + sn[j] * b;
            H[k][j + 1] = -sn[j] * a + cs[j] * b;
        }
        givens(H[k][k], H[k][k + 1], cs[k], sn[k]);
        H[k][k] = cs[k] * H[k][k] + sn[k] * H[k][k + 1];
        H[k][k + 1] = 0.0;
        g[k + 1] = -sn[k] * g[k];
        g[k] *= cs[k];
        ++k;
        bool exhausted = !(h > 1e-14 * before);  // the space is invariant (or not finite)
        if (exhausted || std::fabs(g[k]) <= target || k == m) break;
        V.emplace_back(n);
        for (int i = 0; i < n; ++i) V[k][i] = w[i] / h;
    }
    // a (nearly) singular triangle, as on an inconsistent system, would blow the update up:
    // the least-squares update then uses the leading vectors before the first tiny pivot
    const int steps = k;
    double largest = 0.0;
    for (int j = 0; j < k; ++j) largest = std::max(largest, std::fabs(H[j][j]));
    for (int j = 0; j < k; ++j)
        if (!(std::fabs(H[j][j]) > 1e-12 * largest)) k = j;
    // y from the triangular system, then x += M^-1 (V y)
    Vector y(k, 0.0), u(n, 0.0);
    for (int j = k - 1; j >= 0; --j) {
        double sum = g[j];
        for (int l = j + 1; l < k; ++l) sum -= H[l][j] * y[l];
        y[j] = sum / H[j][j];
    }
    for (int j = 0; j < k; ++j)
        for (int i = 0; i < n; ++i) u[i] += y[j] * V[j][i];
    s.precondition(u.data(), z.data());
    for (int i = 0; i < n; ++i) x[i] += z[i];
    return steps;
}

}  // namespace

GmresOutcome gmresRefine(const PreconditionedSystem& s, double* x0, double accuracy)
{
    GmresOutcome out;
    const int n = s.n;
    if (n <= 0) return out;
    Vector x(x0, x0 + n);
    Check now{Vector(n), Vector(n)};
    check(s, x, accuracy, now);
    double bestRatio = now.ratio;
    while (!now.accepted && now.finite && now.residualSize > 0.0 && out.iterations < s.iterationLimit) {
        interruptionPoint();
        // aim the residual below where the correction should pass, assuming the two shrink alike
        double target = s.accept ? 1e-3 * now.residualSize : 0.5 * now.residualSize * accuracy / now.ratio;
        int m = std::min(gmresRestart, s.iterationLimit - out.iterations);
        double previousSize = now.residualSize;
        out.iterations += cycle(s, x, now, target, m);
        check(s, x, accuracy, now);
        if (now.accepted || now.ratio < bestRatio) {
            bestRatio = now.ratio;
            std::copy(x.begin(), x.end(), x0);
        }
        if (!(now.residualSize < 0.99 * previousSize)) break;  // a cycle that gains nothing
    }
    out.converged = now.accepted;
    return out;
}
