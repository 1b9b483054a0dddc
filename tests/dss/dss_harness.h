// Builds a direct solver over an in-memory chain with its report in a temporary
// file, plus independent reference answers for the numerical tests.
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

using Edges = std::vector<MemoryStateLevel::Entry>;

// A solver over `level` whose report goes to <dir>/r.txt.
struct DssRun {
    std::string dir;
    std::unique_ptr<MemoryStateLevel> level;
    std::unique_ptr<DSSSolver> solver;

    DssRun(int n, Edges edges, std::vector<std::string> options = {})
    {
        char tmpl[] = "/tmp/dss_testXXXXXX";
        dir = mkdtemp(tmpl);
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
    ~DssRun()
    {
        solver.reset();
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
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

// States each state reaches through positive rates (itself included), by breadth-first search.
inline std::vector<std::vector<char>> reachability(int n, const Edges& edges)
{
    std::vector<std::vector<int>> out(n);
    for (const auto& e : edges)
        if (e.row != e.col && e.rate > 0.0) out[e.row].push_back(e.col);
    std::vector<std::vector<char>> reach(n, std::vector<char>(n, 0));
    for (int s = 0; s < n; ++s) {
        std::vector<int> queue = {s};
        reach[s][s] = 1;
        for (size_t h = 0; h < queue.size(); ++h)
            for (int t : out[queue[h]])
                if (!reach[s][t]) {
                    reach[s][t] = 1;
                    queue.push_back(t);
                }
    }
    return reach;
}

// The stationary vector by a dense GTH solve on the chain's one closed class, transient
// states at 0; empty when the chain has several closed classes.
inline std::vector<double> denseStationary(int n, const Edges& edges)
{
    std::vector<std::vector<char>> reach = reachability(n, edges);
    std::vector<int> members;
    int first = -1;
    for (int i = 0; i < n; ++i) {
        bool recurrent = true;
        for (int j = 0; j < n && recurrent; ++j) recurrent = !reach[i][j] || reach[j][i];
        if (!recurrent) continue;
        if (first < 0) first = i;
        if (!reach[first][i]) return {};  // a second closed class
        members.push_back(i);
    }
    std::vector<int> at(n, -1);
    for (size_t k = 0; k < members.size(); ++k) at[members[k]] = (int)k;
    Edges inside;
    for (const auto& e : edges)
        if (at[e.row] >= 0 && at[e.col] >= 0) inside.push_back({at[e.row], at[e.col], e.rate});
    std::vector<double> part = gthSolve(generator((int)members.size(), inside)), pi(n, 0.0);
    for (size_t k = 0; k < members.size(); ++k) pi[members[k]] = part[k];
    return pi;
}

// Probability of ending in each of k absorbing targets from state `from`, by state reduction:
// jump[i][j] holds the rates among the t transient states (j < t) and into the targets
// (j = t + c); transient states but `from` are eliminated one by one, each passing its rates
// on to its predecessors in proportion, which subtracts nothing.
inline std::vector<double> absorption(std::vector<std::vector<double>> jump, int t, int k, int from)
{
    for (int e = 0; e < t; ++e) {
        if (e == from) continue;
        double out = 0.0;
        for (int j = 0; j < t + k; ++j)
            if (j != e) out += jump[e][j];
        for (int i = 0; i < t; ++i) {
            double f = jump[i][e];
            if (i == e || f == 0.0) continue;
            jump[i][e] = 0.0;
            for (int j = 0; j < t + k; ++j)
                if (j != e && j != i) jump[i][j] += f * jump[e][j] / out;
        }
    }
    std::vector<double> h(k, 0.0);
    double total = 0.0;
    for (int c = 0; c < k; ++c) total += jump[from][t + c];
    for (int c = 0; c < k; ++c) h[c] = jump[from][t + c] / total;
    return h;
}

// The long-run distribution from `initial` by dense computation: closed classes from the
// reachability relation, the probability of ending in each by state reduction on the
// transient states, and each class's GTH vector. reachOut, when given, receives the
// probability of each class, the classes ordered by their smallest state.
inline std::vector<double> denseLongRun(int n, const Edges& edges, int initial,
                                        std::vector<double>* reachOut = nullptr)
{
    std::vector<std::vector<char>> reach = reachability(n, edges);
    std::vector<int> classOf(n, -1), transient;
    std::vector<std::vector<int>> classes;
    for (int i = 0; i < n; ++i) {
        bool recurrent = true;
        for (int j = 0; j < n && recurrent; ++j) recurrent = !reach[i][j] || reach[j][i];
        if (!recurrent) {
            transient.push_back(i);
            continue;
        }
        for (size_t c = 0; c < classes.size() && classOf[i] < 0; ++c)
            if (reach[classes[c][0]][i]) classOf[i] = (int)c;
        if (classOf[i] < 0) {
            classOf[i] = (int)classes.size();
            classes.push_back({});
        }
        classes[classOf[i]].push_back(i);
    }
    std::vector<std::vector<double>> Q = generator(n, edges);
    std::vector<int> at(n, -1);
    for (size_t k = 0; k < transient.size(); ++k) at[transient[k]] = (int)k;
    std::vector<double> h(classes.size(), 0.0);
    if (classOf[initial] >= 0) {
        h[classOf[initial]] = 1.0;
    } else {
        int t = (int)transient.size(), k = (int)classes.size();
        std::vector<std::vector<double>> jump(t, std::vector<double>(t + k, 0.0));
        for (int a = 0; a < t; ++a)
            for (int j = 0; j < n; ++j) {
                if (j == transient[a]) continue;
                jump[a][classOf[j] < 0 ? at[j] : t + classOf[j]] += Q[transient[a]][j];
            }
        h = absorption(jump, t, k, at[initial]);
    }
    std::vector<double> pi(n, 0.0);
    for (size_t c = 0; c < classes.size(); ++c) {
        std::vector<int> local(n, -1);
        for (size_t k = 0; k < classes[c].size(); ++k) local[classes[c][k]] = (int)k;
        Edges inside;
        for (const auto& e : edges)
            if (local[e.row] >= 0 && local[e.col] >= 0) inside.push_back({local[e.row], local[e.col], e.rate});
        std::vector<double> part = gthSolve(generator((int)classes[c].size(), inside));
        for (size_t k = 0; k < classes[c].size(); ++k) pi[classes[c][k]] = h[c] * part[k];
    }
    if (reachOut) *reachOut = h;
    return pi;
}

// Largest entrywise difference; infinite when the sizes differ or anything is not a number.
inline double maxDifference(const std::vector<double>& a, const std::vector<double>& b)
{
    if (a.size() != b.size()) return INFINITY;
    double d = 0.0;
    for (size_t i = 0; i < a.size(); ++i) {
        double x = std::fabs(a[i] - b[i]);
        if (!(x <= d)) d = std::isnan(x) ? INFINITY : x;
    }
    return d;
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
