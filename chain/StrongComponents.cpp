// Tarjan's algorithm without recursion, and the quick test of one component.
#include "chain/StrongComponents.h"

#include <algorithm>
#include <utility>

namespace {

struct Tarjan {
    const Generator& q;
    double share;
    const std::vector<char>* removed = nullptr;  // states already given a component
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
                if (removed != nullptr && (*removed)[w]) continue;
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

// True when `root` reaches every state left (a breadth-first search, which in a chain
// numbered as it was explored runs through memory almost in order).
bool rootReachesAll(const Generator& q, double share, const char* removed, int root, int left)
{
    std::vector<char> seen(q.n, 0);
    std::vector<int> queue;
    queue.reserve(left);
    queue.push_back(root);
    seen[root] = 1;
    for (size_t h = 0; h < queue.size(); ++h) {
        const int v = queue[h];
        const double least = share * q.exitRate[v];
        for (int64_t p = q.start[v]; p < q.start[v + 1]; ++p) {
            const int w = q.target[p];
            if (seen[w] || (removed != nullptr && removed[w]) || !(q.rate[p] > 0.0 && q.rate[p] >= least)) continue;
            seen[w] = 1;
            queue.push_back(w);
        }
    }
    return (int)queue.size() == left;
}

// True when every state left reaches `root`, found by passes over the states, down and up,
// marking a state once one of its targets is marked; false when a pass marks nothing new,
// or after maxPasses (the search by components then decides).
bool allReachRoot(const Generator& q, double share, const char* removed, int root, int left, int maxPasses)
{
    std::vector<char> marked(q.n, 0);
    marked[root] = 1;
    int count = 1;
    auto mark = [&](int v) {
        if (marked[v] || (removed != nullptr && removed[v])) return false;
        const double least = share * q.exitRate[v];
        for (int64_t p = q.start[v]; p < q.start[v + 1]; ++p)
            if (marked[q.target[p]] && q.rate[p] > 0.0 && q.rate[p] >= least) {
                marked[v] = 1;
                ++count;
                return true;
            }
        return false;
    };
    for (int pass = 0; pass < maxPasses && count < left; ++pass) {
        bool changed = false;
        if (pass % 2 == 0)
            for (int v = q.n - 1; v >= 0; --v) changed = mark(v) || changed;
        else
            for (int v = 0; v < q.n; ++v) changed = mark(v) || changed;
        if (!changed) return false;
    }
    return count == left;
}

// The states no transition enters from a state still left, removed one after the other (each
// its own component): the order in which they go is a topological one. removed marks them.
std::vector<int> sourcesInOrder(const Generator& q, double share, std::vector<char>& removed)
{
    std::vector<int> into(q.n, 0), order;
    for (int i = 0; i < q.n; ++i)
        for (int64_t p = q.start[i]; p < q.start[i + 1]; ++p)
            if (fastEdge(q, i, p, share) && q.target[p] != i) ++into[q.target[p]];
    for (int i = 0; i < q.n; ++i)
        if (into[i] == 0) order.push_back(i);
    for (size_t h = 0; h < order.size(); ++h) {
        const int v = order[h];
        removed[v] = 1;
        for (int64_t p = q.start[v]; p < q.start[v + 1]; ++p)
            if (fastEdge(q, v, p, share) && q.target[p] != v && --into[q.target[p]] == 0) order.push_back(q.target[p]);
    }
    return order;
}

}  // namespace

Components strongComponents(const Generator& q, double share)
{
    Components c;
    // through every positive rate the common case is one component, found at a fraction of
    // the cost of the search; through the fast ones alone, states that only slow transitions
    // enter are common, and go first
    if (share == 0.0 && q.n > 0 && rootReachesAll(q, share, nullptr, 0, q.n) &&
        allReachRoot(q, share, nullptr, 0, q.n, 16)) {
        c.of.assign(q.n, 0);
        c.count = 1;
        return c;
    }
    std::vector<char> removed(q.n, 0);
    c.of.assign(q.n, -1);
    const std::vector<int> sources = sourcesInOrder(q, share, removed);
    const int left = q.n - (int)sources.size();
    int root = 0;
    while (root < q.n && removed[root]) ++root;
    const char* gone = sources.empty() ? nullptr : removed.data();
    if (left > 0 && rootReachesAll(q, share, gone, root, left) && allReachRoot(q, share, gone, root, left, 16)) {
        for (int v = 0; v < q.n; ++v)
            if (!removed[v]) c.of[v] = 0;
        c.count = 1;
    } else if (left > 0) {
        Tarjan t(q, share);
        t.removed = &removed;
        for (int v = 0; v < q.n; ++v)
            if (!removed[v] && t.index[v] < 0) t.from(v);
        for (int v = 0; v < q.n; ++v)
            if (!removed[v]) c.of[v] = t.component[v];
        c.count = t.components;
    }
    // a source reaches what comes after it: the first removed gets the largest number
    for (size_t k = 0; k < sources.size(); ++k) c.of[sources[k]] = c.count + (int)(sources.size() - 1 - k);
    c.count += (int)sources.size();
    return c;
}
