// The long-run distribution of a chain with several closed classes: each class's own
// stationary vector weighted by the probability of ending in that class from the initial state.
#ifndef VELMAR_DSS_LONGRUN_H
#define VELMAR_DSS_LONGRUN_H

#include <functional>
#include <vector>

#include "statelevel/Chain/ChainModel.h"

struct ClosedClasses;
struct Generator;

// Closed classes of at most this many states are solved by dense elimination.
const int denseClassLimit = 32;
// Strongly connected components of transient states of at most this many states are solved
// by dense elimination, larger ones by the caller's solver.
const int denseComponentLimit = 400;

// Stationary vector of the irreducible chain whose rates are a[i*m+j] (i != j; the diagonal is
// not read) by Grassmann-Taksar-Heyman elimination, which subtracts nothing; sums to 1.
std::vector<double> gthStationary(std::vector<double> a, int m);

// Stationary vector of the closed class `states` (m states) by gthStationary, written into v at
// the class's states. local must be -1 at every state and is left so.
void denseClassVector(const Generator& q, const int* states, int m, std::vector<int>& local,
                      std::vector<double>& v);

// Solves a chain for its stationary vector (into the vector); false when the result failed
// its check.
using PartSolver = std::function<bool(ChainModel, std::vector<double>&)>;

struct Absorption {
    std::vector<double> reach;    // probability of ending in each closed class
    int components = 0;           // transient components with a cycle through them
    int solvedComponents = 0;     // of them, those given to the part solver
    const char* failure = nullptr;
};

// Probabilities of ending in each closed class from the transient state `initial`. The
// probability of entering each transient state is passed on along the components in
// topological order: a state leaves along each transition in proportion to its rate, a
// component with a cycle in proportion to the expected time in each of its states (from the
// stationary vector of componentChain), so that nothing is ever subtracted.
Absorption absorptionProbabilities(const Generator& q, const ClosedClasses& classes, int initial,
                                   const PartSolver& solveLarge);

// sum over classes c of reach[c] times class c's vector (classVector holds every class's vector
// at its states, 0 at transient states).
std::vector<double> longRunMixture(const ClosedClasses& classes, const std::vector<double>& reach,
                                   const std::vector<double>& classVector);

// Classes by decreasing probability (ties by class number), the first `limit` of them.
std::vector<int> likeliestClasses(const std::vector<double>& reach, int limit);

#endif
