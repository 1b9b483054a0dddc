// The timed solvers: the program's methods and UMFPACK on the fixed system.
#include "bench/BenchEngines.h"

#include <umfpack.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "bench/BenchSystem.h"
#include "dss/DSSSolver.h"
#include "statelevel/Flat/FlatStateLevel.h"

double Figures::total() const
{
    double t = 0;
    for (double x : {read, solve}) t += x > 0 ? x : 0;
    return t;
}

namespace {

// A solver with default settings and -m method, its report going to base.report.txt.
std::unique_ptr<DSSSolver> programSolver(FlatStateLevel& level, const std::string& base, const std::string& method)
{
    std::string dir = base.substr(0, base.rfind('/') + 1), name = base.substr(dir.size());
    std::vector<std::string> words = {"dss", "-P", "bench", "-S", "bench", "-E", name, "-G", dir, "-s", dir,
                                      "-o", base + "." + method + ".report.txt", "-m", method};
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(&w[0]);
    argv.push_back(nullptr);
    auto solver = std::make_unique<DSSSolver>(&level, (int)words.size(), argv.data());
    solver->initialize();
    return solver;
}

// The figures of a solve record: the attempt whose vector was kept is the last one.
void fromRecord(const SolveRecord& record, const std::string& method, Figures& f)
{
    if (record.attempts.empty()) return;
    const SolveAttempt& a = record.attempts.back();
    f.iterations = a.method == "lu" ? a.refinementPasses : a.iterations;
    f.gmres = a.gmresUsed ? a.gmresIterations : -1;
    f.factorEntries = a.factorEntries > 0 ? (long)a.factorEntries : -1;
    f.residual = record.check.residual;
    f.chain = record.readSeconds;
    f.check = record.checkSeconds;
    std::string text = a.method;
    if (method == "auto") text = "auto: " + a.method + (record.attempts.size() > 1 ? " (fallback)" : "");
    if (a.method == "lu" && record.attempts.size() > 1 && method == "lu") text += " (retried)";
    snprintf(f.method, sizeof f.method, "%s", text.c_str());
}

}  // namespace

Engine dssEngine(const std::string& method)
{
    return [method](const std::string& base, const std::string& piPath, const Report& report) {
        Figures f;
        auto t0 = Clock::now();
        FlatStateLevel level(base.c_str());
        f.read = since(t0);
        f.states = level.getNumberOfStates();
        report(f);
        std::unique_ptr<DSSSolver> solver = programSolver(level, base, method);
        t0 = Clock::now();
        solver->solveSystem();  // reads the chain from the state level, solves and checks
        f.solve = since(t0);
        f.transitions = (long)solver->record.transitions;
        fromRecord(solver->record, method, f);
        std::vector<double>& pi = solver->solutionVector;
        FILE* out = fopen(piPath.c_str(), "wb");
        if (out != nullptr) {
            fwrite(pi.data(), sizeof(double), pi.size(), out);
            fclose(out);
        }
        f.complete = solver->record.check.passed;
        report(f);
    };
}

void umfpackEngine(const std::string& base, const std::string& piPath, const Report& report)
{
    Figures f;
    snprintf(f.method, sizeof f.method, "UMFPACK");
    Generator q = readChain(base, f, report);
    auto t0 = Clock::now();
    ReducedSystem s;
    if (!fixedSystem(q, s)) return;
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
    f.solve += since(t0);
    if (status < 0) return;
    finishPeer(q, pi, piPath, f, report);
}

double readOnly(const std::string& base)
{
    auto t0 = Clock::now();
    FlatStateLevel level(base.c_str());
    return since(t0);
}
