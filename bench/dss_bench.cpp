// dss_bench: generates models, runs the program on each as a user does (`dss -m METHOD` in a
// process of its own, its figures from its JSON results) and the peers (PETSc's KSP in four
// settings, UMFPACK, on the same system from the same files) in child processes under a time
// and memory limit, and prints per engine the wall-clock phases, the whole process's wall time,
// peak memory and the ratios to PETSc's fastest setting.
//
// Usage: dss_bench [--limit S] [--mem MiB] [--quick | --big] [--only name,...]
//                  [--methods m,...] [--args 'words'] [--no-umfpack] [--no-agree]
//                  [--markdown FILE] [--dir D]
//   --limit S    wall-clock seconds allowed per process (default 60); one that overruns is
//                stopped and shown as such
//   --mem MiB    address-space cap per process (default 12288)
//   --quick      the small models only; --big adds the largest (10^6 states and more)
//   --only       the named models only (see the list in BenchModels.cpp)
//   --methods    the values of -m to run dss with, "default" for none (default auto,lu,ilu,gs)
//   --args       more words for every dss run, e.g. '-t 1e-5'
//   --no-umfpack leave UMFPACK out (it cannot factorise the large chains with concurrency)
//   --no-agree   skip the second, untimed run of dss that writes its vector for max|dpi|
//   --markdown F the figures, phases and cost tables of the whole run, in Markdown, into F
//   --dir D      generate into D and keep the files (default: a temporary directory)
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/BenchChild.h"
#include "bench/BenchEngines.h"
#include "bench/BenchModels.h"
#include "bench/BenchProgram.h"
#include "bench/BenchTable.h"

namespace {

struct Options {
    ChildLimits limits{60, 12288};
    bool quick = false, big = false;
    std::vector<std::string> only;
    std::vector<std::string> methods{"auto", "lu", "ilu", "gs"};
    std::vector<std::string> extra;  // more words for dss
    bool umfpack = true;
    bool agree = true;
    std::string markdown;
    std::string dir;
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

std::vector<std::string> split(const std::string& list, char separator)
{
    std::vector<std::string> out;
    for (size_t at = 0; at <= list.size();) {
        size_t end = std::min(list.find(separator, at), list.size());
        if (end > at || separator == ',') out.push_back(list.substr(at, end - at));
        at = end + 1;
    }
    return out;
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
            o.only = split(argv[++i], ',');
        else if (a == "--methods" && more)
            o.methods = split(argv[++i], ',');
        else if (a == "--args" && more)
            o.extra = split(argv[++i], ' ');
        else if (a == "--markdown" && more)
            o.markdown = argv[++i];
        else if (a == "--no-umfpack")
            o.umfpack = false;
        else if (a == "--no-agree")
            o.agree = false;
        else
            return false;
    }
    return o.limits.seconds > 0 && o.limits.megabytes > 0 && !o.methods.empty();
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

// Every engine on the model at base: the program's methods, PETSc's settings, UMFPACK.
std::vector<Run> runEngines(const std::string& base, const Options& o)
{
    std::vector<Run> runs;
    auto inChild = [&](const std::string& name, const std::string& pi, const Engine& engine) {
        unlink(pi.c_str());  // a kept directory may hold an earlier run's vector
        runs.push_back({name, runInChild(o.limits, [&](const Report& report) { engine(base, pi, report); }), -1, pi});
    };
    for (const std::string& method : o.methods) {
        const std::string pi = base + "." + method + ".pi";
        unlink(pi.c_str());
        runs.push_back({method, runDss(o.limits, base, {method, o.extra}, o.agree ? pi : ""), -1, pi});
    }
    for (int k = 0; k < petscSettings(); ++k)
        inChild("petsc", base + ".petsc" + std::to_string(k) + ".pi", petscEngine(k));
    if (o.umfpack) inChild("umfpack", base + ".umfpack.pi", umfpackEngine);
    return runs;
}

// The differences from UMFPACK's vector, else from the completed answer with the smallest residual.
void compareVectors(ModelRuns& m)
{
    const Run* reference = nullptr;
    for (const Run& r : m.runs)
        if (r.engine == "umfpack" && !readVector(r.piPath).empty()) reference = &r;
    for (const Run& r : m.runs)
        if (reference == nullptr || reference->engine != "umfpack")
            if (r.result.figures.complete && !readVector(r.piPath).empty() &&
                (reference == nullptr || r.result.figures.residual < reference->result.figures.residual))
                reference = &r;
    if (reference == nullptr) return;
    m.reference = reference->engine;
    std::vector<double> ref = readVector(reference->piPath);
    for (Run& r : m.runs) r.maxDifference = maxDifference(readVector(r.piPath), ref);
}

// The program's method the first columns of the Markdown figures are of.
std::string primaryMethod(const Options& o)
{
    for (const char* name : {"auto", "default"})
        if (std::find(o.methods.begin(), o.methods.end(), name) != o.methods.end()) return name;
    return o.methods.front();
}

}  // namespace

int main(int argc, char** argv)
{
    Options o;
    if (!parse(argc, argv, o)) {
        fprintf(stderr, "usage: dss_bench [--limit S] [--mem MiB] [--quick | --big] [--only name,...] "
                        "[--methods m,...] [--args 'words'] [--no-umfpack] [--no-agree] [--markdown FILE] "
                        "[--dir D]\n");
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
    printf("dss_bench: %d s and %ld MiB per process, files in %s; PETSc peer %s\n", o.limits.seconds,
           o.limits.megabytes, o.dir.c_str(), petscSettings() > 0 ? "on" : "not built");
    printf("wall-clock seconds of the phases: start (a peer's own, PETSc's with MPI's), read (the files and the chain from them), struct (closed classes "
           "and blocks; a peer's fixed system), solve (without the checks), check, PVs, write; whole: the "
           "process from start to end; w/PETSc, s/PETSc, m/PETSc: whole time, struct+solve+check and peak "
           "memory over those of PETSc's fastest accepted setting in the same run; max|dpi|: largest "
           "difference from the reference's probabilities\n");
    if (o.only.empty()) measureReader(o.dir, o.quick ? 250000 : 1200000, o.limits);

    std::vector<ModelRuns> results;
    for (const BenchModel& m : benchModels()) {
        if (!wanted(m, o)) continue;
        auto t0 = std::chrono::steady_clock::now();
        if (!generateModel(m, o.dir)) {
            fprintf(stderr, "dss_bench: cannot generate %s\n", m.name.c_str());
            continue;
        }
        // the files on disk before any engine reads them: otherwise the first engine reads
        // while the system still writes them back, and pays for it
        sync();
        printf("%s: generated in %.1f s\n", m.name.c_str(),
               std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        const std::string base = o.dir + "/" + m.name;
        ModelRuns model{m.name, runEngines(base, o), "-"};
        compareVectors(model);
        printModel(stdout, model, o.limits.seconds);
        results.push_back(model);
        if (!keep) {
            std::string cmd = "rm -f '" + base + "'.*";
            if (system(cmd.c_str()) != 0) {
            }
        }
    }
    if (!keep) rmdir(o.dir.c_str());
    if (o.markdown.empty()) return 0;
    FILE* out = fopen(o.markdown.c_str(), "w");
    if (out == nullptr) {
        perror(o.markdown.c_str());
        return 1;
    }
    writeMarkdown(out, results, o.methods, primaryMethod(o), o.limits.seconds);
    return fclose(out) == 0 ? 0 : 1;
}
