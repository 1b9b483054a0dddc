// The stationary equations pi Q = 0 as a regular sparse system: Q transposed, in a chosen
// ordering, with one recurrent state's probability fixed at 1. Its equation is replaced by
// x_r = 1 and its column moved to the right-hand side, so no dense row enters the system.
#ifndef VELMAR_DSS_REDUCEDSYSTEM_H
#define VELMAR_DSS_REDUCEDSYSTEM_H

#include <vector>

#include "methods/Ordering.h"
#include "methods/RowParts.h"
#include "methods/SparseRows.h"

struct Generator;

struct ReducedSystem {
    SparseRows a;           // rows and columns in the new order
    std::vector<double> b;  // right-hand side
    int fixed = -1;         // the new position of the state whose probability is 1, or -1
};

// Builds the system for q under ordering o, fixing state `fixed` (an old state number); with
// fixed < 0 the system is Q^T itself, singular, with a zero right-hand side.
ReducedSystem reducedSystem(const Generator& q, const Ordering& o, int fixed);

// ||x Q||_inf from the residual r = b - A x of the reduced system: the fixed state's
// equation is minus the sum of the others, the columns of Q^T summing to 0.
double generatorResidual(const std::vector<double>& r, int fixed);

// Fixes the state at new position k of a system built without one: its equation becomes
// x_k = 1 and its column moves to the right-hand side (the pattern keeps explicit zeros).
void fixState(ReducedSystem& s, int k);

// The largest balance residual of x: |r_j| / w_j over the equations, w_j = (|A| |x|)_j + |b_j|
// being the size of the flows that equation balances (no smaller than 1e-12 of the largest,
// nor of normQ times the largest entry of x); the fixed state's equation, left out of the
// system, is measured against its outflow (or a thousandth of all flows). Leaves
// r = b - A x in r. Unlike the residual scaled by ||Q||, it holds every state to its own
// flows, so slow states come out as accurate as fast ones.
// With parts, the rows are measured part by part side by side.
double balanceResidual(const ReducedSystem& s, const std::vector<double>& x, std::vector<double>& r,
                       double normQ, const RowParts* parts = nullptr);
// The same of the system a x = b held packed, with the state at `fixed` fixed (or none: -1),
// to the last bit; a caller that measures again and again may lend the room for the weights.
struct PackedRows;
double balanceResidual(const PackedRows& a, const std::vector<double>& b, int fixed, const std::vector<double>& x,
                       std::vector<double>& r, double normQ, const RowParts* parts = nullptr,
                       std::vector<double>* weights = nullptr);

// The new position of a state every state can reach (so that fixing it leaves a regular
// system): the one with the largest inflow against its outflow, a rough guess of the most
// probable, checked by a search backwards along the transitions; when that fails, the same
// guess within the chain's closed class. -1 when there are several closed classes.
int stateToFix(const Generator& q, const Ordering& o, const ReducedSystem& unfixed);

#endif
