// Direct solver construction, options, banners, the solve's report lines, state file and release.
#include "dss/DSSSolver.h"

#include <cmath>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "dss/AddedMethods.h"
#include "framework/PendingOutputs.h"
#include "framework/RunPhases.h"
#include "framework/RunFigures.h"
#include "framework/SolverDBInfo.h"
#include "framework/report_functions.h"
#include "dss/DirectOptions.h"
#include "pv/perfcdb.h"
#include "report/CheckLine.h"
#include "report/PhasesLine.h"
#include "statelevel/BaseStateLevel.h"

double port_pow(double x, int k)
{
    double p = 1.0;
    if (k > 0)
        for (int i = 0; i < k; ++i) p *= x;
    else
        for (int i = 0; i < -k; ++i) p /= x;
    return p;
}

BaseStateLevelSolver* createDssSolver(BaseStateLevel* level, int argc, char** argv)
{
    return new DSSSolver(level, argc, argv);
}

DSSSolver::DSSSolver(BaseStateLevel* level, int argc, char** argv)
    : BaseStateLevelSolver(level, "dss", argc, argv), solving(level)
{
    DirectOptions o;
    parseDirectOptions(argc, argv, o);
    accuracy = o.accuracy;
    tolerance = o.tolerance;
    complementPlot = o.complementPlot;
    searchRows = o.searchRows;
    stability = o.stability;
    method = o.methodGiven ? o.method : defaultMethod();
    methodGiven = o.methodGiven;
}

DSSSolver::~DSSSolver() = default;

void DSSSolver::ShowCmdLineOptions()
{
    ShowCommonCmdLineOptions("dss");
    fputs("[-a <# of decimal precision>] [-t <tolerance>] [-c]\n", usageStream);
    fputs("[-g <stability>] [-r <# of rows to search for pivot>]\n", usageStream);
}

void DSSSolver::initialize()
{
    checkRequiredOptions();
    if (!knownMethod(method)) {
        fprintf(stderr, "dss: %s\n", unknownMethodText(method).c_str());
        exit(1);
    }
    // -G "" with -E "" passes the check but names no state space: the factory
    // has already said so, and there is nothing to solve.
    if (stateLevel == nullptr) exit(1);
    check_chosen_pvs(stateLevel, this, 3, -1.0);  // before any output is opened
    BaseStateLevelSolver::initialize();
    allocateStateArrays();
    // verbose lines on a terminal are progress enough, and would break the line in two
    bool reportOnTerminal = !outputFlag && isatty(STDOUT_FILENO) == 1;
    progressLine.reset(new ProgressLine(
        stderr, ProgressLine::stderrIsTerminal() && !(verbosity != 0 && reportOnTerminal)));
    DisplayBanners();
    if (stateOccupancyFlag) {
        stateOut = open_output(stateOccupancyFileName, &stateSink);
        if (stateOut == nullptr) {
            open_failed(stateOccupancyFileName);
            fatal_error(stdout, "can't open state occupancy file");
        }
    }
    if (!jsonFileName.empty()) jsonFile.open(jsonFileName, "JSON results file");
    if (!tidyFileName.empty()) tidyFile.open(tidyFileName, "tidy CSV file");
    checkOutputs();  // a report that cannot be written is found before the solve
}

// The steady-state evaluation's plot files: kind 3, no time.
std::vector<std::string> DSSSolver::plotFiles()
{
    return plot_file_paths(stateLevel, this, 3, -1.0, 1.0);
}

// Sizes the per-state arrays of the factorisation for the state level's states.
void DSSSolver::DisplayBanners()
{
    solver_banner("dss", "DIRECT STEADY STATE SOLVER", "RESULTS", projectName, studyName,
                  ssgPath, experimentName, commentsFileName.c_str(), out);
    std::string files = stateLevel->getFilesRead();
    if (!files.empty()) fprintf(out, "\nState space files: %s\n", files.c_str());
    fprintf(out, "\nVerbosity: %d\n", verbosity);
    fprintf(out, "Accuracy: %le\n", accuracy);
    fprintf(out, "Tolerance: %le\n", tolerance);
    fprintf(out, "Stability: %hd\n", stability);
    fprintf(out, "Rows: %ld\n", (long)searchRows);
    if (method != "lu") fprintf(out, "Method: %s\n", method.c_str());
    fputs("\n", out);
    fflush(out);
    if (!debugFlag) return;
    solver_banner("dss", "DIRECT STEADY STATE SOLVER", "RESULTS", projectName, studyName,
                  ssgPath, experimentName, commentsFileName.c_str(), debugOut);
    if (!files.empty()) fprintf(debugOut, "state space files = %s\n", files.c_str());
    fprintf(debugOut, "output = %s\n", outputFlag ? outputFileName : "(standard output)");
    fprintf(debugOut, "accuracy = %le\n", accuracy);
    fprintf(debugOut, "tolerance = %le\n", tolerance);
    fprintf(debugOut, "stability = %d\n", (int)stability);
    fprintf(debugOut, "rows = %ld\n", (long)searchRows);
    if (method != "lu") fprintf(debugOut, "method = %s\n", method.c_str());
    fflush(debugOut);
}

