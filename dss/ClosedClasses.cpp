// Strongly connected components (Tarjan's algorithm with an explicit stack), of which the
// closed ones are those no positive rate leaves.
#include "dss/ClosedClasses.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "dss/Generator.h"

namespace {

struct Tarjan {
    const Generator& q;
    std::vector<int> index, low, component, stack;
    std::vector<int64_t> next;  // per state on the call stack: the next edge to follow
    std::vector<int> calls;
    int counter = 0, components = 0;

    explicit Tarjan(const Generator& g)
        : q(g), index(g.n, -1), low(g.n, 0), component(g.n, -1), next(g.n, 0)
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
                int w = q.target[p];
                if (!(q.rate[p] > 0.0)) continue;
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

// True when state 0 reaches every state through positive rates (a breadth-first search,
// which in a chain numbered as it was explored runs through memory almost in order).
bool zeroReachesAll(const Generator& q)
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
            if (seen[w] || !(q.rate[p] > 0.0)) continue;
            seen[w] = 1;
            queue.push_back(w);
        }
    }
    return (int)queue.size() == q.n;
}

// True when every state reaches state 0 through positive rates, found by passes over the
// states, down and up, marking a state once one of its targets is marked; false when a pass
// marks nothing new, or after maxPasses (the search by components then decides).
bool allReachZero(const Generator& q, int maxPasses)
{
    std::vector<char> marked(q.n, 0);
    marked[0] = 1;
    int count = 1;
    auto mark = [&](int v) {
        if (marked[v]) return false;
        for (int64_t p = q.start[v]; p < q.start[v + 1]; ++p)
            if (marked[q.target[p]] && q.rate[p] > 0.0) {
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

// True when every state reaches every other through positive rates: the common case, found
// at a fraction of the cost of the components.
bool stronglyConnected(const Generator& q)
{
    return zeroReachesAll(q) && allReachZero(q, 16);
}

}  // namespace

ClosedClasses findClosedClasses(const Generator& q)
{
    if (q.n > 0 && stronglyConnected(q)) {
        ClosedClasses c;
        c.classOf.assign(q.n, 0);
        c.size.assign(1, q.n);
        c.component.assign(q.n, 0);
        return c;
    }
    Tarjan t(q);
    for (int v = 0; v < q.n; ++v)
        if (t.index[v] < 0) t.from(v);
    std::vector<char> leaves(t.components, 0);
    for (int v = 0; v < q.n; ++v)
        for (int64_t p = q.start[v]; p < q.start[v + 1]; ++p)
            if (q.rate[p] > 0.0 && t.component[q.target[p]] != t.component[v]) leaves[t.component[v]] = 1;
    ClosedClasses c;
    c.classOf.assign(q.n, -1);
    std::vector<int> number(t.components, -1);
    for (int v = 0; v < q.n; ++v) {
        int k = t.component[v];
        if (leaves[k]) {
            ++c.transient;
            continue;
        }
        if (number[k] < 0) {
            number[k] = c.count();
            c.size.push_back(0);
        }
        c.classOf[v] = number[k];
        ++c.size[number[k]];
    }
    c.component = std::move(t.component);
    return c;
}
