// What reading a flat state space and sweeping it cost, and what the packed form saves:
//   sweep_cost <state-space dir>/<experiment> [sweeps] [rounds]
// Prints the wall and processor seconds and rate of reading the .arm file, the bytes per entry of the
// system held plain (64-bit starts and diagonal positions, 32-bit columns, double values) and
// packed, and the seconds of a Gauss-Seidel sweep in either form on one thread, the two
// measured in turn, round after round, so that a busy machine weighs on both alike.
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "chain/Generator.h"
#include "framework/InputError.h"
#include "methods/BlockSweeps.h"
#include "methods/Ordering.h"
#include "methods/PackedRows.h"
#include "methods/ReducedSystem.h"
#include "statelevel/Flat/ArmScan.h"
#include "statelevel/Flat/FlatStateLevel.h"

namespace {

double processorSeconds()
{
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return (double)t.tv_sec + 1e-9 * (double)t.tv_nsec;
}

// The sweep of the plain form, as the methods ran it before the packed form.
void plainSweep(const SparseRows& a, const std::vector<double>& b, std::vector<double>& x)
{
    for (int i = 0; i < a.n; ++i) {
        double sum = b[i];
        for (int64_t p = a.start[i]; p < a.start[i + 1]; ++p)
            if (p != a.diagonal[i]) sum -= a.val[p] * x[a.col[p]];
        x[i] = sum / a.val[a.diagonal[i]];
    }
}

template <class F>
double timed(F&& f)
{
    const double t0 = processorSeconds();
    f();
    return processorSeconds() - t0;
}

// Wall and processor seconds of f.
struct Cost {
    double wall = 0.0, processor = 0.0;
};

template <class F>
Cost costOf(F&& f)
{
    Cost c;
    const auto t0 = std::chrono::steady_clock::now();
    c.processor = timed(f);
    c.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    return c;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: sweep_cost <state-space dir>/<experiment> [sweeps] [rounds]\n");
        return 2;
    }
    const std::string base = argv[1];
    const int sweeps = argc > 2 ? atoi(argv[2]) : 10;
    const int rounds = argc > 3 ? atoi(argv[3]) : 3;
    struct stat st;
    const double armBytes = stat((base + ".arm").c_str(), &st) == 0 ? (double)st.st_size : 0.0;
    InputError fault("", InputError::STANDARD_ERROR);
    bool faulty = false;
    const Cost parse = costOf([&] { faulty = arm_file_fault(base + ".arm", fault); });
    if (faulty) {
        fprintf(stderr, "%s", fault.text().c_str());
        return 1;
    }
    FlatStateLevel* level = nullptr;
    const Cost read = costOf([&] { level = new FlatStateLevel(base.c_str()); });
    Generator q;
    const double take = timed([&] { q = takeGenerator(*level); });
    delete level;
    ReducedSystem sys = reducedSystem(q, naturalOrdering(q.n), -1);
    PackedRows packed = packRows(sys.a);
    const double entries = (double)sys.a.entries();
    printf("states %d, entries %.0f (diagonal included), .arm %.0f MB\n", q.n, entries, armBytes / 1e6);
    printf("parse of the .arm alone %.3f s wall, %.2f GB/s; %.3f s processor\n", parse.wall,
           armBytes / parse.wall / 1e9, parse.processor);
    printf("read (.arm, .var, .pvtype) %.3f s wall, %.2f GB/s of .arm; %.3f s processor; rows taken over %.3f s\n",
           read.wall, armBytes / read.wall / 1e9, read.processor, take);
    printf("bytes per entry: plain %.2f, packed %.2f (values in %d bytes, %zu distinct)\n",
           (double)sys.a.bytes() / entries, (double)packed.bytes() / entries, packed.codeBytes, packed.table.size());
    std::vector<double> x1(q.n, 1.0 / q.n), x2 = x1;
    double plainTotal = 0.0, packedTotal = 0.0;
    for (int r = 0; r < rounds; ++r) {
        plainTotal += timed([&] {
            for (int k = 0; k < sweeps; ++k) plainSweep(sys.a, sys.b, x1);
        });
        packedTotal += timed([&] {
            for (int k = 0; k < sweeps; ++k) sorSweep(packed, sys.b, 1.0, x2);
        });
    }
    // the sweeps as gs runs them on a large chain: two blocks of states side by side
    BlockSweeps blocks(packed, RowParts(sys.a.start, 2));
    std::vector<double> x3(q.n, 1.0 / q.n);
    std::vector<std::vector<double>> none;
    double blockWall = 0.0, blockProcessor = 0.0;
    for (int r = 0; r < rounds; ++r) {
        const auto t0 = std::chrono::steady_clock::now();
        blockProcessor += timed([&] { blocks.run(sys.b, 1.0, x3, sweeps, -1, none); });
        blockWall += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    const double n = (double)sweeps * rounds;
    printf("sweep, packed, two blocks in two threads: %.4f s wall, %.4f s processor\n", blockWall / n,
           blockProcessor / n);
    printf("sweep, one thread: plain %.4f s, packed %.4f s (%.2f times)\n", plainTotal / n, packedTotal / n,
           plainTotal / packedTotal);
    printf("the same iterates: %s\n", x1 == x2 ? "yes" : "NO");
    return x1 == x2 ? 0 : 1;
}
