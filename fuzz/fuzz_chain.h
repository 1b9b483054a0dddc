// Loading a chain of another tool's format "m" from the scratch directory of
// fuzz_files.h and walking everything the solver and the PV evaluation use.
#ifndef VELMAR_FUZZ_CHAIN_H
#define VELMAR_FUZZ_CHAIN_H

#include <cstdlib>

#include "fuzz/fuzz_files.h"
#include "statelevel/Chain/ChainStateLevel.h"

// Checks one walk: every transition lies among the states with a rate of at least zero.
inline void check_walk(BaseStateLevel& level, BaseStateLevel::EdgeBaseContainer* c,
                       BaseStateLevel::EdgeBaseIterator* it)
{
    EdgeBuffer buf;
    int n = level.getNumberOfStates();
    for (c->begin(it, buf); !buf.at_end; it->next(buf))
        if (buf.row < 0 || buf.row >= n || buf.col < 0 || buf.col >= n || !(buf.rate >= 0.0))
            abort();
}

// The all-edge walk, every row, and every PV; each PV walk yields one pair per state.
inline void walk_chain(ChainStateLevel& level)
{
    BaseStateLevel::EdgeBaseContainer* c;
    BaseStateLevel::EdgeBaseIterator* it;
    level.allocateAllEdgesContainer(c);
    level.allocateAllEdgesIterator(it);
    level.getAllEdges(c);
    check_walk(level, c, it);
    for (int r = 0; r < level.getNumberOfStates(); ++r) {
        level.getRow(r, c);
        check_walk(level, c, it);
    }
    level.deallocateAllEdgesContainer(c);
    level.deallocateAllEdgesIterator(it);
    BaseStateLevel::PVBaseContainer* pc;
    BaseStateLevel::PVBaseIterator* pit;
    level.allocatePVContainer(pc);
    level.allocatePVIterator(pit);
    for (int p = 0; p < level.getNumberOfPVs(); ++p) {
        level.getPV(pc, p);
        PVBuffer buf;
        int steps = 0;
        for (pc->begin(pit, buf); !buf.at_end; pit->next(buf)) ++steps;
        if (steps != level.getNumberOfStates() || level.pv_type[p] != 3) abort();
    }
    level.deallocatePVIterator(pit);
    level.deallocatePVContainer(pc);
    int init = level.getInitialState();
    if (init < 0 || init >= level.getNumberOfStates()) abort();
}

// Loads "m" with the state level Level; a refused file ends through
// chain_file_fault with a message that names the file.
template <class Level> inline void load_chain()
{
    ChainStateLevel* level = nullptr;
    try {
        level = new Level(scratch_dir() + "m");
    } catch (const InputError& e) {
        if (e.text().find(scratch_dir() + "m.") == std::string::npos &&
            e.text().find(scratch_dir() + "m1.") == std::string::npos)
            abort();
        return;
    }
    walk_chain(*level);
    delete level;
}

#endif
