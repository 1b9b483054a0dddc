// Builds a direct solver over an in-memory chain with its report in a temporary
// directory, and the chains of the numerical tests as edge lists; their independent answers
// come from the oracle.
#ifndef VELMAR_TESTS_DSS_HARNESS_H
#define VELMAR_TESTS_DSS_HARNESS_H

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "dss/DSSSolver.h"
#include "lu/Matrix.h"
#include "tests/support/MemoryStateLevel.h"
#include "tests/support/Oracle.h"
#include "tests/support/TempDir.h"

using Edges = std::vector<MemoryStateLevel::Entry>;

// A solver over `level` whose report goes to <dir>/r.txt, in a temporary directory of its own
// (the solver goes before the directory).
struct DssRun {
    TempDir scratch;
    std::string dir = scratch.path;
    std::unique_ptr<MemoryStateLevel> level;
    std::unique_ptr<DSSSolver> solver;

    DssRun(int n, Edges edges, std::vector<std::string> options = {})
    {
        level.reset(new MemoryStateLevel(n, std::move(edges)));
        std::vector<std::string> words = {"dss", "-P", "p", "-S", "s", "-E", "e", "-G", "g/",
                                          "-s", dir + "/", "-o", dir + "/r.txt"};
        words.insert(words.end(), options.begin(), options.end());
        std::vector<char*> argv;
        for (std::string& w : words) argv.push_back(&w[0]);
        argv.push_back(nullptr);
        solver.reset(new DSSSolver(level.get(), (int)words.size(), argv.data()));
        solver->initialize();
    }
    ~DssRun() { solver.reset(); }
    // A file of the run's directory, for the options that name one.
    std::string file(const std::string& name) const { return scratch.file(name); }
    // Everything written to the report so far (in its temporary file until the run ends).
    std::string report()
    {
        fflush(solver->out);
        const std::string& pending = solver->outSink.temporary;
        return slurp(pending.empty() ? dir + "/r.txt" : pending);
    }
    // The CSV blocks written so far.
    std::string csv()
    {
        fflush(solver->csvOut);
        const std::string& pending = solver->csvSink.temporary;
        return slurp(pending.empty() ? dir + "/r.csv" : pending);
    }
    static std::string slurp(const std::string& path)
    {
        std::ifstream in(path);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // Loads, factorises and solves; returns the probability vector.
    std::vector<double> solve()
    {
        solver->solveSystem();
        return solver->solutionVector;
    }
};

// Dense generator Q[i][j] (row sums zero) of a chain; repeated edges add up.
inline std::vector<std::vector<double>> generator(int n, const Edges& edges)
{
    std::vector<std::vector<double>> Q(n, std::vector<double>(n, 0.0));
    for (const auto& e : edges) {
        if (e.row == e.col) continue;
        Q[e.row][e.col] += e.rate;
        Q[e.row][e.row] -= e.rate;
    }
    return Q;
}

// ||pi Q|| / (||Q|| ||pi||) in the max norm.
inline double scaledResidual(const std::vector<std::vector<double>>& Q, const std::vector<double>& pi)
{
    int n = (int)Q.size();
    double r = 0.0, q = 0.0, p = 0.0;
    for (int j = 0; j < n; ++j) {
        double s = 0.0;
        for (int i = 0; i < n; ++i) s += pi[i] * Q[i][j];
        r = std::max(r, std::fabs(s));
    }
    for (int i = 0; i < n; ++i) {
        double row = 0.0;
        for (int j = 0; j < n; ++j) row += std::fabs(Q[i][j]);
        q = std::max(q, row);
        p = std::max(p, std::fabs(pi[i]));
    }
    return r / (q * p);
}

// The stationary vector on the chain's one closed class (dense GTH, transient states at 0);
// empty when the chain has several closed classes.
inline std::vector<double> denseStationary(int n, const Edges& edges) { return closedStationary(generator(n, edges)); }

// The long-run distribution from `initial` by dense computation (see the oracle).
inline std::vector<double> denseLongRun(int n, const Edges& edges, int initial,
                                        std::vector<double>* reachOut = nullptr)
{
    return denseLongRun(generator(n, edges), initial, reachOut);
}

// Largest entrywise difference (the oracle's absolute measure), kept for the dss-mpi tests;
// vectors that span decades are compared state by state with statesAgree.
inline double maxDifference(const std::vector<double>& a, const std::vector<double>& b)
{
    return largestAbsoluteDifference(a, b);
}

// Birth-death chain with birth rates up[i] (i -> i+1) and death rates down[i] (i+1 -> i).
inline Edges birthDeath(const std::vector<double>& up, const std::vector<double>& down)
{
    Edges e;
    for (size_t i = 0; i < up.size(); ++i) {
        e.push_back({(int)i, (int)i + 1, up[i]});
        e.push_back({(int)i + 1, (int)i, down[i]});
    }
    return e;
}

// Two queues in tandem, capacities c1 and c2: state a*(c2+1)+b; arrivals lost while queue 1
// is full, queue 1 blocked while queue 2 is full.
inline Edges tandem(int c1, int c2, double lambda, double mu1, double mu2)
{
    Edges e;
    auto s = [&](int a, int b) { return a * (c2 + 1) + b; };
    for (int a = 0; a <= c1; ++a)
        for (int b = 0; b <= c2; ++b) {
            if (a < c1) e.push_back({s(a, b), s(a + 1, b), lambda});
            if (a > 0 && b < c2) e.push_back({s(a, b), s(a - 1, b + 1), mu1});
            if (b > 0) e.push_back({s(a, b), s(a, b - 1), mu2});
        }
    return e;
}

#endif
