// The chain of aggregates: with the iterate x, the flow from aggregate J into aggregate I is
// the sum of the flows a(i, j) x_j from the states of J into those of I. Its exit rates are
// the sums of those flows out of each aggregate, never differences, so it is again a chain's
// balance system, held by target as the fine one is, values plain. Its stationary vector y
// corrects the fine iterate to x_i y_{I(i)}.
#ifndef VELMAR_DSS_METHODS_COARSECHAIN_H
#define VELMAR_DSS_METHODS_COARSECHAIN_H

#include <vector>

#include "methods/Aggregation.h"
#include "methods/PackedRows.h"

// The states of each aggregate, listed together (in the states' order).
struct AggregateMembers {
    std::vector<int> start;  // aggregate I: members[start[I] .. start[I + 1])
    std::vector<int> members;
};
AggregateMembers membersOf(const Aggregates& agg);

PackedRows coarseSystem(const PackedRows& a, const std::vector<double>& x, const Aggregates& agg,
                        const AggregateMembers& members);

// The stationary vector of a small system by elimination with sums for pivots, normalised;
// empty when the system is not one closed class.
std::vector<double> smallStationary(const PackedRows& a);

#endif
