// Parts of a reducible chain solved on their own: a closed class, and a strongly connected
// component of transient states with the rest of the chain folded into one state.
#ifndef VELMAR_DSS_SUBCHAIN_H
#define VELMAR_DSS_SUBCHAIN_H

#include <vector>

#include "statelevel/Chain/ChainModel.h"

struct ClosedClasses;
struct Generator;

// The states of each closed class, ascending: class c holds states[start[c] .. start[c+1]).
struct ClassMembers {
    std::vector<int> start;
    std::vector<int> states;
    int size(int c) const { return start[c + 1] - start[c]; }
    const int* of(int c) const { return states.data() + start[c]; }
};

ClassMembers classMembers(const ClosedClasses& classes);

// The chain of the m states `states` (a closed class) with the rates among them, state
// states[k] numbered k. local must be -1 at every state; it is left so.
ChainModel classChain(const Generator& q, const int* states, int m, std::vector<int>& local);

// The transient states reachable from the transient state `initial` through positive rates,
// in a topological order of their strongly connected components (initial first); the states
// of one component stand together.
std::vector<int> transientOrder(const Generator& q, const ClosedClasses& classes, int initial);

// The chain of one transient component (m states) and one outside state o, numbered last:
// each state keeps its rates within the component and leaves for o at the rate it leaves the
// component; o enters states[k] at rate entering[k] (when positive). In its long run the expected time spent
// in states[k] per entry, weighted by entering, is pi[k] / pi[o]. local as for classChain.
ChainModel componentChain(const Generator& q, const int* states, int m, const std::vector<double>& entering,
                          std::vector<int>& local);

#endif
