// The ".splot" plot file: a text graph description of one curve of points.
#ifndef VELMAR_SPLOT_H
#define VELMAR_SPLOT_H

#include <cstdio>

class BaseStateLevelSolver;

// Tick spacing of the X axis for a largest value xl: 1, 5, 10, 25, 50, 100, 250, ...
int splot_x_interval(double xl);

// Writes the plot file at path; a file that cannot be created ends the run on report.
void writeSplotFile(char* path, char* title, BaseStateLevelSolver* solver, char* name,
                    double time, double mean, double variance, int n, double* x, double* y,
                    FILE* report);

#endif
