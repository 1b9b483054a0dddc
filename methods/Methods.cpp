// The method table.
#include "methods/Methods.h"

#include <new>

#include "methods/ClosedClassOnly.h"
#include "methods/GaussSeidel.h"
#include "methods/Gth.h"
#include "methods/IluKrylov.h"
#include "methods/MultilevelAggregation.h"

bool solveWithGth(const Generator& q, const MethodSettings& s, bool budgeted, std::vector<double>& pi,
                  SolveAttempt& attempt)
{
    bool produced = false;
    try {
        produced = makeMethod(budgeted ? "gth-budget" : "gth", s)->solve(q, pi, attempt);
    } catch (std::bad_alloc&) {
        attempt.outOfMemory = true;
        attempt.note = "memory ran out";
    }
    attempt.method = "gth";
    attempt.gaveUp = !produced;
    return produced;
}

std::unique_ptr<SolutionMethod> makeMethod(const std::string& name, const MethodSettings& s,
                                           const MethodMaker& others)
{
    // the method itself may be given the closed class alone, whose blocks the check then
    // finds anew (blocks are used only for the chain they were found on)
    MethodSettings own = s;
    auto classOnly = [&s](std::unique_ptr<SolutionMethod> m) -> std::unique_ptr<SolutionMethod> {
        return std::make_unique<ClosedClassOnly>(s, std::move(m));
    };
    if (name == "ilu") return classOnly(std::make_unique<IluKrylovMethod>(own));
    if (name == "gs") return classOnly(std::make_unique<GaussSeidelMethod>(own));
    if (name == "mla") return classOnly(std::make_unique<MultilevelAggregationMethod>(own));
    if (name == "gth") return classOnly(std::make_unique<GthMethod>(own));
    if (name == "gth-budget") return classOnly(std::make_unique<GthMethod>(own, autoGthFillBudget));
    if (name == "gs-budget") {
        // gs under auto: a sweep budget unless a limit was set
        if (own.iterationLimit == 0) own.iterationLimit = autoSweepBudget;
        return classOnly(std::make_unique<GaussSeidelMethod>(own));
    }
    if (name == "mla-budget") {
        if (own.iterationLimit == 0) own.iterationLimit = autoCycleBudget;
        return classOnly(std::make_unique<MultilevelAggregationMethod>(own));
    }
    if (name != "auto") return others ? others(name) : nullptr;
    MethodMaker candidates = [s, others](const std::string& n) -> std::unique_ptr<SolutionMethod> {
        if (n == "auto") return nullptr;
        return makeMethod(n, s, others);
    };
    return std::make_unique<AutoMethod>(s, candidates);
}
