// dss_bench: generates models, solves each with the program's solver, a reference and
// UMFPACK in child processes under a time limit, and prints one table per run.
//
// Usage: dss_bench [--limit S] [--peer-limit S] [--mem MiB] [--quick] [--only name,...] [--dir D]
//   --limit S   wall-clock seconds allowed per solve of the program's solver (default 60);
//               a solve that overruns is stopped and shown with ">"
//   --peer-limit S  the same for the reference and UMFPACK (default 60)
//   --mem MiB   address-space cap per solve (default 8192)
//   --quick     small models only, and a 20 MB reader file
//   --only      the named models only (see the list printed first)
//   --dir D     generate into D and keep the files (default: a temporary directory)
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
    ChildLimits limits;
    ChildLimits peerLimits;
    bool quick = false;
    std::vector<std::string> only;
    std::string dir;
};

struct Row {
    std::string model;
    ChildResult dss, ref, umf;
    double maxDifference = -1;
    std::string sameAsReference = "-";
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

// "identical" when every entry is the same double (the sign of zero aside), else how many differ.
std::string bitwise(const std::vector<double>& a, const std::vector<double>& b)
{
    if (a.empty() || a.size() != b.size()) return "-";
    size_t differ = 0;
    for (size_t i = 0; i < a.size(); ++i)
        if (!(a[i] == b[i]) && !(std::isnan(a[i]) && std::isnan(b[i]))) ++differ;
    if (differ == 0) return "identical";
    return "differs in " + std::to_string(differ);
}

double maxDifference(const std::vector<double>& a, const std::vector<double>& b)
{
    if (a.empty() || a.size() != b.size()) return -1;
    double d = 0;
    for (size_t i = 0; i < a.size(); ++i) d = std::max(d, std::fabs(a[i] - b[i]));
    return d;
}

// "1.234" seconds, ">60" when the run was stopped in that phase, "-" when not reached.
std::string seconds(double t, const ChildResult& r)
{
    char s[32];
    if (t >= 0)
        snprintf(s, sizeof s, "%.3f", t);
    else if (r.timedOut)
        snprintf(s, sizeof s, "stopped");
    else
        snprintf(s, sizeof s, "-");
    return s;
}

// A count, or "-" when not known.
std::string count(long v)
{
    return v < 0 ? "-" : std::to_string(v);
}

// A residual, or "-" when not reached.
std::string scientific(double v)
{
    if (v < 0) return "-";
    char s[32];
    snprintf(s, sizeof s, "%.2e", v);
    return s;
}

std::string ratio(const ChildResult& a, const ChildResult& b)
{
    if (!a.figures.complete || !b.figures.complete || b.figures.total() <= 0) return "-";
    char s[32];
    snprintf(s, sizeof s, "%.3g", a.figures.total() / b.figures.total());
    return s;
}

std::string numeric(const ChildResult& a, const ChildResult& b)
{
    const Figures &x = a.figures, &y = b.figures;
    if (!x.complete || !y.complete) return "-";
    double tb = y.factor + y.subst + y.refine;
    if (tb <= 0) return "-";
    char s[32];
    snprintf(s, sizeof s, "%.3g", (x.factor + x.subst + x.refine) / tb);
    return s;
}

std::string status(const ChildResult& r, int limit)
{
    if (r.timedOut) return ">" + std::to_string(limit) + "s";
    if (r.failed) return "failed";
    return "ok";
}

void printTables(const std::vector<Row>& rows, const Options& o)
{
    const int own = o.limits.seconds, peer = o.peerLimits.seconds;
    printf("\nThe program's solver (default settings; times in seconds, wall clock):\n");
    printf("%-11s %8s %8s %7s %7s %8s %7s %7s %6s %6s %10s %8s %9s %s\n", "model", "states",
           "trans", "read", "build", "factor", "subst", "refine", "passes", "GMRES", "factor nz",
           "peak MiB", "residual", "status");
    for (const Row& r : rows) {
        const Figures& f = r.dss.figures;
        printf("%-11s %8ld %8ld %7s %7s %8s %7s %7s %6s %6s %10s %8.0f %9s %s\n", r.model.c_str(),
               f.states, f.transitions, seconds(f.read, r.dss).c_str(),
               seconds(f.build, r.dss).c_str(), seconds(f.factor, r.dss).c_str(),
               seconds(f.subst, r.dss).c_str(), seconds(f.refine, r.dss).c_str(),
               count(f.passes).c_str(), count(f.gmres).c_str(), count(f.factorEntries).c_str(),
               r.dss.peakKiB / 1024.0, scientific(f.residual).c_str(), status(r.dss, own).c_str());
    }
    printf("\nThe reference factorisation from the tests (its solve includes its refinement):\n");
    printf("%-11s %7s %7s %8s %8s %10s %8s %9s %8s %9s %s\n", "model", "read", "build", "factor",
           "solve", "factor nz", "peak MiB", "residual", "status", "dss/ref", "pi vs program");
    for (const Row& r : rows) {
        const Figures& f = r.ref.figures;
        printf("%-11s %7s %7s %8s %8s %10s %8.0f %9s %8s %9s %s\n", r.model.c_str(),
               seconds(f.read, r.ref).c_str(), seconds(f.build, r.ref).c_str(),
               seconds(f.factor, r.ref).c_str(), seconds(f.subst, r.ref).c_str(),
               count(f.factorEntries).c_str(), r.ref.peakKiB / 1024.0,
               scientific(f.residual).c_str(), status(r.ref, peer).c_str(),
               ratio(r.dss, r.ref).c_str(), r.sameAsReference.c_str());
    }
    printf("\nUMFPACK, default ordering, same system (its solve includes its own refinement):\n");
    printf("%-11s %7s %7s %8s %7s %6s %10s %8s %9s %8s %9s %10s %s\n", "model", "read", "build",
           "factor", "solve", "passes", "factor nz", "peak MiB", "residual", "status", "dss/UMF",
           "numeric", "max|dpi|");
    for (const Row& r : rows) {
        const Figures& u = r.umf.figures;
        printf("%-11s %7s %7s %8s %7s %6s %10s %8.0f %9s %8s %9s %10s %s\n", r.model.c_str(),
               seconds(u.read, r.umf).c_str(), seconds(u.build, r.umf).c_str(),
               seconds(u.factor, r.umf).c_str(), seconds(u.subst, r.umf).c_str(),
               count(u.passes).c_str(), count(u.factorEntries).c_str(), r.umf.peakKiB / 1024.0,
               scientific(u.residual).c_str(), status(r.umf, peer).c_str(),
               ratio(r.dss, r.umf).c_str(), numeric(r.dss, r.umf).c_str(),
               scientific(r.maxDifference).c_str());
    }
    printf("\ndss/ref, dss/UMF: end-to-end time of the program's solver over the peer's (below 1: "
           "the program is faster); numeric: the same for factor + substitution + refinement.\n"
           "pi vs program: the reference's stationary vector against the program's, bit for bit "
           "(the sign of zero aside).\n");
}

// Times reading a .arm of about `states` * 85 bytes through the state level, best of three.
void measureReader(const std::string& dir, long states, const ChildLimits& limits)
{
    std::string base = dir + "/reader", armOnly = dir + "/armonly";
    std::string cmd =
        std::string(SSGEN_BINARY) + " random " + std::to_string(states) + " 4 5 '" + base + "'";
    if (system(cmd.c_str()) != 0) return;
    // the same .arm with an empty PV part, so that construction time is the .arm's
    if (symlink((base + ".arm").c_str(), (armOnly + ".arm").c_str()) != 0) return;
    FILE* f = fopen((armOnly + ".var").c_str(), "w");
    if (f) fputs("1\n", f), fclose(f);
    f = fopen((armOnly + ".pvtype").c_str(), "w");
    if (f) fputs("Version:1\nNumPV:0\n", f), fclose(f);
    struct stat st {};
    stat((base + ".arm").c_str(), &st);
    double best = 1e30;
    for (int k = 0; k < 3; ++k) {
        ChildResult r = runInChild(limits, [&](const Report& report) {
            Figures fig;
            fig.read = readOnly(armOnly);
            fig.complete = true;
            report(fig);
        });
        if (r.figures.complete) best = std::min(best, r.figures.read);
    }
    double mb = st.st_size / 1e6;
    printf("Reader: %.1f MB .arm (%ld states, 4 transitions each) into the state level in %.3f s: "
           "%.0f MB/s (best of 3)\n",
           mb, states, best, mb / best);
    unlink((armOnly + ".arm").c_str());
    for (const char* ext : {".arm", ".var", ".pvtype", ".parm"}) {
        unlink((base + ext).c_str());
        unlink((armOnly + ext).c_str());
    }
}

bool parse(int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        bool more = i + 1 < argc;
        if (a == "--quick")
            o.quick = true;
        else if (a == "--limit" && more)
            o.limits.seconds = atoi(argv[++i]);
        else if (a == "--peer-limit" && more)
            o.peerLimits.seconds = atoi(argv[++i]);
        else if (a == "--mem" && more)
            o.limits.megabytes = atol(argv[++i]);
        else if (a == "--dir" && more)
            o.dir = argv[++i];
        else if (a == "--only" && more) {
            std::string list = argv[++i];
            for (size_t at = 0; at <= list.size();) {
                size_t comma = std::min(list.find(',', at), list.size());
                o.only.push_back(list.substr(at, comma - at));
                at = comma + 1;
            }
        } else
            return false;
    }
    o.peerLimits.megabytes = o.limits.megabytes;
    return o.limits.seconds > 0 && o.peerLimits.seconds > 0 && o.limits.megabytes > 0;
}

