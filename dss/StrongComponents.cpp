// Tarjan's algorithm without recursion, and the quick test of one component.
#include "dss/StrongComponents.h"

#include <algorithm>
#include <utility>

namespace {

struct Tarjan {
    const Generator& q;
    double share;
    std::vector<int> index, low, component, stack;
    std::vector<int64_t> next;  // per state on the call stack: the next edge to follow
    std::vector<int> calls;
    int counter = 0, components = 0;

    Tarjan(const Generator& g, double s)
        : q(g), share(s), index(g.n, -1), low(g.n, 0), component(g.n, -1), next(g.n, 0)
    {
    }

    void open(int v)
    {
        index[v] = low[v] = counter++;
        next[v] = q.start[v];
        stack.push_back(v);
        calls.push_back(v);
    }

    // Pops the component rooted at v.
    void close(int v)
    {
        int w;
        do {
            w = stack.back();
            stack.pop_back();
            component[w] = components;
        } while (w != v);
        ++components;
    }

    void from(int root)
    {
        open(root);
        while (!calls.empty()) {
            int v = calls.back();
            if (next[v] < q.start[v + 1]) {
                int64_t p = next[v]++;
                if (!fastEdge(q, v, p, share)) continue;
                int w = q.target[p];
                if (index[w] < 0)
                    open(w);
                else if (component[w] < 0)
                    low[v] = std::min(low[v], index[w]);
                continue;
            }
            calls.pop_back();
            if (!calls.empty()) low[calls.back()] = std::min(low[calls.back()], low[v]);
            if (low[v] == index[v]) close(v);
        }
    }
};

// True when state 0 reaches every state (a breadth-first search, which in a chain numbered
// as it was explored runs through memory almost in order).
bool zeroReachesAll(const Generator& q, double share)
{
    std::vector<char> seen(q.n, 0);
    std::vector<int> queue;
    queue.reserve(q.n);
    queue.push_back(0);
    seen[0] = 1;
    for (size_t h = 0; h < queue.size(); ++h) {
        const int v = queue[h];
        for (int64_t p = q.start[v]; p < q.start[v + 1]; ++p) {
            const int w = q.target[p];
            if (seen[w] || !fastEdge(q, v, p, share)) continue;
            seen[w] = 1;
            queue.push_back(w);
        }
    }
    return (int)queue.size() == q.n;
}

// True when every state reaches state 0, found by passes over the states, down and up,
// marking a state once one of its targets is marked; false when a pass marks nothing new,
// or after maxPasses (the search by components then decides).
bool allReachZero(const Generator& q, double share, int maxPasses)
{
    std::vector<char> marked(q.n, 0);
    marked[0] = 1;
    int count = 1;
    auto mark = [&](int v) {
        if (marked[v]) return false;
        for (int64_t p = q.start[v]; p < q.start[v + 1]; ++p)
            if (marked[q.target[p]] && fastEdge(q, v, p, share)) {
                marked[v] = 1;
                ++count;
                return true;
            }
        return false;
    };
    for (int pass = 0; pass < maxPasses && count < q.n; ++pass) {
        bool changed = false;
        if (pass % 2 == 0)
            for (int v = q.n - 1; v >= 0; --v) changed = mark(v) || changed;
        else
            for (int v = 0; v < q.n; ++v) changed = mark(v) || changed;
        if (!changed) return false;
    }
    return count == q.n;
}

}  // namespace

Components strongComponents(const Generator& q, double share)
{
    Components c;
    if (q.n > 0 && zeroReachesAll(q, share) && allReachZero(q, share, 16)) {
        c.of.assign(q.n, 0);
        c.count = 1;
        return c;
    }
    Tarjan t(q, share);
    for (int v = 0; v < q.n; ++v)
        if (t.index[v] < 0) t.from(v);
    c.of = std::move(t.component);
    c.count = t.components;
    return c;
}
