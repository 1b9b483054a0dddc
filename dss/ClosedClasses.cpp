// The closed classes: the strongly connected components that no positive rate leaves.
#include "dss/ClosedClasses.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "dss/Generator.h"
#include "dss/StrongComponents.h"

ClosedClasses findClosedClasses(const Generator& q)
{
    Components t = strongComponents(q, 0.0);
    ClosedClasses c;
    if (t.count == 1) {
        c.classOf.assign(q.n, 0);
        c.size.assign(1, q.n);
        c.component = std::move(t.of);
        return c;
    }
    std::vector<char> leaves(t.count, 0);
    for (int v = 0; v < q.n; ++v)
        for (int64_t p = q.start[v]; p < q.start[v + 1]; ++p)
            if (q.rate[p] > 0.0 && t.of[q.target[p]] != t.of[v]) leaves[t.of[v]] = 1;
    c.classOf.assign(q.n, -1);
    std::vector<int> number(t.count, -1);
    for (int v = 0; v < q.n; ++v) {
        int k = t.of[v];
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
    c.component = std::move(t.of);
    return c;
}
