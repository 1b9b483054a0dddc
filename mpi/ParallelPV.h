// PV evaluation on the distributed probability vector: mean and variance as reductions, the
// distribution from per-process (value, probability) tables merged on the first process, which
// writes the report block, the plot files and the CSV block with the program's writers.
#ifndef VELMAR_MPI_PARALLELPV_H
#define VELMAR_MPI_PARALLELPV_H

#include <mpi.h>

#include <string>
#include <vector>

class BaseStateLevelSolver;

// Mean and variance (around the mean) of values weighted by probs over every process.
void pvMoments(const std::vector<double>& values, const double* probs, MPI_Comm comm, double& mean,
               double& variance);

// This process's table: the distinct values, ascending, with their summed probabilities.
void localTable(const std::vector<double>& values, const double* probs, std::vector<double>& x,
                std::vector<double>& p);

// Every process's table merged on the first process (x, p there; left empty elsewhere).
void mergeTables(std::vector<double>& x, std::vector<double>& p, MPI_Comm comm);

// Evaluates the PVs named in `selected` (indices into names; values[pv] for this process's
// states) and, on the first process, writes their report blocks, plot files and CSV blocks.
// Names of PVs whose mean or variance is not finite go to notFinite (first process).
void evaluatePVs(BaseStateLevelSolver& solver, const std::vector<std::string>& names,
                 const std::vector<int>& selected, const std::vector<std::vector<double>>& values,
                 const double* probs, bool complementary, MPI_Comm comm,
                 std::vector<std::string>& notFinite);

#endif
