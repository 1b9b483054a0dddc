// BiCGStab, right preconditioned by incomplete factors, on the reduced system.
#ifndef VELMAR_DSS_BICGSTAB_H
#define VELMAR_DSS_BICGSTAB_H

#include <functional>
#include <vector>

#include "methods/Ilu.h"
#include "methods/SparseRows.h"

struct KrylovControl {
    double target = 1e-10;  // on the measure below
    int iterationLimit = 2000;
    int stallWindow = 400;  // iterations allowed without halving the best measure
    // A cheap estimate of the measure from x and a residual r (the recursion's), tried first.
    std::function<double(const std::vector<double>& x, const std::vector<double>& r)> estimate;
    // The measure itself: computes the true residual of x into r.
    std::function<double(const std::vector<double>& x, std::vector<double>& r)> judge;
};

struct KrylovOutcome {
    bool converged = false;
    int iterations = 0;
    int restarts = 0;
    double measure = 0.0;  // of the returned x, from its true residual
    const char* stop = "";  // why it stopped without converging
};

// Improves x in place; on failure x is the best iterate seen.
KrylovOutcome bicgstab(const SparseRows& a, const IncompleteFactors& m,
                       std::vector<double>& x, const KrylovControl& control);

#endif
