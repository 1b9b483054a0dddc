// A method applied to the closed class alone: transient states have probability 0 exactly,
// not the rounding noise an iteration or a factorisation of the whole chain leaves on them.
#ifndef VELMAR_DSS_METHODS_CLOSEDCLASSONLY_H
#define VELMAR_DSS_METHODS_CLOSEDCLASSONLY_H

#include <memory>
#include <vector>

#include "chain/Generator.h"
#include "methods/SolutionMethod.h"
#include "methods/MethodSettings.h"

class ClosedClassOnly : public SolutionMethod {
public:
    ClosedClassOnly(const MethodSettings& s, std::unique_ptr<SolutionMethod> m) : settings(s), inner(std::move(m)) {}
    const char* name() const override { return inner->name(); }
    // A chain without transient states, or with several closed classes, goes to the method
    // as it is.
    bool solve(const Generator& q, std::vector<double>& pi, SolveAttempt& attempt) override;

private:
    MethodSettings settings;
    std::unique_ptr<SolutionMethod> inner;
};

// The chain of the given states (local[i]: the position of state i in states, or -1) with
// the rates among them.
Generator subGenerator(const Generator& q, const std::vector<int>& states, const std::vector<int>& local);

#endif
