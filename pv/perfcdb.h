// Evaluation of the selected PVs on a probability vector: report blocks,
// plot files and CSV blocks.
#ifndef VELMAR_PERFCDB_H
#define VELMAR_PERFCDB_H

#include <cstdio>
#include <string>
#include <vector>

#include "statelevel/BaseStateLevel.h"

class BaseStateLevelSolver;

// Evaluates every PV the kind selects: mean, variance, report block, plot files, CSV block.
void perfcdb(BaseStateLevel* level, BaseStateLevelSolver* solver, double* probabilities,
             FILE* report, FILE* csv, int dbFirst, int dbSecond, double time, double time2,
             int dbThird, bool complementary, RewardType kind, char* dbExperiment,
             int dbExperimentNumber,
             std::vector<std::string>* notFinite = nullptr);

// Repeats the input warnings in the report and names the PVs left without a
// type by a PV type file that stopped early, with the reason.
void write_input_warnings(BaseStateLevel* level, RewardType kind, FILE* report);

// Whether PV pv is evaluated for kind at time; a PV beyond the type tables is not.
bool pv_selected(BaseStateLevel* level, int pv, RewardType kind, double time);

// The names of the PVs the kind selects at the time, in the level's order.
std::vector<std::string> selected_pv_names(BaseStateLevel* level, RewardType kind, double time);

// Throws InputError naming the first of the solver's chosen PVs (-V) that the kind does not
// select, with the names it does.
void check_chosen_pvs(BaseStateLevel* level, BaseStateLevelSolver* solver, RewardType kind,
                      double time);

// Plot file base "E.solver.PV." with the time points the solver's name calls for.
std::string plot_file_base(BaseStateLevelSolver* solver, const char* pvName, double time,
                           double time2);

// Paths of the plot files perfcdb writes for the PVs the kind selects at the time.
std::vector<std::string> plot_file_paths(BaseStateLevel* level, BaseStateLevelSolver* solver,
                                         RewardType kind, double time, double time2);

#endif
