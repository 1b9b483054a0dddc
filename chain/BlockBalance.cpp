// Blocks by strong connection through fast transitions, and their balance.
#include "chain/BlockBalance.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "chain/StrongComponents.h"

namespace {

const int levelCount = 8;

// The graph of the transitions between the finest blocks, by source block: one pass over the
// chain collects the transitions that cross, which the weakly coupled chains have few of.
void linkFinestBlocks(const Generator& q, BlockLevels& b)
{
    std::vector<int64_t> crossing;
    std::vector<int> sourceOf;
    for (int i = 0; i < q.n; ++i) {
        const int from = b.finest[i];
        for (int64_t p = q.start[i]; p < q.start[i + 1]; ++p)
            if (b.finest[q.target[p]] != from && q.rate[p] > 0.0) {
                crossing.push_back(p);
                sourceOf.push_back(i);
            }
    }
    Generator& g = b.between;
    g.n = b.finestCount;
    g.start.assign((size_t)g.n + 1, 0);
    const int64_t m = (int64_t)crossing.size();
    g.target.resize(m);
    g.rate.resize(m);
    b.source.resize(m);
    b.edge.resize(m);
    for (int64_t k = 0; k < m; ++k) ++g.start[b.finest[sourceOf[k]] + 1];
    for (int k = 0; k < g.n; ++k) g.start[k + 1] += g.start[k];
    std::vector<int64_t> next(g.start.begin(), g.start.end() - 1);
    for (int64_t k = 0; k < m; ++k) {
        const int i = sourceOf[k];
        const int64_t p = crossing[k], e = next[b.finest[i]]++;
        g.target[e] = b.finest[q.target[p]];
        g.rate[e] = q.rate[p] / q.exitRate[i];
        b.source[e] = i;
        b.edge[e] = p;
    }
    g.exitRate.assign(g.n, 1.0);
}

}  // namespace

BlockLevels findBlockLevels(const Generator& q)
{
    return blockLevelsFrom(q, strongComponents(q, firstShare));
}

BlockLevels blockLevelsFrom(const Generator& q, Components first)
{
    BlockLevels b;
    b.states = q.n;
    if (first.count <= 1) return b;
    double share = firstShare;
    b.finest = std::move(first.of);
    b.finestCount = first.count;
    linkFinestBlocks(q, b);
    b.share.push_back(share);
    b.blockOf.emplace_back();
    b.count.push_back(b.finestCount);
    int last = b.finestCount;
    for (int level = 1; level < levelCount; ++level) {
        share *= 1e-2;
        Components c = strongComponents(b.between, share);
        if (c.count <= 1) break;
        if (c.count == last) continue;
        last = c.count;
        b.share.push_back(share);
        b.blockOf.push_back(std::move(c.of));
        b.count.push_back(c.count);
    }
    return b;
}

BlockBalance blockBalance(const Generator& q, const BlockLevels& levels, const std::vector<double>& pi)
{
    BlockBalance r;
    if (!levels.split()) return r;
    r.blocks = levels.finestCount;
    double busiest = 0.0;
    for (int i = 0; i < q.n; ++i) busiest = std::max(busiest, std::fabs(pi[i]) * q.exitRate[i]);
    const double unresolved = unresolvedBlockShare * busiest;
    std::vector<double> in, out, through;
    for (size_t l = 0; l < levels.share.size(); ++l) {
        const std::vector<int>& map = levels.blockOf[l];
        auto blockOf = [&](int finestBlock) { return map.empty() ? finestBlock : map[finestBlock]; };
        const int count = levels.count[l];
        in.assign(count, 0.0);
        out.assign(count, 0.0);
        through.assign(count, 0.0);
        for (int i = 0; i < q.n; ++i) through[blockOf(levels.finest[i])] += std::fabs(pi[i]) * q.exitRate[i];
        const Generator& g = levels.between;
        for (int a = 0; a < g.n; ++a)
            for (int64_t e = g.start[a]; e < g.start[a + 1]; ++e) {
                const int from = blockOf(a), to = blockOf(g.target[e]);
                if (from == to) continue;
                const double f = pi[levels.source[e]] * q.rate[levels.edge[e]];
                out[from] += f;
                in[to] += f;
            }
        for (int k = 0; k < count; ++k) {
            const double against = std::max(std::fabs(in[k]), std::fabs(out[k]));
            if (!(against > unresolved)) continue;
            r.imbalance = std::max(r.imbalance, std::fabs(in[k] - out[k]) / against);
            if (through[k] > 0.0) r.coupling = std::min(r.coupling, std::fabs(out[k]) / through[k]);
        }
    }
    return r;
}
