// Sparse products.
#include "methods/SparseRows.h"

void multiply(const SparseRows& a, const double* x, double* y)
{
    const int64_t* s = a.start.data();
    const int* c = a.col.data();
    const double* v = a.val.data();
    for (int i = 0; i < a.n; ++i) {
        double sum = 0.0;
        for (int64_t p = s[i]; p < s[i + 1]; ++p) sum += v[p] * x[c[p]];
        y[i] = sum;
    }
}
