// Orderings of the states for the factorisations: a permutation new -> old and its inverse.
#ifndef VELMAR_DSS_ORDERING_H
#define VELMAR_DSS_ORDERING_H

#include <cstdint>
#include <string>
#include <vector>

struct Generator;

struct Ordering {
    std::string name = "none";
    std::vector<int> oldOf;  // state at new position k
    std::vector<int> newOf;  // new position of state i
};

// The states in their own order.
Ordering naturalOrdering(int n);

// Reverse Cuthill-McKee on the pattern of Q + Q^T, each connected part started from a
// pseudo-peripheral state found by repeated breadth-first sweeps.
Ordering reverseCuthillMcKee(const Generator& q);

// Entries of the envelope of Q + Q^T under the ordering: for every row, the distance from its
// first entry to the diagonal, counted on both sides. Bounds the fill of a factorisation
// without pivoting in that order.
int64_t envelopeSize(const Generator& q, const Ordering& o);

#endif
