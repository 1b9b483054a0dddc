// The chain's closed classes and its blocks of fast transitions, found in one search: the
// blocks are strongly connected, so the chain's components are unions of them, and the
// components come from the small graph between the blocks instead of a second search of the
// whole chain.
#ifndef VELMAR_DSS_CHAINSTRUCTURE_H
#define VELMAR_DSS_CHAINSTRUCTURE_H

#include "chain/BlockBalance.h"
#include "chain/ClosedClasses.h"

struct ChainStructure {
    ClosedClasses classes;
    BlockLevels blocks;
};

// The same classes as findClosedClasses and the same levels as findBlockLevels (component
// numbers may differ, their order being topological all the same).
ChainStructure findChainStructure(const Generator& q);

#endif
