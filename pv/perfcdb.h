// Evaluation of the selected PVs on a probability vector: report blocks,
// plot files and CSV blocks.
#ifndef VELMAR_PERFCDB_H
#define VELMAR_PERFCDB_H

#include <cstdio>

#include "statelevel/BaseStateLevel.h"

class BaseStateLevelSolver;

void perfcdb(BaseStateLevel* level, BaseStateLevelSolver* solver, double* probabilities,
             FILE* report, FILE* csv, int dbFirst, int dbSecond, double time, double time2,
             int dbThird, bool complementary, RewardType kind, char* dbExperiment,
             int dbExperimentNumber);

#endif
