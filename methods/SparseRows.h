// A square sparse matrix in compressed rows with sorted columns, and its product.
#ifndef VELMAR_DSS_SPARSEROWS_H
#define VELMAR_DSS_SPARSEROWS_H

#include <cstdint>
#include <utility>
#include <vector>

struct SparseRows {
    int n = 0;
    std::vector<int64_t> start;  // row i: col/val[start[i] .. start[i+1])
    std::vector<int> col;
    std::vector<double> val;
    std::vector<int64_t> diagonal;  // position of (i, i) in row i

    void swap(SparseRows& o)
    {
        std::swap(n, o.n);
        start.swap(o.start);
        col.swap(o.col);
        val.swap(o.val);
        diagonal.swap(o.diagonal);
    }
    int64_t entries() const { return start.empty() ? 0 : start[n]; }
    int64_t bytes() const
    {
        return (int64_t)(start.size() + diagonal.size()) * 8 + (int64_t)col.size() * 4 +
               (int64_t)val.size() * 8;
    }
};

// y = A x.
void multiply(const SparseRows& a, const double* x, double* y);

#endif
