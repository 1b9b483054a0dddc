// The timed solvers: the program's own and UMFPACK on the same linear system.
#include "bench/BenchEngines.h"

#include <umfpack.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "dss/DSSSolver.h"
#include "dss/Matrix.h"
#include "statelevel/Flat/FlatStateLevel.h"
#include "tests/dss/reference/ReferenceLU.h"

namespace {

using Clock = std::chrono::steady_clock;

double since(Clock::time_point t0)
{
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

// Calls f(row, col, rate) for every stored transition of the level.
template <class F> void forEachEdge(BaseStateLevel& level, F f)
{
    BaseStateLevel::EdgeBaseContainer* c = nullptr;
    BaseStateLevel::EdgeBaseIterator* it = nullptr;
    level.allocateAllEdgesContainer(c);
    level.allocateAllEdgesIterator(it);
    level.getAllEdges(c);
    EdgeBuffer e;
    for (c->begin(it, e); !e.at_end; it->next(e)) f(e.row, e.col, e.rate);
    level.deallocateAllEdgesContainer(c);
    level.deallocateAllEdgesIterator(it);
}

// ||pi Q|| / (||Q|| ||pi||) in max norms; self-loops are not transitions.
double scaledResidual(BaseStateLevel& level, const std::vector<double>& pi)
{
    const size_t n = pi.size();
    std::vector<double> flow(n, 0.0), out(n, 0.0);
    forEachEdge(level, [&](int i, int j, double q) {
        if (i == j) return;
        flow[j] += pi[i] * q;
        flow[i] -= pi[i] * q;
        out[i] += q;
    });
    double r = 0, norm = 0, p = 0;
    for (size_t i = 0; i < n; ++i) {
        r = std::max(r, std::fabs(flow[i]));
        norm = std::max(norm, 2 * out[i]);
        p = std::max(p, std::fabs(pi[i]));
    }
    return r / (norm * p);
}

long countTransitions(FlatStateLevel& level)
{
    long t = 0;
    for (int m = 0; m < level.getNumberOfStates(); ++m) t += level.major_size[m];
    return t;
}

void writeVector(const std::string& path, const std::vector<double>& v)
{
    FILE* f = fopen(path.c_str(), "wb");
    if (f == nullptr) return;
    fwrite(v.data(), sizeof(double), v.size(), f);
    fclose(f);
}

// Number of times `line` occurs in text.
int occurrences(const std::string& text, const char* line)
{
    int count = 0;
    for (size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1))
        ++count;
    return count;
}

// The pass counter and iteration count of the report's line on a refinement that went on
// with GMRES; false when there is none.
bool gmresLine(const std::string& text, int* passCounter, int* iterations)
{
    size_t at = text.find("Iterative refinement stalled at pass counter ");
    if (at == std::string::npos) return false;
    return sscanf(text.c_str() + at,
                  "Iterative refinement stalled at pass counter %d; continued with GMRES "
                  "preconditioned by the factors: %d iterations",
                  passCounter, iterations) == 2;
}

// Reads the model at base into a state level, reporting read time and size.
std::unique_ptr<FlatStateLevel> readModel(const std::string& base, Figures& f, const Report& report)
{
    auto t0 = Clock::now();
    auto level = std::make_unique<FlatStateLevel>(base.c_str());
    f.read = since(t0);
    f.states = level->getNumberOfStates();
    f.transitions = countTransitions(*level);
    report(f);
    return level;
}

// A solver with the program's default settings, its report going to base.report.txt.
std::unique_ptr<DSSSolver> defaultSolver(FlatStateLevel& level, const std::string& base)
{
    std::string dir = base.substr(0, base.rfind('/') + 1), name = base.substr(dir.size());
    std::vector<std::string> words = {"dss", "-P", "bench", "-S", "bench", "-E", name, "-G", dir,
                                      "-s",  dir,  "-o",    base + ".report.txt"};
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(&w[0]);
    argv.push_back(nullptr);
    auto solver = std::make_unique<DSSSolver>(&level, (int)words.size(), argv.data());
    solver->initialize();
    return solver;
}

long entries(const Matrix* rows, size_t n)
{
    long e = 0;
    for (size_t i = 0; i < n; ++i) e += rows[i].numEntries();
    return e;
}

}  // namespace

double Figures::total() const
{
    double t = 0;
    for (double x : {read, build, factor, subst, refine}) t += x > 0 ? x : 0;
    return t;
}

void dssEngine(const std::string& base, const std::string& piPath, const Report& report)
{
    Figures f;
    std::unique_ptr<FlatStateLevel> level = readModel(base, f, report);
    std::unique_ptr<DSSSolver> owned = defaultSolver(*level, base);
    DSSSolver& solver = *owned;

    // the steps of solveSystem, each timed
    const size_t n = (size_t)f.states;
    std::vector<double> y(n), z(n), x(n, -1.0), pi(n, 0.0);
    auto t0 = Clock::now();
    solver.initializeSolver();
    f.build = since(t0);
    report(f);
    t0 = Clock::now();
    solver.performLUDecomp();
    f.factor = since(t0);
    f.factorEntries = entries(solver.A, n);
    report(f);
    t0 = Clock::now();
    solver.forwardSub(y.data(), solver.rhs.data(), solver.A);
    solver.backwardSub(y.data(), z.data(), solver.A);
    solver.findSolution(z.data(), x.data());
    f.subst = since(t0);
    f.passes = 0;
    f.refine = 0;
    if (solver.dropThreshold > 1e-11) {
        // each pass ends with one backward substitution, which alone says
        // "Completed column number: 0" at the largest verbosity
        char* text = nullptr;
        size_t size = 0;
        FILE* progress = open_memstream(&text, &size);
        FILE* report_stream = solver.out;
        solver.out = progress;
        solver.verbosity = INT_MAX;
        t0 = Clock::now();
        solver.iterativeRefine(solver.A, x.data(), pi.data());
        f.refine = since(t0);
        solver.verbosity = 0;
        solver.out = report_stream;
        fclose(progress);
        // GMRES preconditions with the same substitutions: take the passes from its line
        int passCounter = 0, iterations = 0;
        if (gmresLine(text, &passCounter, &iterations)) {
            f.passes = passCounter / 2 + 1;
            f.gmres = iterations;
        } else {
            f.passes = occurrences(text, "Completed column number: 0\n");
        }
        free(text);
    } else {
        pi = x;
    }
    f.residual = scaledResidual(*level, pi);
    f.complete = true;
    writeVector(piPath, pi);
    report(f);
}

