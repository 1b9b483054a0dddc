// The solvers the benchmark times, behind one signature so that a peer can be plugged in.
#ifndef VELMAR_BENCH_ENGINES_H
#define VELMAR_BENCH_ENGINES_H

#include <functional>
#include <string>

// Figures of one solve; plain data, sent through a pipe. Times in seconds (wall clock),
// -1 when not reached.
struct Figures {
    bool complete = false;
    long states = 0;
    long transitions = 0;
    double read = -1;   // files into the state level and the chain
    double solve = -1;  // everything after: system, ordering, factors, iterations, check
    // parts of the solve: the chain from the state level (with its closed classes for the
    // program) and the solution checks; processor seconds for the program's engines
    double chain = -1;
    double check = -1;
    int iterations = -1;      // Krylov iterations or sweeps; refinement passes for lu
    int gmres = -1;           // GMRES iterations, -1 when none
    long factorEntries = -1;  // entries of the (incomplete) factors
    double residual = -1;     // ||pi Q|| / (||Q|| ||pi||), max norms, pi normalised
    char method[160] = "";    // the method run (for auto: what it picked)

    double total() const;
};

using Report = std::function<void(const Figures&)>;

// An engine solves the model at base (flat files) and writes pi, n doubles, to piPath,
// reporting its figures after each phase.
using Engine = std::function<void(const std::string& base, const std::string& piPath, const Report& report)>;

// The program's solve with `-m method` through the method interface; every figure comes
// from the solve record.
Engine dssEngine(const std::string& method);
// UMFPACK with its default ordering on the system with one recurrent state fixed.
void umfpackEngine(const std::string& base, const std::string& piPath, const Report& report);
// PETSc's BiCGStab with ILU(0) on the same system; false when the benchmark was built without it.
bool havePetsc();
void petscEngine(const std::string& base, const std::string& piPath, const Report& report);
// Reads the .arm through a state level; returns seconds (used for the reader's MB/s).
double readOnly(const std::string& base);

#endif
