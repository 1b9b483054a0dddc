// Chains built directly as generators; their dense GTH answers come from the oracle.
#ifndef VELMAR_TESTS_SUPPORT_GENERATORCHAINS_H
#define VELMAR_TESTS_SUPPORT_GENERATORCHAINS_H

#include <algorithm>
#include <cmath>
#include <random>
#include <tuple>
#include <vector>

#include "chain/Generator.h"
#include "tests/support/Oracle.h"

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

// A birth-death chain of n states: up at `up`, down at `down`.
inline Generator birthDeathGenerator(int n, double up, double down)
{
    Transitions t;
    for (int k = 0; k + 1 < n; ++k) {
        t.emplace_back(k, k + 1, up);
        t.emplace_back(k + 1, k, down);
    }
    return makeGenerator(n, t);
}

// The generator's rates as a dense matrix, for the oracle.
inline DenseRates denseRates(const Generator& q)
{
    DenseRates a(q.n, std::vector<double>(q.n, 0.0));
    for (int i = 0; i < q.n; ++i)
        for (int64_t p = q.start[i]; p < q.start[i + 1]; ++p) a[i][q.target[p]] += q.rate[p];
    return a;
}

// Stationary vector of an irreducible chain by dense GTH.
inline std::vector<double> denseGth(const Generator& q) { return gthSolve(denseRates(q)); }

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

#endif
