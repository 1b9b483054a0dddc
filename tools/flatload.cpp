// flatload: times the construction of a flat state level and one all-edges
// walk (which switches the storage to column order).
//
// Usage: flatload B [load]
//   B is the base name of B.arm, B.var and B.pvtype. Prints the number of
//   states and entries and the wall-clock seconds of each phase; with
//   "load" it stops after the construction. Run it under /usr/bin/time -v
//   for the peak memory.
#include <chrono>
#include <cstdio>
#include <cstring>

#include "framework/InputError.h"
#include "statelevel/Flat/FlatStateLevel.h"

static double secondsSince(std::chrono::steady_clock::time_point t0)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Times the phases on the state level, which loaded in `load` seconds.
static int measure(FlatStateLevel& level, double load, int argc, char** argv)
{
    long entries = 0;
    for (int m = 0; m < level.getNumberOfStates(); ++m) entries += level.major_size[m];
    printf("states %d entries %ld pvs %d\n", level.getNumberOfStates(), entries,
           level.getNumberOfPVs());
    printf("construction %.3f s\n", load);
    if (argc == 3 && std::strcmp(argv[2], "load") == 0) return 0;
    auto t0 = std::chrono::steady_clock::now();
    BaseStateLevel::EdgeBaseContainer* c;
    BaseStateLevel::EdgeBaseIterator* it;
    level.allocateAllEdgesContainer(c);
    level.allocateAllEdgesIterator(it);
    level.getAllEdges(c);
    double total = 0.0;
    long walked = 0;
    EdgeBuffer buf;
    for (c->begin(it, buf); !buf.at_end; it->next(buf), ++walked) total += buf.rate;
    level.deallocateAllEdgesContainer(c);
    level.deallocateAllEdgesIterator(it);
    printf("switch to columns and all-edges walk %.3f s (%ld edges, rate sum %.6g)\n",
           secondsSince(t0), walked, total);
    return 0;
}

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        fprintf(stderr, "usage: flatload B [load]\n");
        return 1;
    }
    try {
        auto t0 = std::chrono::steady_clock::now();
        FlatStateLevel level(argv[1]);
        return measure(level, secondsSince(t0), argc, argv);
    } catch (const InputError& e) {
        e.report();
        return 1;
    }
}
