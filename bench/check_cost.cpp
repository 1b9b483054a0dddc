// What the solution check costs against the solve it checks, on a flat state space:
//   check_cost <state-space dir>/ <experiment>
// Prints the states, transitions, processor seconds of reading the chain, of each
// factorisation attempt and of the checks, and the checks' share of the solve.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "dss/DSSSolver.h"
#include "statelevel/BaseStateLevel.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: check_cost <state-space dir>/ <experiment>\n");
        return 2;
    }
    char dir[] = "/tmp/check_costXXXXXX";
    if (mkdtemp(dir) == nullptr) return 1;
    std::string out = std::string(dir) + "/", report = out + "r.txt";
    std::vector<std::string> words = {"dss", "-P", "b", "-S", "b", "-E", argv[2], "-G", argv[1],
                                      "-s", out, "-o", report};
    std::vector<char*> args;
    for (std::string& w : words) args.push_back(&w[0]);
    args.push_back(nullptr);
    BaseStateLevel* level = BaseStateLevel::createStateLevelObject((int)words.size(), args.data());
    if (level == nullptr) return 1;
    DSSSolver solver(level, (int)words.size(), args.data());
    solver.initialize();
    solver.solveSystem();
    const SolveRecord& r = solver.record;
    double solve = r.readSeconds;
    for (const SolveAttempt& a : r.attempts) solve += a.seconds;
    printf("states %d, transitions %lld, check %s\n", r.numStates, (long long)r.transitions,
           r.check.passed ? "passed" : "failed");
    printf("reading the chain: %.3f s\n", r.readSeconds);
    for (const SolveAttempt& a : r.attempts)
        printf("attempt at drop tolerance %g: %.3f s (factor entries %lld, GMRES %d)\n", a.tolerance, a.seconds,
               (long long)a.factorEntries, a.gmresIterations);
    printf("solution checks: %.3f s, %.2f %% of the solve (%.3f s)\n", r.checkSeconds,
           100.0 * r.checkSeconds / solve, solve);
    remove(report.c_str());
    std::string csv = out + "r.csv";
    remove(csv.c_str());
    delete level;
    return 0;
}
