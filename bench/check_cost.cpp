// What the solution check costs against the solve it checks, on a flat state space:
//   check_cost <state-space dir>/ <experiment> [dss options...]
// Prints the states, transitions, processor seconds of reading the chain, of each
// factorisation attempt and of the checks, and the checks' share of the solve.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "chain/BlockBalance.h"
#include "dss/DSSSolver.h"
#include "check/SolutionCheck.h"
#include "chain/StrongComponents.h"
#include <chrono>
#include "statelevel/BaseStateLevel.h"

int main(int argc, char** argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: check_cost <state-space dir>/ <experiment> [dss options...]\n");
        return 2;
    }
    char dir[] = "/tmp/check_costXXXXXX";
    if (mkdtemp(dir) == nullptr) return 1;
    std::string out = std::string(dir) + "/", report = out + "r.txt";
    std::vector<std::string> words = {"dss", "-P", "b", "-S", "b", "-E", argv[2], "-G", argv[1],
                                      "-s", out, "-o", report};
    for (int k = 3; k < argc; ++k) words.push_back(argv[k]);
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
        printf("attempt %s at drop tolerance %g: %.3f s (factor entries %lld, GMRES %d)\n", a.method.c_str(), a.tolerance,
               a.seconds, (long long)a.factorEntries, a.gmresIterations);
    printf("solution checks: %.3f s, %.2f %% of the solve (%.3f s)\n", r.checkSeconds,
           100.0 * r.checkSeconds / solve, solve);
    // the parts of the check, timed again on the chain as solved
    auto seconds = [](auto&& f) {
        const auto t0 = std::chrono::steady_clock::now();
        f();
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    };
    Components first;
    const double firstLevel = seconds([&] { first = strongComponents(solver.chain, 1e-2); });
    BlockLevels levels;
    const double search = seconds([&] { levels = findBlockLevels(solver.chain); });
    const double vector = seconds([&] { checkSolution(solver.chain, solver.solutionVector, 1e-9, &levels); });
    printf("block search %.4f s (first level %.4f s, %d blocks, %zu levels), check of the vector %.4f s\n", search,
           firstLevel, first.count, levels.share.size(), vector);
    remove(report.c_str());
    std::string csv = out + "r.csv";
    remove(csv.c_str());
    delete level;
    return 0;
}