void DSSSolver::print_states()
{
    fprintf(stateOut, "## State Occupancy Probability Vector\n");
    fprintf(stateOut, "Output is in (state number, state probability) pairs\n");
    fprintf(stateOut, "Number of States: %d\n", numStates);
    fflush(stateOut);
    const char* line = fullPrecision ? "%d, %.17g\n" : "%d, %f\n";
    for (int i = 0; i < numStates; ++i) fprintf(stateOut, line, i, solutionVector[i]);
}

void DSSSolver::terminate()
{
    lu.release();
    std::vector<double>().swap(rhs);
    if (progressLine) progressLine->finish();
    fprintf(out, "DSSSolver done\n");
}

// Says on the report and on standard error why the results are not valid.
void DSSSolver::reportFailure(const std::string& reason)
{
    std::string text = "Error: " + reason + "; the results above are not valid.\n";
    fputs(text.c_str(), out);
    fputs(text.c_str(), stderr);
}

ChainSolver& DSSSolver::solver()
{
    solving.report = {out, debugFlag ? debugOut : nullptr, verbosity, progressLine.get()};
    return solving;
}

void DSSSolver::writeSolveFigures()
{
    fprintf(out, "Computation Time (seconds): %lf\n", userTime + systemTime);
    fprintf(out, "User Time (seconds): %lf\n", userTime);
    fprintf(out, "System Time (seconds): %lf\n", systemTime);
    writeRunFigures(out, numStates, transitions, peakKiB);
    if (!record.attempts.empty())
        fprintf(out, "Entries in the factors: %lld\n", (long long)record.attempts.back().factorEntries);
    fputs(resolutionFloorLine(record.check).c_str(), out);
}

void DSSSolver::solve()
{
    ProcessUsage start = processUsage();
    double began = wallSeconds();
    solveSystem();
    double solved = wallSeconds();
    if (stateOccupancyFlag) print_states();
    phases.writing += wallSeconds() - solved;
    phases.reading += record.readingWallSeconds;
    phases.structure = record.structureWallSeconds;
    phases.solving = solved - began - record.readingWallSeconds - record.structureWallSeconds;
    phases.checking = record.checkWallSeconds;
    for (const SolveAttempt& a : record.attempts) phases.checking += a.checkWallSeconds;
    ProcessUsage end = processUsage();
    userTime = end.userSeconds - start.userSeconds;
    systemTime = end.systemSeconds - start.systemSeconds;
    if (progressLine) progressLine->finish();
    transitions = record.transitions;
    peakKiB = processUsage().peakKiB;
    writeSolveFigures();
    std::vector<std::string> notFinite;
    // the plot files and CSV blocks written on the way count as writing
    const double evaluating = wallSeconds(), writtenBefore = phases.writing;
    perfcdb(stateLevel, this, solutionVector.data(), out, csvOut, 0, -1, -1.0, 1.0, 0,
            complementPlot, 3, db_entity, db_exp_index, &notFinite);
    phases.evaluation = wallSeconds() - evaluating - (phases.writing - writtenBefore);
    runFailed = !record.check.passed || !notFinite.empty();
    if (!std::isfinite(record.check.residual) && !record.check.passed)
        reportFailure("the solution contains values that are not finite numbers (the chain may be singular)");
    else if (!record.check.passed)
        reportFailure(std::string("the solution fails its check against the chain: ") + record.check.failure);
    for (const std::string& name : notFinite)
        reportFailure("the mean or variance of performance variable " + name + " is not a finite number");
    double writing = wallSeconds();
    if (tidyFile.isOpen()) writeTidyFile();
    phases.writing += wallSeconds() - writing;
    // the JSON results carry the phases, so their own writing is the one step not counted
    if (jsonFile.isOpen()) writeJsonFile();
    fputs(phasesLine(phases).c_str(), out);
    std::vector<double>().swap(solutionVector);
    solving.structure = ClosedClasses();
    terminate();
}
