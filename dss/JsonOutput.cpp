// The direct solver's JSON results file: model, settings, solve figures and every PV.
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "dss/DSSSolver.h"
#include "framework/JsonResults.h"
#include "framework/OutputCheck.h"
#include "framework/report_functions.h"
#include "report/SolveJson.h"

// Opens the file before anything is solved, so an unwritable name costs no solve.
void DSSSolver::openJsonFile()
{
    jsonOut = open_output(jsonFileName.c_str(), &jsonSink);
    if (jsonOut != nullptr) return;
    std::string message = "can't open JSON results file " + jsonFileName + ": " + strerror(errno);
    fatal_error(stdout, message.c_str());
}

// The settings as the run used them.
static std::vector<JsonField> settingsOf(const DSSSolver& s)
{
    return {{"accuracy", s.accuracy},
            {"tolerance", s.tolerance},
            {"stability", (double)s.stability, JsonField::Integer},
            {"rows", (double)s.searchRows, JsonField::Integer},
            {"complementPlot", s.complementPlot ? 1.0 : 0.0, JsonField::Flag},
            {"fullPrecision", s.fullPrecision ? 1.0 : 0.0, JsonField::Flag},
            {"verbosity", (double)s.verbosity, JsonField::Integer}};
}

void DSSSolver::writeJsonFile()
{
    JsonRun run;
    run.project = projectName ? projectName : "";
    run.study = studyName ? studyName : "";
    run.experiment = experimentName ? experimentName : "";
    run.stateSpacePath = ssgPath ? ssgPath : "";
    run.solverPath = solverPath ? solverPath : "";
    run.states = numStates;
    run.transitions = transitions;
    run.settings = settingsOf(*this);
    SolveFigures figures;
    figures.userSeconds = userTime;
    figures.systemSeconds = systemTime;
    figures.peakKiB = peakKiB;
    figures.dropThreshold = dropThreshold;
    run.solve = solveFields(record, figures);
    run.valid = !runFailed;
    run.pvs.swap(pvResults);
    std::string text = jsonResultsText(run);
    fputs(text.c_str(), jsonOut);
    int error = finish_output(jsonOut, &jsonSink);
    jsonOut = nullptr;
    if (error == 0) error = commit_output(&jsonSink);
    if (error == 0) return;
    fprintf(stderr, "Error: could not write the JSON results file %s: %s\n", jsonFileName.c_str(),
            strerror(error));
    fflush(stderr);
    // the run's results are not all written: none takes its name (the exit removes them)
    exit(1);
}
