// PV evaluation: one sweep per PV for mean and variance, then the sorted
// distribution goes to the plot and CSV writers.
#include <cmath>
#include "pv/perfcdb.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "framework/BaseStateLevelSolver.h"
#include "framework/InputError.h"
#include "framework/SolverDBInfo.h"
#include "pv/distribution.h"
#include "pv/dsort.h"
#include "pv/pv_evaluation.h"

// Times below this mean "no time to show" (the steady-state call passes -1).
static const double SHOWN_TIME = 1e-11;

// Whether PV pv is evaluated for kind at time; a PV beyond the type tables is not.
bool pv_selected(BaseStateLevel* level, int pv, RewardType kind, double time)
{
    if (kind == 4) return true;
    if (pv < 0 || (size_t)pv >= level->pv_type.size()) return false;
    if (kind == 3) return level->pv_type[pv] == 3;
    if (level->pv_type[pv] != kind) return false;
    if ((size_t)pv >= level->num_times.size() || (size_t)pv >= level->start_times.size())
        return false;
    const double* start = level->start_times[pv];
    if (start == nullptr) return false;
    for (int k = 0; k < level->num_times[pv]; ++k)
        if (start[k] == time) return true;
    return false;
}

std::vector<std::string> selected_pv_names(BaseStateLevel* level, RewardType kind, double time)
{
    std::vector<std::string> names;
    for (int i = 0; i < level->getNumberOfPVs(); ++i)
        if (pv_selected(level, i, kind, time)) names.push_back(level->getPVName(i));
    return names;
}

void check_chosen_pvs(BaseStateLevel* level, BaseStateLevelSolver* solver, RewardType kind,
                      double time)
{
    std::vector<std::string> names = selected_pv_names(level, kind, time);
    for (const std::string& chosen : solver->chosenPVs) {
        if (std::find(names.begin(), names.end(), chosen) != names.end()) continue;
        std::string known;
        for (const std::string& name : names) known += (known.empty() ? "" : ", ") + name;
        throw InputError("Error: -V: no PV named \"" + shown_escaped(chosen) + "\" is evaluated; " +
                             (names.empty() ? std::string("this run evaluates none")
                                            : "the PVs are: " + shown_escaped(known)) +
                             ".\n",
                         InputError::STANDARD_ERROR);
    }
}

// A time as the plot names carry it.
static std::string time_text(double t)
{
    char buf[512];
    snprintf(buf, sizeof buf, "%3.3lf", t);
    return buf;
}

// Plot file base "E.solver.PV." with the time points the solver's name calls for.
std::string plot_file_base(BaseStateLevelSolver* solver, const char* pvName, double time,
                           double time2)
{
    std::string base = std::string(solver->experimentName ? solver->experimentName : "") + "." +
                       solver->solverName + "." + pvName + ".";
    const char* s = solver->solverName;
    if (strcmp(s, "trs") == 0 || strcmp(s, "ats") == 0) base += time_text(time) + ".";
    else if (strcmp(s, "ars") == 0) base += time_text(time) + "." + time_text(time2) + ".";
    return base;
}

// Paths of the plot files perfcdb writes for the PVs the kind selects at the time.
std::vector<std::string> plot_file_paths(BaseStateLevel* level, BaseStateLevelSolver* solver,
                                         RewardType kind, double time, double time2)
{
    std::vector<std::string> paths;
    std::string dir = solver->solverPath ? solver->solverPath : "";
    if (!solver->writePlots) return paths;
    for (int i = 0; i < level->getNumberOfPVs(); ++i) {
        if (!pv_selected(level, i, kind, time) || !solver->pvChosen(level->getPVName(i))) continue;
        std::string base = dir + plot_file_base(solver, level->getPVName(i), time, time2);
        paths.push_back(base + "pdf.splot");
        paths.push_back(base + "cdf.splot");
    }
    return paths;
}

// Sweeps PV pv into values/probs (states the walk misses keep value 0).
static void sweep_pv(BaseStateLevel* level, BaseStateLevel::PVBaseContainer* c,
                     BaseStateLevel::PVBaseIterator* it, int pv, const double* probabilities,
                     std::vector<double>& values, std::vector<double>& probs)
{
    for (size_t j = 0; j < probs.size(); ++j) probs[j] = probabilities[j];
    pv_state_values(level, c, it, pv, values);
}

