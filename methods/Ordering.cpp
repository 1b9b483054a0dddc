// Reverse Cuthill-McKee and the envelope count.
#include "methods/Ordering.h"

#include <algorithm>

#include "chain/Generator.h"

Ordering naturalOrdering(int n)
{
    Ordering o;
    o.oldOf.resize(n);
    o.newOf.resize(n);
    for (int i = 0; i < n; ++i) o.oldOf[i] = o.newOf[i] = i;
    return o;
}

namespace {

// The undirected graph of Q + Q^T (an edge may appear twice).
struct Graph {
    std::vector<int64_t> start;
    std::vector<int> adj;
    int degree(int v) const { return (int)(start[v + 1] - start[v]); }
};

Graph symmetricGraph(const Generator& q)
{
    Graph g;
    g.start.assign(q.n + 1, 0);
    for (int i = 0; i < q.n; ++i)
        for (int64_t p = q.start[i]; p < q.start[i + 1]; ++p) {
            ++g.start[i + 1];
            ++g.start[q.target[p] + 1];
        }
    for (int i = 0; i < q.n; ++i) g.start[i + 1] += g.start[i];
    g.adj.resize(g.start[q.n]);
    std::vector<int64_t> at(g.start.begin(), g.start.end() - 1);
    for (int i = 0; i < q.n; ++i)
        for (int64_t p = q.start[i]; p < q.start[i + 1]; ++p) {
            g.adj[at[i]++] = q.target[p];
            g.adj[at[q.target[p]]++] = i;
        }
    return g;
}

// Breadth-first levels from root over unplaced states (mark[v] != done); returns the states
// reached in order; level[v] holds the depth.
std::vector<int> sweep(const Graph& g, int root, const std::vector<char>& placed, std::vector<int>& level)
{
    std::vector<int> order{root};
    level[root] = 0;
    for (size_t k = 0; k < order.size(); ++k) {
        int v = order[k];
        for (int64_t p = g.start[v]; p < g.start[v + 1]; ++p) {
            int w = g.adj[p];
            if (placed[w] || level[w] >= 0) continue;
            level[w] = level[v] + 1;
            order.push_back(w);
        }
    }
    return order;
}

// A state far from root: repeated sweeps from the last level's state of least degree.
int peripheral(const Graph& g, int root, const std::vector<char>& placed, std::vector<int>& level)
{
    int depth = -1;
    for (int round = 0; round < 4; ++round) {
        std::vector<int> order = sweep(g, root, placed, level);
        int deepest = level[order.back()];
        int best = order.back();
        for (size_t k = order.size(); k-- > 0 && level[order[k]] == deepest;)
            if (g.degree(order[k]) < g.degree(best)) best = order[k];
        for (int v : order) level[v] = -1;
        if (deepest <= depth) break;
        depth = deepest;
        root = best;
    }
    return root;
}

}  // namespace

Ordering reverseCuthillMcKee(const Generator& q)
{
    Graph g = symmetricGraph(q);
    const int n = q.n;
    std::vector<char> placed(n, 0);
    std::vector<int> level(n, -1);
    std::vector<int> order;
    order.reserve(n);
    std::vector<int> next;
    for (int s = 0; s < n; ++s) {
        if (placed[s]) continue;
        int root = peripheral(g, s, placed, level);
        size_t first = order.size();
        order.push_back(root);
        placed[root] = 1;
        for (size_t k = first; k < order.size(); ++k) {
            int v = order[k];
            next.clear();
            for (int64_t p = g.start[v]; p < g.start[v + 1]; ++p)
                if (!placed[g.adj[p]]) {
                    placed[g.adj[p]] = 1;
                    next.push_back(g.adj[p]);
                }
            std::sort(next.begin(), next.end(),
                      [&](int a, int b) { return g.degree(a) < g.degree(b) || (g.degree(a) == g.degree(b) && a < b); });
            order.insert(order.end(), next.begin(), next.end());
        }
    }
    std::reverse(order.begin(), order.end());
    Ordering o;
    o.name = "rcm";
    o.oldOf = order;
    o.newOf.resize(n);
    for (int k = 0; k < n; ++k) o.newOf[order[k]] = k;
    return o;
}

int64_t envelopeSize(const Generator& q, const Ordering& o)
{
    // first[k]: the smallest new index joined to k by an edge either way
    std::vector<int> first(q.n);
    for (int k = 0; k < q.n; ++k) first[k] = k;
    for (int i = 0; i < q.n; ++i)
        for (int64_t p = q.start[i]; p < q.start[i + 1]; ++p) {
            int a = o.newOf[i], b = o.newOf[q.target[p]];
            first[std::max(a, b)] = std::min(first[std::max(a, b)], std::min(a, b));
        }
    int64_t e = 0;
    for (int k = 0; k < q.n; ++k) e += 2 * (int64_t)(k - first[k]);
    return e;
}
