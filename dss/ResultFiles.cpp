// The direct solver's results files written whole: the JSON results (model, settings, solve
// figures, attempts, phases and every PV) and the tidy CSV file of the PVs.
#include "dss/DSSSolver.h"
#include "framework/JsonResults.h"
#include "framework/TidyCsv.h"
#include "report/SolveJson.h"

void DSSSolver::writeTidyFile()
{
    tidyFile.write(tidyCsvText(pvResults));
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
    for (const SolveAttempt& a : record.attempts) run.attempts.push_back(attemptFields(a));
    run.phases = phaseFields(phases);
    run.valid = !runFailed;
    run.pvs.swap(pvResults);  // the last of the files that need them
    jsonFile.write(jsonResultsText(run));
}
