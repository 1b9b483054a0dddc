// Restarted GMRES with right preconditioning: carries on a refinement that stalled.
#ifndef VELMAR_DSS_GMRES_H
#define VELMAR_DSS_GMRES_H

#include <functional>

// Krylov vectors kept per cycle (allocated as a cycle reaches them: 8 MB each per million
// states), and the iteration bound over all cycles.
const int gmresRestart = 50;
const int gmresIterationLimit = 1000;

// The system A x = b through its two actions on vectors of n entries.
struct PreconditionedSystem {
    int n = 0;
    // r = b - A x, against the complete system.
    std::function<void(const double* x, double* r)> residual;
    // w = A v.
    std::function<void(const double* v, double* w)> multiply;
    // z = M^-1 r, M being the incomplete factors.
    std::function<void(const double* r, double* z)> precondition;
    // When set, decides alone whether an iterate is good enough; each cycle then aims its
    // residual a thousand times lower.
    std::function<bool(const double* x)> accept;
    // Arnoldi steps allowed over all cycles.
    int iterationLimit = gmresIterationLimit;
};

struct GmresOutcome {
    bool converged = false;
    int iterations = 0;
};

// Improves x in place until the correction M^-1 (b - A x) is at most accuracy times x
// (both in the largest-magnitude norm); on failure x is the best iterate seen.
GmresOutcome gmresRefine(const PreconditionedSystem& system, double* x, double accuracy);

#endif
