// One line per method, each in the words of its own kind of work.
#include "report/MethodLine.h"

#include <cstdio>

namespace {

// "converged" or why not.
std::string outcome(const SolveAttempt& a)
{
    if (a.converged) return "converged";
    return a.note.empty() ? "did not converge" : "did not converge (" + a.note + ")";
}

}  // namespace

std::string methodLine(const SolveAttempt& a)
{
    char line[600];
    if (a.method == "ilu") {
        std::string gmres = a.gmresUsed ? ", then GMRES " + std::to_string(a.gmresIterations) + " iterations" : "";
        snprintf(line, sizeof line,
                 "Method ilu: BiCGStab preconditioned by ILU(0), ordering %s: %d iterations%s, %lld factor "
                 "entries, %s, %.2f s.\n",
                 a.ordering.c_str(), a.iterations, gmres.c_str(), (long long)a.factorEntries, outcome(a).c_str(),
                 a.seconds);
    } else if (a.method == "gs") {
        // with threads, the seconds are those of all of them
        std::string threads = a.threads > 1 ? " in " + std::to_string(a.threads) + " threads" : "";
        snprintf(line, sizeof line, "Method gs: Gauss-Seidel, %d sweeps%s, %s, %.2f s.\n", a.iterations,
                 threads.c_str(), outcome(a).c_str(), a.seconds);
    } else if (a.method == "mla") {
        snprintf(line, sizeof line, "Method mla: multilevel aggregation, %d cycles, %s, %.2f s.\n", a.iterations,
                 outcome(a).c_str(), a.seconds);
    } else if (a.method == "gth") {
        snprintf(line, sizeof line,
                 "Method gth: elimination with sums for pivots, ordering %s, %lld factor entries%s%s, %.2f s.\n",
                 a.ordering.c_str(), (long long)a.factorEntries, a.note.empty() ? "" : ", ", a.note.c_str(),
                 a.seconds);
    } else if (a.method != "lu") {
        // a method a program added says what it ran in its note
        snprintf(line, sizeof line, "Method %s: %s, %d iterations, %s, %.2f s.\n", a.method.c_str(), a.note.c_str(),
                 a.iterations, a.converged ? "converged" : "did not converge", a.seconds);
    } else {
        snprintf(line, sizeof line, "Method lu: factorisation with drop tolerance %le, %lld factor entries%s%s, %.2f s.\n",
                 a.tolerance, (long long)a.factorEntries, a.note.empty() ? "" : ", ", a.note.c_str(), a.seconds);
    }
    return line;
}
