// The small interface behind which each solution method sits.
#ifndef VELMAR_DSS_SOLUTIONMETHOD_H
#define VELMAR_DSS_SOLUTIONMETHOD_H

#include <vector>

#include "methods/SolveRecord.h"

struct Generator;

class SolutionMethod {
public:
    virtual ~SolutionMethod() = default;
    virtual const char* name() const = 0;
    // Computes an approximation of the stationary vector of q into pi (n entries) and adds
    // what it did to attempt. Returns false when it produced no vector worth checking.
    virtual bool solve(const Generator& q, std::vector<double>& pi, SolveAttempt& attempt) = 0;
};

#endif
