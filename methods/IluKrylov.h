// Method "ilu": BiCGStab preconditioned by ILU(0) on the reduced system (one recurrent
// state fixed, states in reverse Cuthill-McKee order), carried on by restarted GMRES when
// BiCGStab stalls.
#ifndef VELMAR_DSS_ILUKRYLOV_H
#define VELMAR_DSS_ILUKRYLOV_H

#include "methods/SolutionMethod.h"
#include "methods/MethodSettings.h"

class IluKrylovMethod : public SolutionMethod {
public:
    explicit IluKrylovMethod(const MethodSettings& s) : settings(s) {}
    const char* name() const override { return "ilu"; }
    bool solve(const Generator& q, std::vector<double>& pi, SolveAttempt& attempt) override;

private:
    MethodSettings settings;
};

#endif
