// Chains built directly as generators, and a dense GTH solve to check methods against.
#ifndef VELMAR_TESTS_METHODS_HARNESS_H
#define VELMAR_TESTS_METHODS_HARNESS_H

#include <algorithm>
#include <cmath>
#include <random>
#include <tuple>
#include <vector>

#include "chain/Generator.h"

using Transitions = std::vector<std::tuple<int, int, double>>;

// The generator of n states with these transitions (no repeats, no self-loops).
inline Generator makeGenerator(int n, const Transitions& t)
{
    Generator q;
    q.n = n;
    q.start.assign(n + 1, 0);
    q.exitRate.assign(n, 0.0);
    for (auto& [i, j, r] : t) ++q.start[i + 1];
    for (int i = 0; i < n; ++i) q.start[i + 1] += q.start[i];
    q.target.resize(t.size());
    q.rate.resize(t.size());
    std::vector<int64_t> at(q.start.begin(), q.start.end() - 1);
    for (auto& [i, j, r] : t) {
        q.target[at[i]] = j;
        q.rate[at[i]++] = r;
        q.exitRate[i] += r;
    }
    return q;
}

// Stationary vector of an irreducible chain by the Grassmann-Taksar-Heyman elimination
// (no subtractions), dense.
inline std::vector<double> denseGth(const Generator& q)
{
    const int n = q.n;
    std::vector<std::vector<double>> a(n, std::vector<double>(n, 0.0));
    for (int i = 0; i < n; ++i)
        for (int64_t p = q.start[i]; p < q.start[i + 1]; ++p) a[i][q.target[p]] += q.rate[p];
    std::vector<double> out(n, 0.0);  // rate out of k into the states before it
    for (int k = n - 1; k > 0; --k) {
        for (int j = 0; j < k; ++j) out[k] += a[k][j];
        for (int i = 0; i < k; ++i) {
            double f = a[i][k] / out[k];
            for (int j = 0; j < k; ++j) a[i][j] += f * a[k][j];
        }
    }
    std::vector<double> pi(n, 0.0);
    pi[0] = 1.0;
    double total = 1.0;
    for (int j = 1; j < n; ++j) {
        for (int i = 0; i < j; ++i) pi[j] += pi[i] * a[i][j];
        pi[j] /= out[j];
        total += pi[j];
    }
    for (double& p : pi) p /= total;
    return pi;
}

// A random irreducible chain: a cycle through all states plus `extra` random transitions per
// state, rates spread over `decades` decades.
inline Transitions randomTransitions(std::mt19937& gen, int n, int extra, double decades)
{
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::uniform_int_distribution<int> state(0, n - 1);
    auto rate = [&] { return std::pow(10.0, decades * (unit(gen) - 0.5)); };
    Transitions t;
    for (int i = 0; i < n; ++i) {
        std::vector<int> to{(i + 1) % n};
        for (int k = 0; k < extra; ++k) {
            int j = state(gen);
            if (j != i && std::find(to.begin(), to.end(), j) == to.end()) to.push_back(j);
        }
        for (int j : to) t.emplace_back(i, j, rate());
    }
    return t;
}

inline double largestDifference(const std::vector<double>& a, const std::vector<double>& b)
{
    if (a.size() != b.size()) return INFINITY;
    double d = 0.0;
    for (size_t i = 0; i < a.size(); ++i) {
        double e = std::fabs(a[i] - b[i]);
        if (!(e <= d)) d = std::isnan(e) ? INFINITY : e;  // NaN never agrees
    }
    return d;
}

// The largest relative error of a against b, entry by entry (an entry 0 in b must be 0 in a).
inline double largestRelativeError(const std::vector<double>& a, const std::vector<double>& b)
{
    if (a.size() != b.size()) return INFINITY;
    double d = 0.0;
    for (size_t i = 0; i < a.size(); ++i) {
        double e = b[i] == 0.0 ? (a[i] == 0.0 ? 0.0 : INFINITY) : std::fabs(a[i] - b[i]) / std::fabs(b[i]);
        if (!(e <= d)) d = std::isnan(e) ? INFINITY : e;
    }
    return d;
}

#endif
