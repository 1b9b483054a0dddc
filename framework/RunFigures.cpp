// Process accounting from getrusage, and one walk over the chain's edges.
#include "framework/RunFigures.h"

#include <sys/resource.h>

#include <vector>

#include "statelevel/BaseStateLevel.h"

// Seconds in a timeval.
static double seconds(const timeval& t)
{
    return (double)t.tv_sec + 1e-6 * (double)t.tv_usec;
}

ProcessUsage processUsage()
{
    ProcessUsage u;
    rusage r{};
    if (getrusage(RUSAGE_SELF, &r) != 0) return u;
    u.userSeconds = seconds(r.ru_utime);
    u.systemSeconds = seconds(r.ru_stime);
    u.peakKiB = r.ru_maxrss;  // kilobytes on Linux
    return u;
}

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

void writeRunFigures(FILE* out, int states, int64_t transitions, long peakKiB)
{
    fprintf(out, "States: %d\n", states);
    fprintf(out, "Transitions: %lld\n", (long long)transitions);
    fprintf(out, "Peak Memory (MiB): %.1f\n", (double)peakKiB / 1024.0);
}
