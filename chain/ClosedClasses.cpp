// The closed classes: the strongly connected components that no positive rate leaves.
#include "chain/ClosedClasses.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "chain/Generator.h"
#include "chain/StrongComponents.h"

ClosedClasses findClosedClasses(const Generator& q)
{
    return closedClassesOf(q, strongComponents(q, 0.0));
}

ClosedClasses closedClassesOf(const Generator& q, Components t)
{
    std::vector<char> leaves(t.count, 0);
    if (t.count > 1)
        for (int v = 0; v < q.n; ++v)
            for (int64_t p = q.start[v]; p < q.start[v + 1]; ++p)
                if (q.rate[p] > 0.0 && t.of[q.target[p]] != t.of[v]) leaves[t.of[v]] = 1;
    return closedClassesOf(std::move(t), leaves);
}

ClosedClasses closedClassesOf(Components t, const std::vector<char>& leaves)
{
    ClosedClasses c;
    const int n = (int)t.of.size();
    c.classOf.assign(n, -1);
    std::vector<int> number(t.count, -1);
    for (int v = 0; v < n; ++v) {
        const int k = t.of[v];
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
