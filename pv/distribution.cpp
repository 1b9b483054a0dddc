// One pass over the sorted values per distribution; a group is a run of equal values.
#include "pv/distribution.h"

#include <vector>

#include "framework/BaseStateLevelSolver.h"
#include "pv/csv_block.h"
#include "pv/splot.h"
#include "statelevel/BaseStateLevel.h"

// Mass of the values above zero: sum of P[k] over X[k] > 0 (NaN counts as above).
double positive_mass(int N, const double* P, const double* X)
{
    double s = 0.0;
    for (int k = 0; k < N; ++k)
        if (!(X[k] <= 0)) s += P[k];
    return s;
}

// A probability formed as 1 less a sum: the rounding of a sum a little above 1 is written as 0,
// never as a negative probability or -0.
static double remainder_of_one(double sum)
{
    double r = 1 - sum;
    return r < 0 && r > -1e-12 ? 0.0 : r;
}

// P(X = x): each group's own sum, the zero group's included, so that a rare value keeps its
// probability however close to 1 the others' sum comes.
int pdf_points(int N, const double* P, const double* X, double* x, double* y)
{
    if (N <= 0) return 0;
    double h = P[0];
    int g = 0;
    for (int i = 1; i < N; ++i) {
        if (X[i] != X[i - 1]) {
            x[g] = X[i - 1] == 0 ? 0.0 : X[i - 1];  // -0 is written as 0
            y[g] = h;
            ++g;
            h = P[i];
        } else {
            h += P[i];
        }
    }
    x[g] = X[N - 1] == 0 ? 0.0 : X[N - 1];
    y[g] = h;
    return g + 1;
}

// P(X <= x) as running sums of the probabilities.
int cdf_points(int N, const double* P, const double* X, double* x, double* y)
{
    if (N <= 0) return 0;
    double c = P[0];
    int g = 0;
    for (int i = 1; i < N; ++i) {
        if (X[i] != X[i - 1]) {
            x[g] = X[i - 1];
            y[g] = c;
            ++g;
        }
        c += P[i];
    }
    x[g] = X[N - 1];
    y[g] = c;
    return g + 1;
}

// P(X > x): at the zero group, the mass of the values above zero; the running
// sum restarts there so rounding in the probabilities does not pile up.
int comp_cdf_points(int N, const double* P, const double* X, double* x, double* y)
{
    if (N <= 0) return 0;
    double S = positive_mass(N, P, X);
    double c = P[0];
    int g = 0;
    for (int i = 1; i < N; ++i) {
        if (X[i] != X[i - 1]) {
            if (X[i - 1] != 0) {
                x[g] = X[i - 1];
                y[g] = remainder_of_one(c);
            } else {
                x[g] = 0.0;
                y[g] = S;
                c = 1 - S;
            }
            ++g;
        }
        c += P[i];
    }
    x[g] = X[N - 1];
    y[g] = remainder_of_one(c);
    return g + 1;
}

// Writes the pdf plot file and, when csv is not null, the PV's CSV block.
void gen_pdf_db(BaseStateLevel* level, BaseStateLevelSolver* solver, int pv, char* path,
                double* P, double* X, int, int, double time, double time2, double mean,
                double variance, char*, int dbExperimentNumber, FILE* report, FILE* csv)
{
    int N = level->getNumberOfStates();
    std::vector<double> x(N > 0 ? N : 1), y(N > 0 ? N : 1);
    int n = pdf_points(N, P, X, x.data(), y.data());
    char* name = level->getPVName(pv);
    char title[] = "Probability Density Function (pdf)";
    writeSplotFile(path, title, solver, name, time, mean, variance, n, x.data(), y.data(),
                   report);
    writeCSVFile(csv, solver, dbExperimentNumber, pv, name, time, time2, mean, variance, n,
                 x.data(), y.data());
    if (solver != nullptr && solver->keepsPvResults())
        solver->pvResults.push_back({pv, name, mean, variance,
                                     std::vector<double>(x.begin(), x.begin() + n),
                                     std::vector<double>(y.begin(), y.begin() + n)});
}

// Writes the cumulative distribution P(X <= x) as the plot file path.
void plot_cdf(BaseStateLevel* level, BaseStateLevelSolver* solver, int pv, char* path,
              double* P, double* X, double time, double mean, double variance, FILE* report)
{
    int N = level->getNumberOfStates();
    std::vector<double> x(N > 0 ? N : 1), y(N > 0 ? N : 1);
    int n = cdf_points(N, P, X, x.data(), y.data());
    char title[] = "Probability Distribution Function (CDF)";
    writeSplotFile(path, title, solver, level->getPVName(pv), time, mean, variance, n,
                   x.data(), y.data(), report);
}

// Writes the complementary distribution P(X > x) as the plot file path.
void comp_plot_cdf(BaseStateLevel* level, BaseStateLevelSolver* solver, int pv, char* path,
                   double* P, double* X, double time, double mean, double variance,
                   FILE* report)
{
    int N = level->getNumberOfStates();
    std::vector<double> x(N > 0 ? N : 1), y(N > 0 ? N : 1);
    int n = comp_cdf_points(N, P, X, x.data(), y.data());
    char title[] = "Probability Distribution Function (PDF)";
    writeSplotFile(path, title, solver, level->getPVName(pv), time, mean, variance, n,
                   x.data(), y.data(), report);
}