bool wanted(const BenchModel& m, const Options& o)
{
    if (!o.only.empty()) return std::find(o.only.begin(), o.only.end(), m.name) != o.only.end();
    return !(o.quick && m.large);
}

}  // namespace

int main(int argc, char** argv)
{
    Options o;
    if (!parse(argc, argv, o)) {
        fprintf(stderr,
                "usage: dss_bench [--limit S] [--peer-limit S] [--mem MiB] [--quick] "
                "[--only name,...] [--dir D]\n");
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
    printf("dss_bench: limit %d s (reference and UMFPACK %d s) and %ld MiB per solve, files in %s\n",
           o.limits.seconds, o.peerLimits.seconds, o.limits.megabytes, o.dir.c_str());
    measureReader(o.dir, o.quick ? 250000 : 1200000, o.limits);

    std::vector<Row> rows;
    for (const BenchModel& m : benchModels()) {
        if (!wanted(m, o)) continue;
        auto t0 = std::chrono::steady_clock::now();
        if (!generateModel(m, o.dir)) {
            fprintf(stderr, "dss_bench: cannot generate %s\n", m.name.c_str());
            continue;
        }
        printf("%s: generated in %.1f s;", m.name.c_str(),
               std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        fflush(stdout);
        std::string base = o.dir + "/" + m.name;
        Row row;
        row.model = m.name;
        auto run = [&](Engine e, const std::string& pi, const ChildLimits& l) {
            unlink(pi.c_str());  // a kept directory may hold an earlier run's vector
            return runInChild(l, [&](const Report& report) { e(base, pi, report); });
        };
        row.dss = run(dssEngine, base + ".dss.pi", o.limits);
        printf(" dss %s;", status(row.dss, o.limits.seconds).c_str());
        fflush(stdout);
        row.ref = run(referenceEngine, base + ".ref.pi", o.peerLimits);
        printf(" reference %s;", status(row.ref, o.peerLimits.seconds).c_str());
        fflush(stdout);
        row.umf = run(umfpackEngine, base + ".umf.pi", o.peerLimits);
        printf(" UMFPACK %s\n", status(row.umf, o.peerLimits.seconds).c_str());
        std::vector<double> own = readVector(base + ".dss.pi");
        if (row.ref.figures.complete) row.sameAsReference = bitwise(own, readVector(base + ".ref.pi"));
        row.maxDifference = maxDifference(own, readVector(base + ".umf.pi"));
        rows.push_back(row);
        if (!keep) {
            std::string cmd = "rm -f '" + base + "'.*";
            if (system(cmd.c_str()) != 0) {
            }
        }
    }
    printTables(rows, o);
    if (!keep) rmdir(o.dir.c_str());
    return 0;
}
