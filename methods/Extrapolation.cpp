// The normal equations of the differences, solved by elimination with partial pivoting.
#include "methods/Extrapolation.h"

#include <cmath>
#include <utility>

// Solves the m x m system a g = b in place (b receives g); false when a pivot vanishes.
static bool solveSmall(std::vector<double>& a, std::vector<double>& b, int m)
{
    for (int p = 0; p < m; ++p) {
        int pivot = p;
        for (int r = p + 1; r < m; ++r)
            if (std::fabs(a[r * m + p]) > std::fabs(a[pivot * m + p])) pivot = r;
        if (!(std::fabs(a[pivot * m + p]) > 0.0)) return false;
        if (pivot != p) {
            for (int c = 0; c < m; ++c) std::swap(a[p * m + c], a[pivot * m + c]);
            std::swap(b[p], b[pivot]);
        }
        for (int r = p + 1; r < m; ++r) {
            double l = a[r * m + p] / a[p * m + p];
            for (int c = p; c < m; ++c) a[r * m + c] -= l * a[p * m + c];
            b[r] -= l * b[p];
        }
    }
    for (int p = m - 1; p >= 0; --p) {
        double s = b[p];
        for (int c = p + 1; c < m; ++c) s -= a[p * m + c] * b[c];
        b[p] = s / a[p * m + p];
    }
    return true;
}

bool extrapolate(const std::vector<std::vector<double>>& earlier, std::vector<double>& x, const RowParts* parts)
{
    const int m = (int)earlier.size();  // differences u_0 .. u_{m-1}
    const int maxRank = 8;
    if (m < 1 || m > maxRank) return false;
    const RowParts whole((int)x.size());
    const RowParts& p = parts != nullptr ? *parts : whole;
    // Gram matrix of the differences u_i = x_{i+1} - x_i, in one pass, part by part
    std::vector<std::vector<double>> partGram(p.count(), std::vector<double>(m * m, 0.0));
    p.inParallel([&](int t) {
        std::vector<double>& gram = partGram[t];
        double u[maxRank];
        for (int j = p.from(t); j < p.to(t); ++j) {
            for (int i = 0; i + 1 < m; ++i) u[i] = earlier[i + 1][j] - earlier[i][j];
            u[m - 1] = x[j] - earlier[m - 1][j];
            for (int a = 0; a < m; ++a)
                for (int b = 0; b <= a; ++b) gram[a * m + b] += u[a] * u[b];
        }
    });
    std::vector<double> gram(m * m, 0.0);
    for (const std::vector<double>& g : partGram)
        for (int k = 0; k < m * m; ++k) gram[k] += g[k];
    double trace = 0.0;
    for (int a = 0; a < m; ++a) {
        for (int b = 0; b < a; ++b) gram[b * m + a] = gram[a * m + b];
        trace += gram[a * m + a];
    }
    if (!(trace > 0.0) || !std::isfinite(trace)) return false;
    for (int a = 0; a < m; ++a) gram[a * m + a] += 1e-13 * trace;  // differences nearly dependent
    // minimise g^T G g subject to sum g = 1: g is G^{-1} 1, scaled
    std::vector<double> g(m, 1.0);
    if (!solveSmall(gram, g, m)) return false;
    double sum = 0.0;
    for (double v : g) sum += v;
    if (!std::isfinite(sum) || sum == 0.0) return false;
    for (double& v : g) v /= sum;
    p.inParallel([&](int t) {
        for (int j = p.from(t); j < p.to(t); ++j) {
            double v = g[m - 1] * x[j];
            for (int i = 0; i + 1 < m; ++i) v += g[i] * earlier[i + 1][j];
            x[j] = v > 0.0 ? v : 0.0;
        }
    });
    return true;
}
