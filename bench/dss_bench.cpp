// dss_bench: generates models, solves each with the program's methods and with the peers
// (PETSc's BiCGStab with ILU(0) and UMFPACK, on the same system from the same files) in child
// processes under a time and memory limit, and prints every figure with its ratio to PETSc.
//
// Usage: dss_bench [--limit S] [--mem MiB] [--quick | --big] [--only name,...]
//                  [--methods m,...] [--no-umfpack] [--dir D]
//   --limit S    wall-clock seconds allowed per solve (default 60); a solve that overruns is
//                stopped and shown as such
//   --mem MiB    address-space cap per solve (default 12288)
//   --quick      the small models only; --big adds the largest (10^6 states and more)
//   --only       the named models only (see the list in BenchModels.cpp)
//   --methods    the program's methods to run (default lu,auto,ilu,gs)
//   --no-umfpack leave UMFPACK out (it cannot factorise the large chains with concurrency)
//   --dir D      generate into D and keep the files (default: a temporary directory)
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/BenchChild.h"
#include "bench/BenchEngines.h"
#include "bench/BenchModels.h"

namespace {

struct Options {
    ChildLimits limits{60, 12288};
    bool quick = false, big = false;
    std::vector<std::string> only;
    std::vector<std::string> methods{"lu", "auto", "ilu", "gs"};
    bool umfpack = true;
    std::string dir;
};

struct Run {
    std::string engine;
    ChildResult result;
    double maxDifference = -1;  // against UMFPACK's vector
};

std::vector<double> readVector(const std::string& path)
{
    std::vector<double> v;
    FILE* f = fopen(path.c_str(), "rb");
    if (f == nullptr) return v;
    double x;
    while (fread(&x, sizeof x, 1, f) == 1) v.push_back(x);
    fclose(f);
    return v;
}

double maxDifference(const std::vector<double>& a, const std::vector<double>& b)
{
    if (a.empty() || a.size() != b.size()) return -1;
    double d = 0;
    for (size_t i = 0; i < a.size(); ++i) d = std::max(d, std::fabs(a[i] - b[i]));
    return d;
}

std::vector<std::string> split(const std::string& list)
{
    std::vector<std::string> out;
    for (size_t at = 0; at <= list.size();) {
        size_t comma = std::min(list.find(',', at), list.size());
        out.push_back(list.substr(at, comma - at));
        at = comma + 1;
    }
    return out;
}

// A figure with `digits` significant digits, or "-" when not reached.
std::string num(double v, const char* format = "%.3g")
{
    if (v < 0) return "-";
    char s[32];
    snprintf(s, sizeof s, format, v);
    return s;
}

// How the run ended; "wrong" for an answer whose residual is above the program's default bound.
std::string status(const ChildResult& r, int limit)
{
    if (r.timedOut) return ">" + std::to_string(limit) + "s";
    if (r.failed) return "failed";
    if (!(r.figures.residual <= 1e-9)) return "wrong";
    return "ok";
}

// a / b for completed runs, else "-".
std::string ratio(double a, double b, bool complete)
{
    if (!complete || !(a > 0) || !(b > 0)) return "-";
    return num(a / b, "%.2f");
}

void printModel(const std::string& model, const std::vector<Run>& runs, const Options& o)
{
    const Run* peer = nullptr;
    for (const Run& r : runs)
        if (r.engine == "petsc" && r.result.figures.complete) peer = &r;
    long states = 0, transitions = 0;
    for (const Run& r : runs) {
        states = std::max(states, r.result.figures.states);
        transitions = std::max(transitions, r.result.figures.transitions);
    }
    printf("\n%s: %ld states, %ld transitions\n", model.c_str(), states, transitions);
    printf("  %-7s %-30s %7s %8s %7s %7s %8s %6s %6s %10s %8s %9s %9s %8s %8s %s\n", "engine", "method", "read",
           "solve", "chain", "check", "total", "iters", "GMRES", "factor nz", "peak MiB", "residual", "max|dpi|",
           "t/PETSc", "m/PETSc", "status");
    for (const Run& r : runs) {
        const Figures& f = r.result.figures;
        bool both = peer != nullptr && f.complete;
        printf("  %-7s %-30.30s %7s %8s %7s %7s %8s %6s %6s %10s %8.0f %9s %9s %8s %8s %s\n", r.engine.c_str(),
               f.method, num(f.read, "%.3f").c_str(), num(f.solve, "%.3f").c_str(), num(f.chain, "%.3f").c_str(),
               num(f.check, "%.3f").c_str(),
               f.complete ? num(f.total(), "%.3f").c_str() : "-", f.iterations < 0 ? "-" : std::to_string(f.iterations).c_str(),
               f.gmres < 0 ? "-" : std::to_string(f.gmres).c_str(),
               f.factorEntries < 0 ? "-" : std::to_string(f.factorEntries).c_str(), r.result.peakKiB / 1024.0,
               num(f.residual, "%.1e").c_str(), num(r.maxDifference, "%.1e").c_str(),
               ratio(f.solve, both ? peer->result.figures.solve : 0, both).c_str(),
               ratio((double)r.result.peakKiB, both ? (double)peer->result.peakKiB : 0, both).c_str(),
               status(r.result, o.limits.seconds).c_str());
    }
    fflush(stdout);
}

bool parse(int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        bool more = i + 1 < argc;
        if (a == "--quick")
            o.quick = true;
        else if (a == "--big")
            o.big = true;
        else if (a == "--limit" && more)
            o.limits.seconds = atoi(argv[++i]);
        else if (a == "--mem" && more)
            o.limits.megabytes = atol(argv[++i]);
        else if (a == "--dir" && more)
            o.dir = argv[++i];
        else if (a == "--only" && more)
            o.only = split(argv[++i]);
        else if (a == "--methods" && more)
            o.methods = split(argv[++i]);
        else if (a == "--no-umfpack")
            o.umfpack = false;
        else
            return false;
    }
    return o.limits.seconds > 0 && o.limits.megabytes > 0;
}

