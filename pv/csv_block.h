// The CSV block of one evaluated PV: a header row and one row per distinct value.
#ifndef VELMAR_CSV_BLOCK_H
#define VELMAR_CSV_BLOCK_H

#include <cstdio>

class BaseStateLevelSolver;

// Writes the PV's block with P(X = x) and P(X <= x) per point; nothing when csv is null.
void writeCSVFile(FILE* csv, BaseStateLevelSolver* solver, int experimentNumber, int pv,
                  char* name, double time, double time2, double mean, double variance, int n,
                  double* x, double* y);

#endif
