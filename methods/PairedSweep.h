// The forward SOR sweep over rows [from, to) of a packed system, two rows at a time. Each
// row's sum is taken term by term in its columns' order, as a plain sweep takes it, so the
// iterates are the same to the bit; but the terms of row i + 1 that come before its column i
// do not wait for row i, and the two chains of additions run side by side. A sweep of one
// row at a time waits on every addition in turn.
#ifndef VELMAR_DSS_PAIREDSWEEP_H
#define VELMAR_DSS_PAIREDSWEEP_H

#include <cstdint>

#include "methods/PackedRows.h"

// x_c as row terms read it: `Source` gives it from the values of this sweep or of the one before.
struct CurrentValues {
    const double* x;
    double operator()(int c) const { return x[c]; }
};

// Values of this sweep inside the block [from, to), of the sweep before outside it.
struct BlockValues {
    const double* x;
    const double* before;
    unsigned from, size;
    // the array is chosen, not the load: no branch on where a column lies
    double operator()(int c) const { return ((unsigned)c - from < size ? x : before)[c]; }
};

template <class Values, class Source>
void pairedSweep(const PackedRows& a, Values v, const double* b, double omega, int from, int to, double* x,
                 Source source, double* after)
{
    const int64_t* s = a.start.data();
    const int64_t* u = a.upper.data();
    const int* c = a.col.data();
    const double* d = a.diagonal.data();
    auto finish = [&](int i, double sum) {
        const double y = omega == 1.0 ? sum / d[i] : (1.0 - omega) * x[i] + omega * sum / d[i];
        x[i] = y;
        if (after != nullptr) after[i] = y;
    };
    int i = from;
    for (; i + 1 < to; i += 2) {
        const int64_t end0 = s[i + 1], end1 = s[i + 2];
        // row i + 1 up to its term in column i (the last one left of its diagonal, if any)
        const int64_t lower1 = u[i + 1];
        const int64_t wait1 = lower1 > end0 && c[lower1 - 1] == i ? lower1 - 1 : lower1;
        double sum0 = b[i], sum1 = b[i + 1];
        int64_t p0 = s[i], p1 = end0;
        for (; p0 < end0 && p1 < wait1; ++p0, ++p1) {
            sum0 -= v[p0] * source(c[p0]);
            sum1 -= v[p1] * source(c[p1]);
        }
        for (; p0 < end0; ++p0) sum0 -= v[p0] * source(c[p0]);
        for (; p1 < wait1; ++p1) sum1 -= v[p1] * source(c[p1]);
        finish(i, sum0);
        for (; p1 < end1; ++p1) sum1 -= v[p1] * source(c[p1]);
        finish(i + 1, sum1);
    }
    if (i < to) {
        double sum = b[i];
        for (int64_t p = s[i]; p < s[i + 1]; ++p) sum -= v[p] * source(c[p]);
        finish(i, sum);
    }
}

#endif
