// Turning the solve record into dicts.
#include "python/RecordDict.h"

#include "report/SolveJson.h"

namespace py = pybind11;

static py::dict checkDict(const SolutionCheck& c)
{
    py::dict d;
    d["passed"] = c.passed;
    d["failure"] = std::string(c.failure);
    d["residual"] = c.residual;
    d["imbalance"] = c.imbalance;
    d["block_imbalance"] = c.blockImbalance;
    d["coupling"] = c.coupling;
    d["blocks"] = c.blocks;
    d["bound"] = c.bound;
    d["sum"] = c.sum;
    d["most_negative"] = c.mostNegative;
    return d;
}

static py::dict attemptDict(const SolveAttempt& a)
{
    py::dict d;
    d["method"] = a.method;
    d["ordering"] = a.ordering;
    d["tolerance"] = a.tolerance;
    d["drop_threshold"] = a.dropThreshold;
    d["factor_entries"] = a.factorEntries;
    d["dropped"] = a.dropped;
    d["refinement_passes"] = a.refinementPasses;
    d["refined"] = a.refined;
    d["gmres_iterations"] = a.gmresIterations;
    d["gmres_used"] = a.gmresUsed;
    d["continued_after_check"] = a.continuedAfterCheck;
    d["converged"] = a.converged;
    d["iterations"] = a.iterations;
    d["threads"] = a.threads;
    d["seconds"] = a.seconds;
    d["out_of_memory"] = a.outOfMemory;
    d["gave_up"] = a.gaveUp;
    d["work_bytes"] = a.workBytes;
    d["note"] = a.note;
    if (a.forwardError >= 0.0) d["forward_error"] = a.forwardError;
    else d["forward_error"] = py::none();
    d["check"] = checkDict(a.check);
    return d;
}

py::dict recordDict(const SolveRecord& r, double seconds)
{
    py::dict d;
    py::list attempts;
    int iterations = 0;
    for (const SolveAttempt& a : r.attempts) {
        attempts.append(attemptDict(a));
        iterations += a.iterations;
    }
    const SolveAttempt* last = r.attempts.empty() ? nullptr : &r.attempts.back();
    d["valid"] = r.valid();
    d["method"] = last ? last->method : std::string();
    d["attempts"] = attempts;
    d["iterations"] = iterations;
    d["factor_entries"] = last ? last->factorEntries : 0;
    d["states"] = r.numStates;
    d["transitions"] = r.transitions;
    d["time_unit"] = r.timeUnit;
    d["closed_classes"] = r.closedClasses;
    d["transient_states"] = r.transientStates;
    d["check"] = checkDict(r.check);
    py::dict times;
    times["read"] = r.readSeconds;
    times["check"] = r.checkSeconds;
    times["solve"] = seconds;
    d["seconds"] = times;
    // the figures under the names of the program's JSON results file
    py::dict figures;
    for (const JsonField& f : solveFields(r, SolveFigures())) {
        if (f.name == "computationSeconds" || f.name == "userSeconds" || f.name == "systemSeconds" ||
            f.name == "peakMemoryMiB")
            continue;  // the process's own, not the solve's
        if (f.kind == JsonField::Integer) figures[f.name.c_str()] = (long long)f.value;
        else if (f.kind == JsonField::Flag) figures[f.name.c_str()] = f.value != 0.0;
        else figures[f.name.c_str()] = f.value;
    }
    d["figures"] = figures;
    return d;
}
