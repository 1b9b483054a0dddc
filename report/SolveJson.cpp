// The solve's figures in the JSON results file.
#include "report/SolveJson.h"

#include <cmath>

std::vector<JsonField> solveFields(const SolveRecord& record, const SolveFigures& f)
{
    // the threshold of the factorisation whose vector was reported (or the last one made)
    const SolveAttempt* lastLu = nullptr;
    for (const SolveAttempt& a : record.attempts)
        if (a.method == "lu") lastLu = &a;
    std::vector<JsonField> fields = {
        {"computationSeconds", f.userSeconds + f.systemSeconds},
        {"userSeconds", f.userSeconds},
        {"systemSeconds", f.systemSeconds},
        {"peakMemoryMiB", (double)f.peakKiB / 1024.0},
        {"dropThreshold", lastLu != nullptr ? lastLu->dropThreshold : f.dropThreshold},
        {"timeUnit", record.timeUnit},
        {"closedClasses", (double)record.closedClasses, JsonField::Integer},
        {"transientStates", (double)record.transientStates, JsonField::Integer},
        {"attempts", (double)record.attempts.size(), JsonField::Integer},
        {"factorEntries", record.attempts.empty() ? 0.0 : (double)record.attempts.back().factorEntries,
         JsonField::Integer},
        {"gmresIterations", record.attempts.empty() ? 0.0 : (double)record.attempts.back().gmresIterations,
         JsonField::Integer},
        {"checkResidual", record.check.residual},
        {"checkImbalance", record.check.imbalance},
        {"checkBound", record.check.bound},
        {"checkBlocks", (double)record.check.blocks, JsonField::Integer},
        {"checkBlockImbalance", record.check.blockImbalance},
        {"checkCoupling", record.check.coupling},
        {"checkPassed", record.check.passed ? 1.0 : 0.0, JsonField::Flag},
        // null when the vector failed its check, as the report says
        {"resolutionFloor", record.check.passed ? record.check.resolutionFloor : NAN}};
    // the method's own error estimate, where the answer's method gives one
    if (!record.attempts.empty() && record.attempts.back().forwardError >= 0.0)
        fields.push_back({"forwardErrorEstimate", record.attempts.back().forwardError});
    return fields;
}

std::vector<JsonField> attemptFields(const SolveAttempt& a)
{
    return {{"method", a.method},
            {"ordering", a.ordering},
            {"iterations", (double)a.iterations, JsonField::Integer},
            {"gmresIterations", (double)a.gmresIterations, JsonField::Integer},
            {"refinementPasses", (double)a.refinementPasses, JsonField::Integer},
            {"factorEntries", (double)a.factorEntries, JsonField::Integer},
            {"converged", a.converged ? 1.0 : 0.0, JsonField::Flag},
            {"checkPassed", a.check.passed ? 1.0 : 0.0, JsonField::Flag},
            {"processorSeconds", a.seconds},
            {"note", a.note}};
}

std::vector<JsonField> phaseFields(const RunPhases& p)
{
    return {{"reading", p.reading},
            {"structureAnalysis", p.structure},
            {"solving", p.solving},
            {"checking", p.checking},
            {"pvEvaluation", p.evaluation},
            {"writing", p.writing}};
}
