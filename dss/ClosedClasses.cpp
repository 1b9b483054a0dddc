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

// Marks in seen every state reached from `from` along the edges of start/next (compressed
// rows); returns how many.
int reach(int from, const std::vector<int64_t>& start, const std::vector<int>& next, std::vector<char>& seen)
{
    std::vector<int> stack{from};
    seen[from] = 1;
    int count = 1;
    while (!stack.empty()) {
        int v = stack.back();
        stack.pop_back();
        for (int64_t p = start[v]; p < start[v + 1]; ++p) {
            int w = next[p];
            if (seen[w]) continue;
            seen[w] = 1;
            ++count;
            stack.push_back(w);
        }
    }
    return count;
}

// True when every state reaches every other through positive rates: a search forwards and one
// backwards from state 0 both meet every state. Much cheaper than the components themselves,
// and the common case.
bool stronglyConnected(const Generator& q)
{
    const int n = q.n;
    std::vector<int64_t> start(n + 1, 0);
    std::vector<int> next;
    next.reserve(q.transitions());
    for (int v = 0; v < n; ++v) {  // forwards: the positive rates only
        for (int64_t p = q.start[v]; p < q.start[v + 1]; ++p)
            if (q.rate[p] > 0.0) next.push_back(q.target[p]);
        start[v + 1] = (int64_t)next.size();
    }
    std::vector<char> seen(n, 0);
    if (reach(0, start, next, seen) < n) return false;
    std::vector<int64_t> into(n + 1, 0);  // backwards: the same edges by target
    for (int w : next) ++into[w + 1];
    for (int v = 0; v < n; ++v) into[v + 1] += into[v];
    std::vector<int> from(next.size());
    std::vector<int64_t> fill(into.begin(), into.end() - 1);
    for (int v = 0; v < n; ++v)
        for (int64_t p = start[v]; p < start[v + 1]; ++p) from[fill[next[p]]++] = v;
    std::vector<int>().swap(next);
    std::fill(seen.begin(), seen.end(), 0);
    return reach(0, into, from, seen) == n;
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
