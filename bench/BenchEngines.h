// The solvers the benchmark times, behind one signature so that a peer can be plugged in.
#ifndef VELMAR_BENCH_ENGINES_H
#define VELMAR_BENCH_ENGINES_H

#include <functional>
#include <string>

// Figures of one solve; plain data, sent through a pipe. Times are wall-clock seconds of the
// run's phases, -1 when not reached or not a step of that engine.
struct Figures {
    bool complete = false;
    long states = 0;
    long transitions = 0;
    double start = -1;      // a peer's own start (PETSc's, with MPI's), before its work
    double read = -1;       // the files, and the chain built from them
    double structure = -1;  // closed classes, blocks, unit of time; for a peer its fixed system
    double solve = -1;      // the vector: systems, orderings, factors, iterations; no checks
    double check = -1;      // the solution checks
    double pvs = -1;        // the PVs' distributions and moments
    double write = -1;      // the result files
    int iterations = -1;      // Krylov iterations or sweeps; refinement passes for lu
    int gmres = -1;           // GMRES iterations, -1 when none
    long factorEntries = -1;  // entries of the (incomplete) factors
    double residual = -1;     // ||pi Q|| / (||Q|| ||pi||), max norms, pi normalised
    char method[120] = "";    // the method run (for auto: what it picked)
    char attempts[160] = "";  // every attempt with its iterations, "gs 1110, ilu 40"

    double phases() const;  // the sum of the phases reached
};

using Report = std::function<void(const Figures&)>;

// An engine solves the model at base (flat files) and writes pi, n doubles, to piPath,
// reporting its figures after each phase.
using Engine = std::function<void(const std::string& base, const std::string& piPath, const Report& report)>;

// UMFPACK with its default ordering on the system with one recurrent state fixed.
void umfpackEngine(const std::string& base, const std::string& piPath, const Report& report);
// PETSc's KSP on the same system, in one of its settings; no settings when the benchmark was
// built without it.
int petscSettings();
Engine petscEngine(int setting);
// Reads the .arm through a state level; returns seconds (used for the reader's MB/s).
double readOnly(const std::string& base);

#endif
