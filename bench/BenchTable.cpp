// The benchmark's text and Markdown tables.
#include "bench/BenchTable.h"

#include <algorithm>

namespace {

// A figure in the given format, or "-" when not reached.
std::string num(double v, const char* format = "%.3f")
{
    if (v < 0) return "-";
    char s[32];
    snprintf(s, sizeof s, format, v);
    return s;
}

std::string count(long v)
{
    return v < 0 ? "-" : std::to_string(v);
}

// 1234567 as "1,234,567".
std::string grouped(long v)
{
    std::string digits = std::to_string(v), out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

// Everything after reading and before the PVs: structure (a peer's system), solve and checks.
double solveOnly(const Figures& f)
{
    if (!(f.solve >= 0)) return -1;
    double t = 0;
    for (double x : {f.structure, f.solve, f.check}) t += x > 0 ? x : 0;
    return t;
}

bool usable(const Run& r)
{
    return r.result.figures.complete && !r.result.timedOut && !r.result.failed;
}

const Run* find(const ModelRuns& m, const std::string& engine)
{
    for (const Run& r : m.runs)
        if (r.engine == engine) return &r;
    return nullptr;
}

long largest(const ModelRuns& m, long Figures::*field)
{
    long v = 0;
    for (const Run& r : m.runs) v = std::max(v, r.result.figures.*field);
    return v;
}

// A run's cell in a ratio column: the ratio to PETSc, or how it ended when it did not finish.
std::string ratioCell(const Run* r, double (*measure)(const Run&), const Run* peer, int limit)
{
    if (r == nullptr) return "-";
    const std::string status = runStatus(r->result, limit);
    if (status != "ok") return status;
    return peer == nullptr ? "-" : ratioText(measure(*r), measure(*peer));
}

double wholeOf(const Run& r)
{
    return r.result.wall;
}

double solveOf(const Run& r)
{
    return solveOnly(r.result.figures);
}

double memoryOf(const Run& r)
{
    return (double)r.result.peakKiB;
}

// PETSc's setting, without the name.
std::string setting(const Run& peer)
{
    const std::string name = peer.result.figures.method;
    return name.compare(0, 6, "PETSc ") == 0 ? name.substr(6) : name;
}

void figuresTable(FILE* out, const std::vector<ModelRuns>& models, const std::vector<std::string>& methods,
                  const std::string& primary, int limit)
{
    fprintf(out, "| model | states | %s: attempts | %s whole | %s / PETSc whole | %s / PETSc solve | %s / PETSc memory |",
            primary.c_str(), primary.c_str(), primary.c_str(), primary.c_str(), primary.c_str());
    for (const std::string& m : methods)
        if (m != primary) fprintf(out, " %s / PETSc |", m.c_str());
    fprintf(out, " UMFPACK / PETSc | PETSc whole | PETSc setting |\n|---|---|---|---|---|---|---|");
    for (const std::string& m : methods)
        if (m != primary) fprintf(out, "---|");
    fprintf(out, "---|---|---|\n");
    for (const ModelRuns& m : models) {
        const Run* peer = peerRun(m);
        const Run* p = find(m, primary);
        const bool done = p != nullptr && runStatus(p->result, limit) == "ok";
        fprintf(out, "| %s | %s | %s | %s | %s | %s | %s |", m.model.c_str(), grouped(largest(m, &Figures::states)).c_str(),
                p != nullptr ? p->result.figures.attempts : "-", done ? num(p->result.wall).c_str() : "-",
                ratioCell(p, wholeOf, peer, limit).c_str(), ratioCell(p, solveOf, peer, limit).c_str(),
                ratioCell(p, memoryOf, peer, limit).c_str());
        for (const std::string& name : methods)
            if (name != primary) fprintf(out, " %s |", ratioCell(find(m, name), wholeOf, peer, limit).c_str());
        fprintf(out, " %s | %s | %s |\n", ratioCell(find(m, "umfpack"), wholeOf, peer, limit).c_str(),
                peer != nullptr ? num(peer->result.wall).c_str() : "none accepted",
                peer != nullptr ? setting(*peer).c_str() : "-");
    }
}

void phasesTable(FILE* out, const std::vector<ModelRuns>& models)
{
    fprintf(out, "| model | engine | start | read | structure | solve | check | PVs | write | whole | peak MiB |\n"
                 "|---|---|---|---|---|---|---|---|---|---|---|\n");
    for (const ModelRuns& m : models)
        for (const Run& r : m.runs) {
            if (r.engine == "petsc" && &r != peerRun(m)) continue;  // PETSc's fastest setting only
            const Figures& f = r.result.figures;
            fprintf(out, "| %s | %s | %s | %s | %s | %s | %s | %s | %s | %s | %.0f |\n", m.model.c_str(),
                    r.engine.c_str(), num(f.start).c_str(), num(f.read).c_str(), num(f.structure).c_str(), num(f.solve).c_str(), num(f.check).c_str(),
                    num(f.pvs).c_str(), num(f.write).c_str(), num(r.result.wall).c_str(), r.result.peakKiB / 1024.0);
        }
}

// Per model and engine the work of every attempt: sweeps, iterations or refinement passes.
void costTable(FILE* out, const std::vector<ModelRuns>& models, const std::vector<std::string>& methods)
{
    fprintf(out, "| model | states | transitions |");
    for (const std::string& m : methods) fprintf(out, " %s |", m.c_str());
    fprintf(out, " PETSc iterations |\n|---|---|---|");
    for (size_t k = 0; k <= methods.size(); ++k) fprintf(out, "---|");
    fprintf(out, "\n");
    for (const ModelRuns& m : models) {
        fprintf(out, "| %s | %s | %s |", m.model.c_str(), grouped(largest(m, &Figures::states)).c_str(),
                grouped(largest(m, &Figures::transitions)).c_str());
        for (const std::string& name : methods) {
            const Run* r = find(m, name);
            fprintf(out, " %s |", r != nullptr && r->result.figures.attempts[0] ? r->result.figures.attempts : "-");
        }
        const Run* peer = peerRun(m);
        fprintf(out, " %s |\n", peer != nullptr ? count(peer->result.figures.iterations).c_str() : "-");
    }
}

}  // namespace

std::string runStatus(const ChildResult& r, int limit)
{
    if (r.timedOut) return ">" + std::to_string(limit) + "s";
    if (r.failed) return r.figures.residual >= 0 ? "not accepted" : "failed";
    if (!(r.figures.residual <= 1e-9)) return "wrong";
    return "ok";
}

std::string ratioText(double a, double b)
{
    if (!(a > 0) || !(b > 0)) return "-";
    return num(a / b, "%.2f");
}

const Run* peerRun(const ModelRuns& m)
{
    const Run* best = nullptr;
    for (const Run& r : m.runs)
        if (r.engine == "petsc" && usable(r) && (best == nullptr || r.result.wall < best->result.wall)) best = &r;
    return best;
}

void printModel(FILE* out, const ModelRuns& m, int limit)
{
    const Run* peer = peerRun(m);
    fprintf(out, "\n%s: %ld states, %ld transitions\n", m.model.c_str(), largest(m, &Figures::states),
            largest(m, &Figures::transitions));
    fprintf(out, "  %-8s %-28s %6s %7s %7s %8s %7s %7s %7s %8s %8s %6s %6s %10s %9s %9s %7s %7s %7s %s\n", "engine",
            "method", "start", "read", "struct", "solve", "check", "PVs", "write", "whole", "peak MiB", "iters", "GMRES",
            "factor nz", "residual", "max|dpi|", "w/PETSc", "s/PETSc", "m/PETSc", "status");
    for (const Run& r : m.runs) {
        const Figures& f = r.result.figures;
        const bool both = peer != nullptr && usable(r);
        fprintf(out, "  %-8s %-28.28s %6s %7s %7s %8s %7s %7s %7s %8s %8.0f %6s %6s %10s %9s %9s %7s %7s %7s %s\n",
                r.engine.c_str(), f.method, num(f.start).c_str(), num(f.read).c_str(), num(f.structure).c_str(), num(f.solve).c_str(),
                num(f.check).c_str(), num(f.pvs).c_str(), num(f.write).c_str(), num(r.result.wall).c_str(),
                r.result.peakKiB / 1024.0, count(f.iterations).c_str(), count(f.gmres).c_str(),
                count(f.factorEntries).c_str(), num(f.residual, "%.1e").c_str(), num(r.maxDifference, "%.1e").c_str(),
                both ? ratioText(wholeOf(r), wholeOf(*peer)).c_str() : "-",
                both ? ratioText(solveOf(r), solveOf(*peer)).c_str() : "-",
                both ? ratioText(memoryOf(r), memoryOf(*peer)).c_str() : "-", runStatus(r.result, limit).c_str());
    }
    fprintf(out, "  (max|dpi| against %s)\n", m.reference.c_str());
    fflush(out);
}

void writeMarkdown(FILE* out, const std::vector<ModelRuns>& models, const std::vector<std::string>& methods,
                   const std::string& primary, int limit)
{
    figuresTable(out, models, methods, primary, limit);
    fprintf(out, "\nWhere the time goes (wall seconds of each phase, and of the whole process):\n\n");
    phasesTable(out, models);
    fprintf(out, "\nHow the cost grows (per attempt: Gauss-Seidel sweeps, Krylov iterations, refinement passes of "
                 "lu; GMRES iterations after them):\n\n");
    costTable(out, models, methods);
}
