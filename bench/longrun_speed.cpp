// Speed and memory of the long-run solve of a chain with many small closed classes:
//   longrun_speed [states]        (default 10^7)
// The chain: a path of transient states 4k, each leaving for the absorbing state 4k+1 as fast
// as it goes on, beside closed pairs {4k+2, 4k+3}. Prints the processor seconds of reading
// the chain and of the long-run solve, the peak resident memory and the check.
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "dss/DSSSolver.h"
#include "statelevel/Chain/ChainStateLevel.h"

// A chain of `blocks` blocks of four states as described above.
static ChainModel smallClasses(int blocks)
{
    ChainModel m;
    m.num_states = 4 * blocks;
    for (int k = 0; k < blocks; ++k) {
        if (k + 1 < blocks) m.addEdge(4 * k, 4 * k + 4, 1.0);
        m.addEdge(4 * k, 4 * k + 1, k + 1 < blocks ? 1.0 : 2.0);
        m.addEdge(4 * k + 2, 4 * k + 3, 1.0);
        m.addEdge(4 * k + 3, 4 * k + 2, 3.0);
    }
    return m;
}

int main(int argc, char** argv)
{
    long states = argc > 1 ? atol(argv[1]) : 10000000L;
    if (states < 8 || states > 2000000000L) {
        fprintf(stderr, "usage: longrun_speed [states, 8 to 2e9]\n");
        return 2;
    }
    char dir[] = "/tmp/longrun_speedXXXXXX";
    if (mkdtemp(dir) == nullptr) return 1;
    std::string out = std::string(dir) + "/", report = out + "r.txt";
    std::vector<std::string> words = {"dss", "-P", "b", "-S", "b", "-E", "e", "-G", out, "-s", out, "-o", report};
    std::vector<char*> args;
    for (std::string& w : words) args.push_back(&w[0]);
    args.push_back(nullptr);
    ChainStateLevel level(smallClasses((int)(states / 4)));
    DSSSolver solver(&level, (int)words.size(), args.data());
    solver.initialize();
    clock_t start = clock();
    solver.solveSystem();
    double seconds = (double)(clock() - start) / CLOCKS_PER_SEC;
    struct rusage use;
    getrusage(RUSAGE_SELF, &use);
    const SolveRecord& r = solver.record;
    printf("states %d, transitions %lld, closed classes %d, transient %d\n", r.numStates,
           (long long)r.transitions, r.closedClasses, r.transientStates);
    printf("reading the chain and finding its classes: %.3f s; whole solve %.3f s; peak %.0f MiB; check %s\n",
           r.readSeconds, seconds, use.ru_maxrss / 1024.0, r.check.passed ? "passed" : "failed");
    remove(report.c_str());
    remove((out + "r.csv").c_str());
    rmdir(dir);
    return r.check.passed ? 0 : 1;
}
