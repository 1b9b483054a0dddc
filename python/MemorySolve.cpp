// The direct solver's solve of one chain, told to write nothing.
#include "python/MemorySolve.h"

#include <chrono>
#include <cmath>

#include "dss/ChainSolver.h"
#include "statelevel/BaseStateLevel.h"

std::string settingsFault(const SolveSettings& s)
{
    if (!knownMethod(s.method)) return unknownMethodText(s.method);
    if (!(s.accuracy > 0.0 && s.accuracy < 1.0))
        return "the accuracy is a number between 0 and 1, such as 1e-9";
    if (!(s.tolerance >= 0.0 && std::isfinite(s.tolerance)))
        return "the drop tolerance is a finite number of at least zero, such as 1e-3";
    return std::string();
}

SolveOutcome solveLevel(BaseStateLevel& level, const SolveSettings& s)
{
    auto began = std::chrono::steady_clock::now();
    ChainSolver solver(&level);
    solver.method = s.method;
    solver.methodGiven = s.methodGiven;
    solver.accuracy = s.accuracy;
    solver.tolerance = s.tolerance;
    solver.allocateStateArrays();
    solver.solveSystem();
    SolveOutcome out;
    out.pi.swap(solver.solutionVector);
    out.record = std::move(solver.record);
    out.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    return out;
}
