// Aggregates of states by strength of connection, for multilevel aggregation. The matrix is a
// chain's balance system held by target (row i: the rates into i by source state, the
// diagonal minus i's exit rate); scaled by the current iterate x, entry (i, j) is the flow
// a(i, j) x_j from j into i. A flow is strong when it is at least `threshold` times the
// largest flow into i; j and i are then neighbours both ways. Each aggregate is a state with
// its strong neighbours, none of them taken before; states left over join the aggregate of
// the neighbour they are most strongly tied to, or, with none taken, start their own.
#ifndef VELMAR_DSS_METHODS_AGGREGATION_H
#define VELMAR_DSS_METHODS_AGGREGATION_H

#include <vector>

#include "methods/PackedRows.h"

struct Aggregates {
    int count = 0;
    std::vector<int> of;  // of[i]: the aggregate of state i, 0 .. count - 1
};

Aggregates aggregateByStrength(const PackedRows& a, const std::vector<double>& x, double threshold);

#endif
