// The run: the state level and the solver built from one command line, and the solver driven
// through its lifecycle.
#include "run/ProgramRun.h"

#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <unistd.h>
#include <vector>

#include "dss/DSSSolver.h"
#include "framework/BaseStateLevelSolver.h"
#include "framework/CommandLine.h"
#include "framework/InputError.h"
#include "framework/ModelFile.h"
#include "framework/OutputPlaces.h"
#include "framework/PendingOutputs.h"
#include "framework/RunPhases.h"
#include "statelevel/BaseStateLevel.h"

namespace {

// The words the run reads: the command line as given, or the words a one-file run stands for.
class RunWords {
public:
    RunWords(int argc, char** argv)
    {
        CommandLineCheck check = checkCommandLine(argc, argv);
        if (check.model < 0) {
            words.assign(argv, argv + argc);
        } else {
            words = one_file_words(argc, argv, check.model, check.letters);
        }
        for (std::string& w : words) pointers.push_back(&w[0]);
        pointers.push_back(nullptr);
    }
    int argc() const { return (int)words.size(); }
    char** argv() { return pointers.data(); }

private:
    std::vector<std::string> words;
    std::vector<char*> pointers;
};

}  // namespace

int runDss(int givenArgc, char** givenArgv, const ProgramFace& face)
{
    ProgramFace running = face;
    if (running.createSolver == nullptr) running.createSolver = createDssSolver;
    setProgramFace(running);
    int settled = settleCommandLine(givenArgc, givenArgv);
    if (settled >= 0) return settled;
    bool failed = false;
    try {
        RunWords run(givenArgc, givenArgv);
        int argc = run.argc();
        char** argv = run.argv();
        check_output_places(argc, argv);  // before any state-space file is read
        const double reading = wallSeconds();
        BaseStateLevel* level = BaseStateLevel::createStateLevelObject(argc, argv);
        const double read = wallSeconds() - reading;
        optind = 0;
        BaseStateLevelSolver* solver =
            BaseStateLevelSolver::createStateLevelSolver(level, argc, argv);
        solver->phases.reading = read;  // the chain built from the state level follows in the solve
        solver->initialize();
        if (level != nullptr) {
            solver->solve();
            failed = solver->runFailed;
            // results that could not be evaluated are a failure, after the report said which
            std::string missing = !level->var_failure.empty() ? "Error: no PV was evaluated: " + level->var_failure
                                  : !level->pvtype_failure.empty()
                                      ? "Error: PVs were not evaluated: " + level->pvtype_failure
                                      : "";
            if (!missing.empty()) {
                fprintf(stderr, "%s\n", missing.c_str());
                fflush(stderr);
                failed = true;
            }
            delete solver;
            delete level;
        }
    } catch (std::bad_alloc&) {
        fprintf(stderr, "The solver's memory requirement is more than the available RAM.\n");
        fprintf(stderr, "Either reduce the size of the state space or install more RAM.\n");
        exit(1);
    } catch (AccessException&) {
        fprintf(stderr, "This solver cannot be used along with the specified state space.\n");
        exit(1);
    } catch (const InputError& e) {
        e.report();
        exit(1);
    }
    commit_outputs();  // every result takes its name at once, now that all are written
    return failed ? 1 : 0;
}
