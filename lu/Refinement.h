// Iterative refinement of a solution of the normalised system with incomplete factors.
#ifndef VELMAR_DSS_REFINEMENT_H
#define VELMAR_DSS_REFINEMENT_H

#include <functional>
#include <vector>

#include "lu/Matrix.h"

// ||Q^T x||_inf / ||x||_inf from the loaded system (its last row being the normalisation):
// the residual of the normalised iterate against the chain, up to the constant ||Q||.
// Infinite when the entries of x do not sum to a positive finite number.
double chainResidualMeasure(const Matrix* loaded, int n, const double* x);

struct RefinementOutcome {
    bool converged = false;
    int passCounter = 0;   // counter of the last pass made (0, 2, 4, ...)
    double measure = 0.0;  // chain residual measure of the result
};

// What refinement needs of the system: the correction of an iterate (its residual solved
// with the factors), the chain residual measure, and a progress hook.
struct RefinementSystem {
    int n = 0;
    std::function<void(const double* x, double* e)> correction;
    std::function<double(const double* x)> measure;
    std::function<void(int passCounter)> progress;
};

// Improves x in place. A correction is kept only when it lowers the chain residual measure;
// refinement stops when the correction is small relative to the iterate (converged), when a
// correction is rejected or stops shrinking, or after 5001 passes.
RefinementOutcome refineIterate(const RefinementSystem& s, std::vector<double>& x, double accuracy);

#endif
