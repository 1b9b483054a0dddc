// Strongly connected components of a chain's graph, through its positive rates or through
// its fast transitions only.
#ifndef VELMAR_DSS_STRONGCOMPONENTS_H
#define VELMAR_DSS_STRONGCOMPONENTS_H

#include <cstdint>
#include <vector>

struct Generator;

// Whether edge p out of state i belongs to the graph: a positive rate of at least `share`
// times the state's exit rate (share 0: every positive rate).
inline bool fastEdge(const Generator& q, int i, int64_t p, double share);

struct Components {
    // of[i]: the component of state i; a component reachable from another has the smaller
    // number, so decreasing numbers are a topological order.
    std::vector<int> of;
    int count = 0;
};

// Tarjan's algorithm with an explicit stack, in time and memory linear in the states and
// edges; a quick search first finds the common case of one component.
Components strongComponents(const Generator& q, double share);

#include "chain/Generator.h"

inline bool fastEdge(const Generator& q, int i, int64_t p, double share)
{
    return q.rate[p] > 0.0 && q.rate[p] >= share * q.exitRate[i];
}

#endif
