// The benchmark's figures: a block of text per model as it is measured, and the tables of
// the whole run in Markdown.
#ifndef VELMAR_BENCH_TABLE_H
#define VELMAR_BENCH_TABLE_H

#include <cstdio>
#include <string>
#include <vector>

#include "bench/BenchChild.h"

struct Run {
    std::string engine;  // a method of the program, "petsc" or "umfpack"
    ChildResult result;
    double maxDifference = -1;  // against the reference's vector
    std::string piPath;         // where its vector went, n doubles
};

struct ModelRuns {
    std::string model;
    std::vector<Run> runs;
    std::string reference;  // whose vector the differences are from
};

// How the run ended: ">Ns" past the limit, "not accepted" for an answer that failed the
// engine's own acceptance, "failed" for none, "wrong" for an answer whose residual is above the
// program's default bound, else "ok".
std::string runStatus(const ChildResult& r, int limit);

// a / b as "0.42", or "-" when either is missing.
std::string ratioText(double a, double b);

// The run of PETSc the ratios are to (its fastest accepted setting), or null.
const Run* peerRun(const ModelRuns& m);

// The model's block of text: per engine its phases, whole time, peak memory, work and ratios.
void printModel(FILE* out, const ModelRuns& m, int limit);

// The figures, the phases and the cost of every model, as Markdown tables; `primary` is the
// program's method the first columns are of.
void writeMarkdown(FILE* out, const std::vector<ModelRuns>& models, const std::vector<std::string>& methods,
                   const std::string& primary, int limit);

#endif
