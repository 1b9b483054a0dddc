// Closed classes from the components of the graph between the blocks of fast transitions.
#include "chain/ChainStructure.h"

#include <utility>

#include "chain/StrongComponents.h"

ChainStructure findChainStructure(const Generator& q)
{
    ChainStructure s;
    Components fast = strongComponents(q, firstShare);
    if (fast.count <= 1) {  // one block: one class without transient states, and no split
        s.blocks.states = q.n;
        s.classes = closedClassesOf(q, std::move(fast));
        return s;
    }
    s.blocks = blockLevelsFrom(q, std::move(fast));
    // the graph between the blocks holds every positive rate that joins two of them
    Components between = strongComponents(s.blocks.between, 0.0);
    const Generator& g = s.blocks.between;
    std::vector<char> leaves(between.count, 0);
    for (int a = 0; a < g.n; ++a)
        for (int64_t e = g.start[a]; e < g.start[a + 1]; ++e)
            if (between.of[g.target[e]] != between.of[a]) leaves[between.of[a]] = 1;
    Components t;
    t.count = between.count;
    t.of.resize(q.n);
    for (int i = 0; i < q.n; ++i) t.of[i] = between.of[s.blocks.finest[i]];
    s.classes = closedClassesOf(std::move(t), leaves);
    return s;
}
