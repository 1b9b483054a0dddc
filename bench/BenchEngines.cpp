// The timed peer solver UMFPACK on the fixed system, and the reader's timing.
#include "bench/BenchEngines.h"

#include <umfpack.h>

#include <cstdio>
#include <new>
#include <vector>

#include "bench/BenchSystem.h"
#include "statelevel/Flat/FlatStateLevel.h"

double Figures::phases() const
{
    double t = 0;
    for (double x : {start, read, structure, solve, check, pvs, write}) t += x > 0 ? x : 0;
    return t;
}

void umfpackEngine(const std::string& base, const std::string& piPath, const Report& report)
{
    Figures f;
    snprintf(f.method, sizeof f.method, "UMFPACK");
    Generator q = readChain(base, f, report);
    ReducedSystem s;
    if (!fixedSystem(q, s, f)) return;
    auto t0 = Clock::now();
    const int n = q.n;
    // rows of A are the columns of A^T: UMFPACK factorises A^T and solves with its transpose
    std::vector<int> ap(s.a.start.begin(), s.a.start.end()), ai(s.a.col.begin(), s.a.col.end());
    double control[UMFPACK_CONTROL], info[UMFPACK_INFO];
    umfpack_di_defaults(control);
    void* symbolic = nullptr;
    void* numeric = nullptr;
    int status = umfpack_di_symbolic(n, n, ap.data(), ai.data(), s.a.val.data(), &symbolic, control, info);
    if (status == UMFPACK_OK)
        status = umfpack_di_numeric(ap.data(), ai.data(), s.a.val.data(), symbolic, &numeric, control, info);
    umfpack_di_free_symbolic(&symbolic);
    if (status < 0) {
        if (status == UMFPACK_ERROR_out_of_memory) throw std::bad_alloc();
        return;
    }
    int lnz = 0, unz = 0, nr = 0, nc = 0, nzud = 0;
    umfpack_di_get_lunz(&lnz, &unz, &nr, &nc, &nzud, numeric);
    f.factorEntries = (long)lnz + unz - n;
    std::vector<double> pi(n, 0.0);
    status = umfpack_di_solve(UMFPACK_At, ap.data(), ai.data(), s.a.val.data(), pi.data(), s.b.data(),
                              numeric, control, info);
    f.iterations = (int)info[UMFPACK_IR_TAKEN];
    umfpack_di_free_numeric(&numeric);
    f.solve = since(t0);
    if (status < 0) return;
    finishPeer(q, pi, piPath, f, report);
}

double readOnly(const std::string& base)
{
    auto t0 = Clock::now();
    FlatStateLevel level(base.c_str());
    return since(t0);
}
