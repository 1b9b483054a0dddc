// One walk over the chain's edges, counting its distinct transitions.
#include "statelevel/TransitionCount.h"

#include <vector>

int64_t countTransitions(BaseStateLevel& level)
{
    int n = level.getNumberOfStates();
    if (n <= 0) return 0;
    // seenFor[r] is the last destination seen with source r; edges arrive grouped by
    // destination, so a repeated pair is met while its destination's group is current
    std::vector<int> seenFor(n, -1);
    BaseStateLevel::EdgeBaseContainer* edges = nullptr;
    BaseStateLevel::EdgeBaseIterator* it = nullptr;
    level.allocateAllEdgesContainer(edges);
    level.allocateAllEdgesIterator(it);
    level.getAllEdges(edges);
    int64_t count = 0;
    EdgeBuffer e;
    for (edges->begin(it, e); !e.at_end; it->next(e)) {
        if (e.row == e.col || e.row < 0 || e.row >= n) continue;
        if (seenFor[e.row] == e.col) continue;
        seenFor[e.row] = e.col;
        ++count;
    }
    level.deallocateAllEdgesIterator(it);
    level.deallocateAllEdgesContainer(edges);
    return count;
}
