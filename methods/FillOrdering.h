// A fill-reducing ordering for an elimination without pivoting: approximate minimum degree
// on the pattern of Q + Q^T where SuiteSparse's AMD is at hand, reverse Cuthill-McKee
// (which bounds the fill by the envelope) where it is not.
#ifndef VELMAR_DSS_METHODS_FILLORDERING_H
#define VELMAR_DSS_METHODS_FILLORDERING_H

#include "methods/Ordering.h"

struct Generator;

// "amd" or "rcm"; throws std::bad_alloc when AMD runs out of memory.
Ordering fillReducingOrdering(const Generator& q);

#endif
