// The balance of blocks of states, which needs the whole chain's graph: the first process
// gathers the chain and the vector, measures every block against its own boundary flow, and
// where the vector cannot be certified solves the chain again with gth.
#ifndef VELMAR_MPI_BLOCKCERTIFY_H
#define VELMAR_MPI_BLOCKCERTIFY_H

#include <petscmat.h>

#include <string>
#include <vector>

#include "check/SolutionCheck.h"

// A = Q^T in the chain's unit of time, x the checked vector with its check. On return check
// holds the verdict (on every process) and x gth's vector when that replaced it; lines are
// the report's lines, on the first process. Collective.
PetscErrorCode certifyOnFirst(Mat A, Vec x, double accuracy, SolutionCheck& check, std::vector<std::string>& lines);

#endif
