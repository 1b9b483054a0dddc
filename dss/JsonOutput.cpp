// The direct solver's JSON results file: model, settings, solve figures and every PV.
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "dss/DSSSolver.h"
#include "framework/JsonResults.h"
#include "framework/OutputCheck.h"
#include "framework/report_functions.h"

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
    // the threshold of the factorisation whose vector was reported (or the last one made)
    const SolveAttempt* lastLu = nullptr;
    for (const SolveAttempt& a : record.attempts)
        if (a.method == "lu") lastLu = &a;
    run.solve = {{"computationSeconds", userTime + systemTime},
                 {"userSeconds", userTime},
                 {"systemSeconds", systemTime},
                 {"peakMemoryMiB", (double)peakKiB / 1024.0},
                 {"dropThreshold", lastLu != nullptr ? lastLu->dropThreshold : dropThreshold},
                 {"timeUnit", record.timeUnit},
                 {"closedClasses", (double)record.closedClasses, JsonField::Integer},
                 {"transientStates", (double)record.transientStates, JsonField::Integer},
                 {"attempts", (double)record.attempts.size(), JsonField::Integer},
                 {"factorEntries", record.attempts.empty() ? 0.0 : (double)record.attempts.back().factorEntries,
                  JsonField::Integer},
                 {"gmresIterations", record.attempts.empty() ? 0.0 : (double)record.attempts.back().gmresIterations,
                  JsonField::Integer},
                 {"checkResidual", record.check.residual},
                 {"checkImbalance", record.check.imbalance},
                 {"checkBound", record.check.bound},
                 {"checkBlocks", (double)record.check.blocks, JsonField::Integer},
                 {"checkBlockImbalance", record.check.blockImbalance},
                 {"checkCoupling", record.check.coupling},
                 {"checkPassed", record.check.passed ? 1.0 : 0.0, JsonField::Flag}};
    // the method's own error estimate, where the answer's method gives one
    if (!record.attempts.empty() && record.attempts.back().forwardError >= 0.0)
        run.solve.push_back({"forwardErrorEstimate", record.attempts.back().forwardError});
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
