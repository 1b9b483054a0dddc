// Distribution of a PV over its distinct values, from values sorted together
// with their probabilities: probability of each value, cumulative and
// complementary cumulative distribution, and the plot files and CSV block.
#ifndef VELMAR_DISTRIBUTION_H
#define VELMAR_DISTRIBUTION_H

#include <cstdio>

class BaseStateLevel;
class BaseStateLevelSolver;

// Mass of the values above zero: sum of P[k] over X[k] > 0 (NaN counts as above).
double positive_mass(int N, const double* P, const double* X);

// Point builders over N sorted values; each returns the number of points n <= N.
// P(X = x): the sum of the probabilities of each group's states.
int pdf_points(int N, const double* P, const double* X, double* x, double* y);
// P(X <= x) as running sums of the probabilities.
int cdf_points(int N, const double* P, const double* X, double* x, double* y);
// P(X > x): at the zero group, the mass of the values above zero.
int comp_cdf_points(int N, const double* P, const double* X, double* x, double* y);

// Writes the pdf plot file and, when csv is not null, the PV's CSV block.
void gen_pdf_db(BaseStateLevel* level, BaseStateLevelSolver* solver, int pv, char* path,
                double* P, double* X, int dbFirst, int dbSecond, double time, double time2,
                double mean, double variance, char* dbExperiment, int dbExperimentNumber,
                FILE* report, FILE* csv);
// Writes the cumulative distribution P(X <= x) as the plot file path.
void plot_cdf(BaseStateLevel* level, BaseStateLevelSolver* solver, int pv, char* path,
              double* P, double* X, double time, double mean, double variance, FILE* report);
// Writes the complementary distribution P(X > x) as the plot file path.
void comp_plot_cdf(BaseStateLevel* level, BaseStateLevelSolver* solver, int pv, char* path,
                   double* P, double* X, double time, double mean, double variance,
                   FILE* report);

#endif
