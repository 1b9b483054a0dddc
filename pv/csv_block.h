// The CSV block of one evaluated PV: a header row and one row per distinct value.
#ifndef VELMAR_CSV_BLOCK_H
#define VELMAR_CSV_BLOCK_H

#include <cstdio>

#include <string>

class BaseStateLevelSolver;

// A text as one CSV field: as it is, or, when it holds a comma, a double quote
// or a line end, in double quotes with each double quote doubled (RFC 4180).
std::string csv_field(const char* text);

// Writes the PV's block with P(X = x) and P(X <= x) per point; nothing when csv is null.
void writeCSVFile(FILE* csv, BaseStateLevelSolver* solver, int experimentNumber, int pv,
                  char* name, double time, double time2, double mean, double variance, int n,
                  double* x, double* y);

#endif
