// The balance of blocks of states: on a nearly decomposable chain every state can balance to
// within the weak couplings while the blocks' masses are wrong; the flow across a block's
// boundary, measured against that flow itself, cannot hide it.
#ifndef VELMAR_DSS_BLOCKBALANCE_H
#define VELMAR_DSS_BLOCKBALANCE_H

#include <cstdint>
#include <vector>

#include "chain/Generator.h"

// The states grouped, level by level, into blocks that the chain's fast transitions hold
// together: at level l a transition is fast when its rate is at least share[l] times its
// source's exit rate; each level's blocks are the strongly connected components of the fast
// transitions, unions of the blocks of the level before.
struct BlockLevels {
    int states = -1;  // of the chain they were found on (-1: none)
    // block of each state at the finest level that splits the chain (empty: it never splits)
    std::vector<int> finest;
    int finestCount = 0;
    // The finest blocks' graph: an edge per transition between two of them, its rate the
    // transition's share of its source's exit rate; source and edge give the transition.
    Generator between;
    std::vector<int> source;
    std::vector<int64_t> edge;
    // per level that splits: its share, and the block of each finest block (level 0 is the
    // finest itself, with an empty map)
    std::vector<double> share;
    std::vector<std::vector<int>> blockOf;
    std::vector<int> count;

    bool split() const { return !share.empty(); }
};

// Shares of the levels: 1e-2, 1e-4, ... 1e-16. (findChainStructure finds them together with
// the closed classes, at the cost of one search.)
BlockLevels findBlockLevels(const Generator& q);

// The share of the finest level: a transition below 1e-2 of its source's exit rate is slow.
constexpr double firstShare = 1e-2;

struct Components;

// The levels from the components of the fast transitions at the first share, already found.
BlockLevels blockLevelsFrom(const Generator& q, Components first);

struct BlockBalance {
    // largest |inflow - outflow| / max(inflow, outflow) of a block, over all levels
    double imbalance = 0.0;
    // smallest outflow of a block over the flow through its states, over all levels (1 when
    // the chain does not split)
    double coupling = 1.0;
    int blocks = 0;  // blocks at the finest level that splits (0: none)
};

// A block whose flows in and out are both at most this share of the busiest state's outflow
// is not measured: its flows are lost in the underflow of its probabilities.
constexpr double unresolvedBlockShare = 1e-280;

// Measures pi's balance on every block of every level.
BlockBalance blockBalance(const Generator& q, const BlockLevels& levels, const std::vector<double>& pi);

#endif
