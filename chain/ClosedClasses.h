// The chain's structure: its closed (bottom strongly connected) classes and transient states.
#ifndef VELMAR_DSS_CLOSEDCLASSES_H
#define VELMAR_DSS_CLOSEDCLASSES_H

#include <vector>

struct Generator;

struct ClosedClasses {
    // classOf[i]: index of the closed class holding state i, or -1 for a transient state.
    std::vector<int> classOf;
    // size[c]: number of states of closed class c; classes are numbered by their smallest state.
    std::vector<int> size;
    int transient = 0;
    // component[i]: the strongly connected component of state i; a component reachable from
    // another has the smaller number, so decreasing numbers are a topological order.
    std::vector<int> component;

    int count() const { return (int)size.size(); }
};

// Finds the closed classes through positive rates, without recursion, in time and memory
// linear in the states and transitions.
ClosedClasses findClosedClasses(const Generator& q);

struct Components;

// The closed classes, the strongly connected components of the chain being given: those no
// positive rate leaves, numbered by their smallest state.
ClosedClasses closedClassesOf(const Generator& q, Components components);

// The same, with leaves[k] set for each component k that some positive rate leaves.
ClosedClasses closedClassesOf(Components components, const std::vector<char>& leaves);

#endif
