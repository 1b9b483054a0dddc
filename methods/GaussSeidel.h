// Method "gs": Gauss-Seidel (SOR with a relaxation factor other than 1) on the reduced
// system. It stops when the residual of the chain itself is small enough, measured every
// few sweeps, never because the change per sweep is small; it gives up when the measured
// rate of decrease cannot reach the target within the sweep limit. At each check the last few
// sweeps are combined by reduced rank extrapolation, which cancels the slowly decaying
// components of the error (on the kanban line it halves the sweeps), for as long as it helps.
#ifndef VELMAR_DSS_GAUSSSEIDEL_H
#define VELMAR_DSS_GAUSSSEIDEL_H

#include "methods/SolutionMethod.h"
#include "methods/MethodSettings.h"

class GaussSeidelMethod : public SolutionMethod {
public:
    explicit GaussSeidelMethod(const MethodSettings& s) : settings(s) {}
    const char* name() const override { return "gs"; }
    bool solve(const Generator& q, std::vector<double>& pi, SolveAttempt& attempt) override;

private:
    MethodSettings settings;
};

#endif