// Repeats the input warnings in the report and names the PVs left without a
// type by a PV type file that stopped early, with the reason.
void write_input_warnings(BaseStateLevel* level, RewardType kind, FILE* report)
{
    for (const std::string& line : level->input_warnings) fprintf(report, "%s\n", line.c_str());
    if (kind == 4) return;  // every PV is evaluated, typed or not
    std::string untyped;
    for (int i = (int)level->pv_type.size(); i < level->getNumberOfPVs(); ++i)
        untyped += std::string(untyped.empty() ? "" : ", ") + level->getPVName(i);
    if (untyped.empty()) return;
    fprintf(report, "Warning: not evaluated, since the PV type file gives them no type: %s\n",
            untyped.c_str());
    if (!level->pvtype_failure.empty())
        fprintf(report, "Reason: %s\n", level->pvtype_failure.c_str());
}

// Evaluates every PV the kind selects: mean, variance, report block, plot files, CSV block.
void perfcdb(BaseStateLevel* level, BaseStateLevelSolver* solver, double* probabilities,
             FILE* report, FILE* csv, int dbFirst, int dbSecond, double time, double time2,
             int dbThird, bool complementary, RewardType kind, char* dbExperiment,
             int dbExperimentNumber, std::vector<std::string>* notFinite)
{
    initPV(dbExperiment, dbExperimentNumber, level, solver->experimentName, dbFirst, dbThird);
    int N = level->getNumberOfStates();
    std::vector<double> values(N > 0 ? N : 0), probs(N > 0 ? N : 0);
    BaseStateLevel::PVBaseContainer* c = nullptr;
    BaseStateLevel::PVBaseIterator* it = nullptr;
    level->allocatePVContainer(c);
    level->allocatePVIterator(it);
    bool showTime = time >= SHOWN_TIME;
    write_input_warnings(level, kind, report);
    for (int i = 0; i < level->getNumberOfPVs(); ++i) {
        if (!pv_selected(level, i, kind, time) || !solver->pvChosen(level->getPVName(i))) continue;
        char* name = level->getPVName(i);
        fprintf(report, "***************************************");
        fprintf(report, "***************************************\n");
        fprintf(report, "Performance variable :  %s\n", name);
        if (showTime) fprintf(report, "Time                 :  %lf\n", time);
        sweep_pv(level, c, it, i, probabilities, values, probs);
        double mean = pv_mean(values, probs);
        double variance = pv_variance(mean, values, probs);
        if (notFinite && !(std::isfinite(mean) && std::isfinite(variance))) notFinite->push_back(name);
        fprintf(report, "Mean                 :  %e\n", mean);
        fprintf(report, "Variance             :  %e\n", variance);
        std::string base = plot_file_base(solver, name, time, time2);
        std::string pdfName = base + "pdf.splot", cdfName = base + "cdf.splot";
        if (solver->writePlots) {
            fprintf(report, "Plot files    (pdf)  :  %s\n", pdfName.c_str());
            fprintf(report, "              (cdf)  :  %s\n", cdfName.c_str());
        }
        std::string dir = solver->solverPath ? solver->solverPath : "";
        std::string pdfPath = dir + pdfName, cdfPath = dir + cdfName;
        dsort((unsigned long)values.size(), values.data(), probs.data());
        if (complementary)
            comp_plot_cdf(level, solver, i, &cdfPath[0], probs.data(), values.data(), time, mean,
                          variance, report);
        else
            plot_cdf(level, solver, i, &cdfPath[0], probs.data(), values.data(), time, mean,
                     variance, report);
        gen_pdf_db(level, solver, i, &pdfPath[0], probs.data(), values.data(), dbFirst,
                   dbSecond, time, time2, mean, variance, dbExperiment, dbExperimentNumber,
                   report, csv);
        solver->checkOutputs();  // a full disk ends the run at the PV it struck
    }
    level->deallocatePVIterator(it);
    level->deallocatePVContainer(c);
}
