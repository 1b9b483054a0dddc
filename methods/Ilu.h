// Incomplete LU factors on the pattern of the matrix itself, ILU(0): L unit lower and U
// upper triangular share the matrix's rows.
#ifndef VELMAR_DSS_ILU_H
#define VELMAR_DSS_ILU_H

#include <cstdint>
#include <vector>

#include "methods/SparseRows.h"

struct IncompleteFactors {
    const SparseRows* pattern = nullptr;  // rows, columns and diagonal positions
    std::vector<double> val;              // L below the diagonal, U on and above
    std::vector<double> inverseDiagonal;  // 1 / u_kk
    int replacedPivots = 0;               // pivots too small to divide by, replaced

    int64_t bytes() const { return (int64_t)(val.size() + inverseDiagonal.size()) * 8; }
};

// Factorises a (rows with sorted columns and a diagonal entry each).
IncompleteFactors incompleteLU0(const SparseRows& a);

// z = (LU)^-1 r.
void applyFactors(const IncompleteFactors& f, const double* r, double* z);

#endif
