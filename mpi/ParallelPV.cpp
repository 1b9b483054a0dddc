// Parallel PV evaluation and the first process's outputs.
#include "mpi/ParallelPV.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

#include "framework/BaseStateLevelSolver.h"
#include "framework/SolverDBInfo.h"
#include "pv/csv_block.h"
#include "pv/distribution.h"
#include "pv/dsort.h"
#include "pv/perfcdb.h"
#include "pv/splot.h"

void pvMoments(const std::vector<double>& values, const double* probs, MPI_Comm comm, double& mean,
               double& variance)
{
    double local = 0.0;
    for (size_t k = 0; k < values.size(); ++k) local += values[k] * probs[k];
    MPI_Allreduce(&local, &mean, 1, MPI_DOUBLE, MPI_SUM, comm);
    // around the mean: it cannot go negative as the second moment less the squared mean can
    local = 0.0;
    for (size_t k = 0; k < values.size(); ++k) {
        double d = values[k] - mean;
        local += probs[k] * (d * d);
    }
    MPI_Allreduce(&local, &variance, 1, MPI_DOUBLE, MPI_SUM, comm);
}

// Sorts x with p and folds runs of equal values into one entry each.
static void foldEqual(std::vector<double>& x, std::vector<double>& p)
{
    if (x.empty()) return;
    dsort((unsigned long)x.size(), x.data(), p.data());
    size_t kept = 0;
    for (size_t k = 1; k < x.size(); ++k) {
        if (x[k] == x[kept]) {
            p[kept] += p[k];
            continue;
        }
        ++kept;
        x[kept] = x[k];
        p[kept] = p[k];
    }
    x.resize(kept + 1);
    p.resize(kept + 1);
}

void localTable(const std::vector<double>& values, const double* probs, std::vector<double>& x,
                std::vector<double>& p)
{
    x = values;
    p.assign(probs, probs + values.size());
    foldEqual(x, p);
}

void mergeTables(std::vector<double>& x, std::vector<double>& p, MPI_Comm comm)
{
    int rank = 0, size = 1;
    MPI_Comm_rank(comm, &rank);
    MPI_Comm_size(comm, &size);
    int mine = (int)x.size();
    std::vector<int> counts(rank == 0 ? (size_t)size : 0), offsets;
    MPI_Gather(&mine, 1, MPI_INT, counts.data(), 1, MPI_INT, 0, comm);
    std::vector<double> allX, allP;
    if (rank == 0) {
        offsets.assign((size_t)size, 0);
        for (int r = 1; r < size; ++r) offsets[(size_t)r] = offsets[(size_t)r - 1] + counts[(size_t)r - 1];
        size_t total = (size_t)offsets.back() + (size_t)counts.back();
        allX.resize(total);
        allP.resize(total);
    }
    MPI_Gatherv(x.data(), mine, MPI_DOUBLE, allX.data(), counts.data(), offsets.data(), MPI_DOUBLE, 0, comm);
    MPI_Gatherv(p.data(), mine, MPI_DOUBLE, allP.data(), counts.data(), offsets.data(), MPI_DOUBLE, 0, comm);
    x.swap(allX);
    p.swap(allP);
    if (rank == 0) foldEqual(x, p);
}

// Writes rounding noise around zero in the points' probabilities as +0: a complementary
// probability is 1 less a sum, which rounding can leave a hair below 0, and no probability is
// ever printed as -0.
static void clearPointNoise(int n, double* y)
{
    const double noise = 1e-12;
    for (int k = 0; k < n; ++k)
        if (y[k] <= 0.0 && y[k] >= -noise) y[k] = 0.0;
}

// The report block, plot files and CSV block of one PV on the first process, as the
// one-process evaluation writes them.
static void writePV(BaseStateLevelSolver& solver, int pv, const std::string& pvName, double mean,
                    double variance, std::vector<double>& X, std::vector<double>& P, bool complementary)
{
    FILE* report = solver.out;
    const double time = -1.0, time2 = 1.0;
    std::vector<char> nameCopy(pvName.begin(), pvName.end());
    nameCopy.push_back('\0');
    char* name = nameCopy.data();
    fprintf(report, "***************************************");
    fprintf(report, "***************************************\n");
    fprintf(report, "Performance variable :  %s\n", name);
    fprintf(report, "Mean                 :  %e\n", mean);
    fprintf(report, "Variance             :  %e\n", variance);
    std::string base = plot_file_base(&solver, name, time, time2);
    std::string pdfName = base + "pdf.splot", cdfName = base + "cdf.splot";
    fprintf(report, "Plot files    (pdf)  :  %s\n", pdfName.c_str());
    fprintf(report, "              (cdf)  :  %s\n", cdfName.c_str());
    std::string dir = solver.solverPath ? solver.solverPath : "";
    std::string pdfPath = dir + pdfName, cdfPath = dir + cdfName;
    const int N = (int)X.size();
    std::vector<double> x((size_t)std::max(N, 1)), y((size_t)std::max(N, 1));
    int n = complementary ? comp_cdf_points(N, P.data(), X.data(), x.data(), y.data())
                          : cdf_points(N, P.data(), X.data(), x.data(), y.data());
    clearPointNoise(n, y.data());
    char cdfTitle[] = "Probability Distribution Function (CDF)";
    char compTitle[] = "Probability Distribution Function (PDF)";
    writeSplotFile(&cdfPath[0], complementary ? compTitle : cdfTitle, &solver, name, time, mean,
                   variance, n, x.data(), y.data(), report);
    n = pdf_points(N, P.data(), X.data(), x.data(), y.data());
    clearPointNoise(n, y.data());
    char pdfTitle[] = "Probability Density Function (pdf)";
    writeSplotFile(&pdfPath[0], pdfTitle, &solver, name, time, mean, variance, n, x.data(),
                   y.data(), report);
    writeCSVFile(solver.csvOut, &solver, db_exp_index, pv, name, time, time2, mean, variance, n,
                 x.data(), y.data());
}

void evaluatePVs(BaseStateLevelSolver& solver, const std::vector<std::string>& names,
                 const std::vector<int>& selected, const std::vector<std::vector<double>>& values,
                 const double* probs, bool complementary, MPI_Comm comm,
                 std::vector<std::string>& notFinite)
{
    int rank = 0;
    MPI_Comm_rank(comm, &rank);
    for (int pv : selected) {
        const std::vector<double>& v = values[(size_t)pv];
        double mean = 0.0, variance = 0.0;
        pvMoments(v, probs, comm, mean, variance);
        std::vector<double> X, P;
        localTable(v, probs, X, P);
        mergeTables(X, P, comm);
        if (rank != 0) continue;
        if (!(std::isfinite(mean) && std::isfinite(variance))) notFinite.push_back(names[(size_t)pv]);
        writePV(solver, pv, names[(size_t)pv], mean, variance, X, P, complementary);
    }
}
