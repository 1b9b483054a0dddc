// Times the factorisation of a tandem-queue chain against the straightforward reference.
// Not part of the build:
//   g++ -O2 -std=c++17 -ffp-contract=off -I. bench/lu_speed.cpp tests/dss/reference/ReferenceLU.cpp
//       build/libvelmar.a -o build/lu_speed
//   build/lu_speed <capacity 1> <capacity 2> [ref | solve]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/dss/dss_harness.h"
#include "tests/dss/reference/ReferenceLU.h"

static double seconds(std::chrono::steady_clock::time_point from)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
}

static long entries(const Matrix* A, int n)
{
    long e = 0;
    for (int r = 0; r < n; ++r) e += A[r].numEntries();
    return e;
}

int main(int argc, char** argv)
{
    if (argc < 3) return 2;
    int c1 = atoi(argv[1]), c2 = atoi(argv[2]);
    bool withReference = argc > 3 && strcmp(argv[3], "ref") == 0;
    int n = (c1 + 1) * (c2 + 1);
    DssRun run(n, tandem(c1, c2, 1.0, 1.3, 1.1));
    DSSSolver& s = *run.solver;

    auto t0 = std::chrono::steady_clock::now();
    s.initializeSolver();
    double load = seconds(t0);
    long loaded = entries(s.A, n);
    t0 = std::chrono::steady_clock::now();
    s.performLUDecomp();
    double fast = seconds(t0);
    long factors = entries(s.A, n);
    printf("states %d  loaded entries %ld  factor entries %ld  work (entries x mean row) %.3g\n", n,
           loaded, factors, (double)factors * factors / n);
    printf("load %.3f s  fast LU %.3f s\n", load, fast);

    if (argc > 3 && strcmp(argv[3], "solve") == 0) {
        t0 = std::chrono::steady_clock::now();
        s.solveSystem();  // loads and factorises again, then substitutes and refines
        printf("whole solve %.3f s\n", seconds(t0));
    }
    if (!withReference) return 0;
    std::vector<Matrix> A(n);
    s.readMatrix(A.data());
    ReferenceLU ref(std::move(A), s.dropThreshold, s.searchRows, s.stability);
    t0 = std::chrono::steady_clock::now();
    ref.factorise();
    double slow = seconds(t0);
    bool same = true;
    for (int r = 0; r < n && same; ++r)
        same = ref.A[r].columns == s.A[r].columns && ref.A[r].values == s.A[r].values;
    printf("reference LU %.3f s  ratio %.1f  factors %s\n", slow, slow / fast, same ? "identical" : "DIFFER");
    return 0;
}
