// Method "mla": multilevel aggregation. Each cycle smooths the iterate x with a Gauss-Seidel
// sweep, groups the states into aggregates by the strength of the flows a(i, j) x_j between
// them, and solves the chain of aggregates those flows make (recursively, in W cycles, the
// smallest chain by elimination); its stationary vector y corrects x_i to x_i y_{I(i)}
// (raised to a power above 1 while that helps: constants over aggregates fall short of a
// smooth error), and another sweep follows. The first cycles run once with forward and once
// with backward sweeps, choosing the aggregates afresh; the better direction and its last
// aggregates are kept, while the chains of aggregates follow the iterate in every cycle.
// Where the error of a chain lives on large scales (queues in tandem), the chains of
// aggregates remove it in about 70 cycles whatever the size of the chain, where sweeps alone
// need more the longer the chain's paths are. It stops when the residual of the chain
// reaches the target, and gives up when 20 cycles gain less than a tenth.
#ifndef VELMAR_DSS_METHODS_MULTILEVELAGGREGATION_H
#define VELMAR_DSS_METHODS_MULTILEVELAGGREGATION_H

#include "methods/SolutionMethod.h"
#include "methods/MethodSettings.h"

class MultilevelAggregationMethod : public SolutionMethod {
public:
    explicit MultilevelAggregationMethod(const MethodSettings& s) : settings(s) {}
    const char* name() const override { return "mla"; }
    bool solve(const Generator& q, std::vector<double>& pi, SolveAttempt& attempt) override;

private:
    MethodSettings settings;
};

#endif
