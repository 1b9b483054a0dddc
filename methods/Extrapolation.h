// Reduced rank extrapolation of a converging fixed-point iteration: from iterates
// x_0, ..., x_{k+1} of the same scale, the combination sum g_i x_{i+1} with sum g_i = 1 whose
// differences sum g_i (x_{i+1} - x_i) are smallest in the 2-norm. Where a few slowly decaying
// components dominate the error, as after the first sweeps of Gauss-Seidel on a chain with
// concurrency, the combination cancels them.
#ifndef VELMAR_DSS_EXTRAPOLATION_H
#define VELMAR_DSS_EXTRAPOLATION_H

#include <vector>

#include "methods/RowParts.h"

// earlier holds x_0 .. x_k, x holds x_{k+1} and receives the combination, with negative
// entries set to 0. Returns false, leaving x as it was, when the differences are linearly
// dependent to working precision or the combination is not finite.
// With parts, the passes over the vectors run part by part side by side.
bool extrapolate(const std::vector<std::vector<double>>& earlier, std::vector<double>& x,
                 const RowParts* parts = nullptr);

#endif