bool wanted(const BenchModel& m, const Options& o)
{
    if (!o.only.empty()) return std::find(o.only.begin(), o.only.end(), m.name) != o.only.end();
    return m.tier == 0 || (m.tier == 1 && !o.quick) || (m.tier == 2 && o.big);
}

// Times reading a .arm of about `states` * 85 bytes through the state level, best of three.
void measureReader(const std::string& dir, long states, const ChildLimits& limits)
{
    std::string base = dir + "/reader";
    std::string cmd = std::string(SSGEN_BINARY) + " random " + std::to_string(states) + " 4 5 '" + base + "'";
    if (system(cmd.c_str()) != 0) return;
    struct stat st {};
    stat((base + ".arm").c_str(), &st);
    double best = 1e30;
    for (int k = 0; k < 3; ++k) {
        ChildResult r = runInChild(limits, [&](const Report& report) {
            Figures fig;
            fig.read = readOnly(base);
            fig.complete = true;
            report(fig);
        });
        if (r.figures.complete) best = std::min(best, r.figures.read);
    }
    double mb = st.st_size / 1e6;
    printf("Reader: %.1f MB .arm (%ld states) and its .var into the state level in %.3f s: %.0f MB/s of .arm "
           "(best of 3)\n", mb, states, best, mb / best);
    for (const char* ext : {".arm", ".var", ".pvtype", ".parm"}) unlink((base + ext).c_str());
}

}  // namespace

int main(int argc, char** argv)
{
    Options o;
    if (!parse(argc, argv, o)) {
        fprintf(stderr, "usage: dss_bench [--limit S] [--mem MiB] [--quick | --big] [--only name,...] "
                        "[--methods m,...] [--no-umfpack] [--dir D]\n");
        return 1;
    }
    bool keep = !o.dir.empty();
    if (!keep) {
        char tmpl[] = "/tmp/dss_benchXXXXXX";
        if (mkdtemp(tmpl) == nullptr) return 1;
        o.dir = tmpl;
    } else {
        mkdir(o.dir.c_str(), 0755);
    }
    printf("dss_bench: %d s and %ld MiB per solve, files in %s; PETSc peer %s\n", o.limits.seconds,
           o.limits.megabytes, o.dir.c_str(), havePetsc() ? "on" : "not built");
    printf("times: wall-clock seconds; solve: everything after reading the files (system, ordering, "
           "factors, iterations, check), of which chain (the chain from the state level, with its closed "
           "classes for the program) and check (the solution checks; processor seconds for the program); "
           "t/PETSc, m/PETSc: solve time and peak memory over PETSc's in "
           "the same run; max|dpi|: largest difference from the reference's probabilities\n");
    if (o.only.empty()) measureReader(o.dir, o.quick ? 250000 : 1200000, o.limits);

    for (const BenchModel& m : benchModels()) {
        if (!wanted(m, o)) continue;
        auto t0 = std::chrono::steady_clock::now();
        if (!generateModel(m, o.dir)) {
            fprintf(stderr, "dss_bench: cannot generate %s\n", m.name.c_str());
            continue;
        }
        printf("%s: generated in %.1f s\n", m.name.c_str(),
               std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        std::string base = o.dir + "/" + m.name;
        std::vector<std::pair<std::string, Engine>> engines;
        for (const std::string& method : o.methods) engines.emplace_back(method, dssEngine(method));
        if (havePetsc()) engines.emplace_back("petsc", petscEngine);
        if (o.umfpack) engines.emplace_back("umfpack", umfpackEngine);
        std::vector<Run> runs;
        for (auto& [name, engine] : engines) {
            std::string pi = base + "." + name + ".pi";
            unlink(pi.c_str());  // a kept directory may hold an earlier run's vector
            Run r{name, runInChild(o.limits, [&](const Report& report) { engine(base, pi, report); })};
            runs.push_back(r);
        }
        // the reference: UMFPACK's vector, else the completed answer with the smallest residual
        std::string reference = "umfpack";
        double best = INFINITY;
        for (const Run& r : runs)
            if (r.engine != "umfpack" && r.result.figures.complete && r.result.figures.residual < best &&
                readVector(base + ".umfpack.pi").empty()) {
                best = r.result.figures.residual;
                reference = r.engine;
            }
        std::vector<double> ref = readVector(base + "." + reference + ".pi");
        for (Run& r : runs) r.maxDifference = maxDifference(readVector(base + "." + r.engine + ".pi"), ref);
        printModel(m.name, runs, o);
        printf("  (max|dpi| against %s)\n", reference.c_str());
        if (!keep) {
            std::string cmd = "rm -f '" + base + "'.*";
            if (system(cmd.c_str()) != 0) {
            }
        }
    }
    if (!keep) rmdir(o.dir.c_str());
    return 0;
}