void referenceEngine(const std::string& base, const std::string& piPath, const Report& report)
{
    Figures f;
    std::unique_ptr<FlatStateLevel> level = readModel(base, f, report);
    std::unique_ptr<DSSSolver> solver = defaultSolver(*level, base);

    const size_t n = (size_t)f.states;
    auto t0 = Clock::now();
    std::vector<Matrix> loaded(n), origA(n);
    solver->readMatrix(loaded.data());
    solver->readMatrix(origA.data());
    f.build = since(t0);
    report(f);
    t0 = Clock::now();
    ReferenceLU ref(std::move(loaded), solver->dropThreshold, solver->searchRows,
                    solver->stability);
    ref.factorise();
    f.factor = since(t0);
    f.factorEntries = entries(ref.A.data(), n);
    report(f);
    t0 = Clock::now();
    std::vector<double> pi = ref.solve(origA, solver->accuracy);
    f.subst = since(t0);
    f.refine = 0;
    f.residual = scaledResidual(*level, pi);
    f.complete = true;
    writeVector(piPath, pi);
    report(f);
}

void umfpackEngine(const std::string& base, const std::string& piPath, const Report& report)
{
    Figures f;
    std::unique_ptr<FlatStateLevel> owned = readModel(base, f, report);
    FlatStateLevel& level = *owned;

    // A = Q transposed with its last row all ones: A[j][i] = q_ij, A[i][i] = -sum_j q_ij
    const int n = (int)f.states;
    auto t0 = Clock::now();
    std::vector<int> ti, tj;
    std::vector<double> tx;
    std::vector<double> diagonal(n, 0.0);
    forEachEdge(level, [&](int i, int j, double q) {
        if (i == j) return;
        diagonal[i] -= q;
        if (j == n - 1) return;
        ti.push_back(j);
        tj.push_back(i);
        tx.push_back(q);
    });
    for (int i = 0; i < n; ++i) {
        if (i != n - 1) {
            ti.push_back(i);
            tj.push_back(i);
            tx.push_back(diagonal[i]);
        }
        ti.push_back(n - 1);
        tj.push_back(i);
        tx.push_back(1.0);
    }
    const int nz = (int)tx.size();
    std::vector<int> Ap(n + 1), Ai(nz);
    std::vector<double> Ax(nz);
    umfpack_di_triplet_to_col(n, n, nz, ti.data(), tj.data(), tx.data(), Ap.data(), Ai.data(),
                              Ax.data(), nullptr);
    std::vector<int>().swap(ti);
    std::vector<int>().swap(tj);
    std::vector<double>().swap(tx);
    f.build = since(t0);
    report(f);

    double control[UMFPACK_CONTROL], info[UMFPACK_INFO];
    umfpack_di_defaults(control);
    void* symbolic = nullptr;
    void* numeric = nullptr;
    t0 = Clock::now();
    int status =
        umfpack_di_symbolic(n, n, Ap.data(), Ai.data(), Ax.data(), &symbolic, control, info);
    if (status == UMFPACK_OK)
        status =
            umfpack_di_numeric(Ap.data(), Ai.data(), Ax.data(), symbolic, &numeric, control, info);
    umfpack_di_free_symbolic(&symbolic);
    f.factor = since(t0);
    if (status < 0) {
        if (status == UMFPACK_ERROR_out_of_memory) throw std::bad_alloc();
        return;
    }
    int lnz = 0, unz = 0, nr = 0, nc = 0, nzud = 0;
    umfpack_di_get_lunz(&lnz, &unz, &nr, &nc, &nzud, numeric);
    f.factorEntries = (long)lnz + unz - n;
    report(f);

    std::vector<double> b(n, 0.0), pi(n, 0.0);
    b[n - 1] = 1.0;
    t0 = Clock::now();
    status = umfpack_di_solve(UMFPACK_A, Ap.data(), Ai.data(), Ax.data(), pi.data(), b.data(),
                              numeric, control, info);
    f.subst = since(t0);  // the solve includes UMFPACK's own refinement
    f.refine = 0;
    f.passes = (int)info[UMFPACK_IR_TAKEN];
    umfpack_di_free_numeric(&numeric);
    if (status < 0) return;
    f.residual = scaledResidual(level, pi);
    f.complete = true;
    writeVector(piPath, pi);
    report(f);
}

double readOnly(const std::string& base)
{
    auto t0 = Clock::now();
    FlatStateLevel level(base.c_str());
    return since(t0);
}
