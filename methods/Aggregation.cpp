// The strong neighbours as an undirected graph, then two passes over the states in order.
#include "methods/Aggregation.h"

#include <algorithm>

namespace {

// Strong neighbours of every state, both ways, with the flow that made them neighbours.
struct StrongGraph {
    std::vector<int64_t> start;
    std::vector<int> to;
    std::vector<double> flow;
};

template <class Values>
StrongGraph strongGraph(const PackedRows& a, Values v, const std::vector<double>& x, double threshold)
{
    const int n = a.n;
    std::vector<double> bound(n, 0.0);
    for (int i = 0; i < n; ++i) {
        double largest = 0.0;
        for (int64_t p = a.start[i]; p < a.start[i + 1]; ++p) largest = std::max(largest, v[p] * x[a.col[p]]);
        bound[i] = threshold * largest;
    }
    auto strong = [&](int i, int64_t p) {
        const double f = v[p] * x[a.col[p]];
        return f > 0.0 && f >= bound[i];
    };
    StrongGraph g;
    g.start.assign(n + 1, 0);
    for (int i = 0; i < n; ++i)
        for (int64_t p = a.start[i]; p < a.start[i + 1]; ++p)
            if (strong(i, p)) {
                ++g.start[i + 1];
                ++g.start[a.col[p] + 1];
            }
    for (int i = 0; i < n; ++i) g.start[i + 1] += g.start[i];
    g.to.resize(g.start[n]);
    g.flow.resize(g.start[n]);
    std::vector<int64_t> at(g.start.begin(), g.start.end() - 1);
    for (int i = 0; i < n; ++i)
        for (int64_t p = a.start[i]; p < a.start[i + 1]; ++p) {
            if (!strong(i, p)) continue;
            const int j = a.col[p];
            const double f = v[p] * x[j];
            g.to[at[i]] = j;
            g.flow[at[i]++] = f;
            g.to[at[j]] = i;
            g.flow[at[j]++] = f;
        }
    return g;
}

}  // namespace

Aggregates aggregateByStrength(const PackedRows& a, const std::vector<double>& x, double threshold)
{
    StrongGraph g;
    withValues(a, [&](auto v) { g = strongGraph(a, v, x, threshold); });
    const int n = a.n;
    Aggregates agg;
    agg.of.assign(n, -1);
    // a state whose neighbours are all free founds an aggregate of them all
    for (int i = 0; i < n; ++i) {
        if (agg.of[i] >= 0) continue;
        bool free = true;
        for (int64_t p = g.start[i]; p < g.start[i + 1] && free; ++p) free = agg.of[g.to[p]] < 0;
        if (!free) continue;
        agg.of[i] = agg.count;
        for (int64_t p = g.start[i]; p < g.start[i + 1]; ++p) agg.of[g.to[p]] = agg.count;
        ++agg.count;
    }
    // the rest join their most strongly tied aggregated neighbour (taken before this pass),
    // or start an aggregate with their free neighbours
    const std::vector<int> founded = agg.of;
    for (int i = 0; i < n; ++i) {
        if (agg.of[i] >= 0) continue;
        int best = -1;
        double strongest = 0.0;
        for (int64_t p = g.start[i]; p < g.start[i + 1]; ++p) {
            const int k = founded[g.to[p]];
            if (k >= 0 && (best < 0 || g.flow[p] > strongest)) {
                best = k;
                strongest = g.flow[p];
            }
        }
        if (best >= 0) {
            agg.of[i] = best;
            continue;
        }
        agg.of[i] = agg.count;
        for (int64_t p = g.start[i]; p < g.start[i + 1]; ++p)
            if (agg.of[g.to[p]] < 0) agg.of[g.to[p]] = agg.count;
        ++agg.count;
    }
    return agg;
}
