// The solvers the benchmark times, behind one signature so that a peer can be plugged in.
#ifndef VELMAR_BENCH_ENGINES_H
#define VELMAR_BENCH_ENGINES_H

#include <functional>
#include <string>

// Figures of one solve; plain data, sent through a pipe. Times in seconds, -1 when not reached.
struct Figures {
    bool complete = false;
    long states = 0;
    long transitions = 0;
    double read = -1, build = -1, factor = -1, subst = -1, refine = -1;
    int passes = -1;          // refinement passes, -1 when unknown
    int gmres = -1;           // GMRES iterations after a stalled refinement, -1 when none
    long factorEntries = -1;  // stored entries of L (unit diagonal left out) and U
    double residual = -1;     // ||pi Q|| / (||Q|| ||pi||), max norms

    double total() const;
};

using Report = std::function<void(const Figures&)>;

// An engine solves the model at base (flat files) and writes pi, n doubles, to piPath,
// reporting its figures after each phase.
using Engine = void (*)(const std::string& base, const std::string& piPath, const Report& report);

// The program's solver, driven through the state level and DSSSolver's public steps.
void dssEngine(const std::string& base, const std::string& piPath, const Report& report);
// The straightforward reference factorisation (tests/dss/reference) on the system as the
// program loads it; its substitution time includes its refinement.
void referenceEngine(const std::string& base, const std::string& piPath, const Report& report);
// UMFPACK with its default ordering on the same system, read through the same state level.
void umfpackEngine(const std::string& base, const std::string& piPath, const Report& report);
// Reads the .arm through a state level; returns seconds (used for the reader's MB/s).
double readOnly(const std::string& base);

#endif
