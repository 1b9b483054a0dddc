// ILU(0) in the row-by-row (IKJ) form, and the two triangular solves.
#include "methods/Ilu.h"

#include "framework/Interruption.h"
#include <cmath>

IncompleteFactors incompleteLU0(const SparseRows& a)
{
    IncompleteFactors f;
    f.pattern = &a;
    f.val = a.val;
    f.inverseDiagonal.assign(a.n, 0.0);
    std::vector<int64_t> where(a.n, -1);  // position in the current row of each column
    const int64_t* s = a.start.data();
    const int* c = a.col.data();
    double* v = f.val.data();
    for (int i = 0; i < a.n; ++i) {
        interruptionPoint();
        for (int64_t p = s[i]; p < s[i + 1]; ++p) where[c[p]] = p;
        for (int64_t p = s[i]; p < a.diagonal[i]; ++p) {
            const int k = c[p];
            const double m = v[p] * f.inverseDiagonal[k];
            v[p] = m;
            if (m == 0.0) continue;
            for (int64_t t = a.diagonal[k] + 1; t < s[k + 1]; ++t) {
                const int64_t w = where[c[t]];
                if (w >= 0) v[w] -= m * v[t];
            }
        }
        double& pivot = v[a.diagonal[i]];
        // a pivot lost to cancellation is replaced by the original diagonal (or 1)
        if (!(std::fabs(pivot) > 1e-14 * std::fabs(a.val[a.diagonal[i]])) || !std::isfinite(pivot)) {
            pivot = a.val[a.diagonal[i]] != 0.0 ? a.val[a.diagonal[i]] : 1.0;
            ++f.replacedPivots;
        }
        f.inverseDiagonal[i] = 1.0 / pivot;
        for (int64_t p = s[i]; p < s[i + 1]; ++p) where[c[p]] = -1;
    }
    return f;
}

void applyFactors(const IncompleteFactors& f, const double* r, double* z)
{
    const SparseRows& a = *f.pattern;
    const int64_t* s = a.start.data();
    const int* c = a.col.data();
    const double* v = f.val.data();
    const int64_t* d = a.diagonal.data();
    for (int i = 0; i < a.n; ++i) {
        double sum = r[i];
        for (int64_t p = s[i]; p < d[i]; ++p) sum -= v[p] * z[c[p]];
        z[i] = sum;
    }
    for (int i = a.n - 1; i >= 0; --i) {
        double sum = z[i];
        for (int64_t p = d[i] + 1; p < s[i + 1]; ++p) sum -= v[p] * z[c[p]];
        z[i] = sum * f.inverseDiagonal[i];
    }
}
