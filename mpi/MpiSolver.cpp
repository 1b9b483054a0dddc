// Construction, options, model reading, outputs and the run of the distributed solver.
#include "mpi/MpiSolver.h"

#include <sys/resource.h>
#include <sys/stat.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "dss/DSSSolver.h"
#include "framework/CommandLine.h"
#include "framework/InputError.h"
#include "framework/OutputPlaces.h"
#include "framework/report_functions.h"
#include "dss/DirectOptions.h"
#include "framework/velmar_getopt.h"
#include "mpi/BlockCertify.h"
#include "mpi/DistributedChain.h"
#include "mpi/KrylovSolve.h"
#include "mpi/ModelInfo.h"
#include "mpi/ParallelCheck.h"
#include "mpi/ParallelPV.h"
#include "pv/perfcdb.h"
#include "statelevel/StateSpaceFormat.h"
#include "report/CheckLine.h"

MpiSolver::MpiSolver(int argc, char** argv, MPI_Comm comm)
    : BaseStateLevelSolver(nullptr, "dss", argc, argv), comm(comm)
{
    MPI_Comm_rank(comm, &rank);
    MPI_Comm_size(comm, &processes);
    DirectOptions o;  // -m is read too and has no effect here
    parseDirectOptions(argc, argv, o);
    accuracy = o.accuracy;
    tolerance = o.tolerance;
    complementPlot = o.complementPlot;
    searchRows = o.searchRows;
    stability = o.stability;
}

MpiSolver::~MpiSolver()
{
    stateLevel = nullptr;
}

void MpiSolver::ShowCmdLineOptions()
{
    ShowCommonCmdLineOptions("dss");
    fputs("[-a <# of decimal precision>] [-t <tolerance>] [-c]\n", stderr);
    fputs("[-g <stability>] [-r <# of rows to search for pivot>]\n", stderr);
    fputs("[--petsc <PETSc options>...]: every word after --petsc goes to PETSc\n", stderr);
}

bool MpiSolver::anywhere(bool fault)
{
    int mine = fault ? 1 : 0, any = 0;
    MPI_Allreduce(&mine, &any, 1, MPI_INT, MPI_MAX, comm);
    return any != 0;
}

// The base name -G followed by -E; refused (with the message on the first process) when the
// files are not the flat files.
std::string MpiSolver::baseName(int argc, char** argv, bool& refused)
{
    std::string path, experiment, formatName;
    bool formatGiven = false;
    velmar_parse(argc, argv, "G:E:F:", [&](int c, const char* value) {
        if (c == 'G') path = value;
        else if (c == 'E') experiment = value;
        else if (c == 'F') {
            formatName = value;
            formatGiven = true;
        }
    });
    std::string base = path + experiment;
    StateSpaceFormat format = StateSpaceFormat::Flat;
    refused = false;
    if (formatGiven && !state_space_format_named(formatName, format)) {
        if (first())
            fprintf(stderr, "Unknown state space format \"%s\" after -F: give flat, prism or drn.\n",
                    formatName.c_str());
        refused = true;
    } else if (base.empty()) {
        if (first()) printf("ERROR: no FlatStateLevel file provided.\n");
        refused = true;
    } else if ((formatGiven ? format : state_space_format_found(base)) != StateSpaceFormat::Flat) {
        if (first()) fprintf(stderr, "dss-mpi reads the flat state-space files (B.arm, B.var, ...) only.\n");
        refused = true;
    }
    fflush(stdout);
    fflush(stderr);
    return base;
}

// Reads the .arm and .var files in shares and, on the first process, the PV types.
bool MpiSolver::readModel(const std::string& base)
{
    struct stat st;
    bool det = first() && stat((base + ".det").c_str(), &st) == 0;
    if (anywhere(det)) {
        if (first()) tellReadFault(ReadFault::Deterministic, base);
        return false;
    }
    arm = readArmShared(base + ".arm", comm);
    if (arm.fault != ReadFault::None) {
        if (first()) tellReadFault(arm.fault, base, arm.faultAt, arm.numStates);
        return false;
    }
    var = readVarShared(base + ".var", arm.numStates, arm.first, arm.count, comm);
    if (var.fault != ReadFault::None) {
        if (first() && var.error) var.error->report();
        return false;
    }
    int count = 0;
    if (first()) {
        model.reset(new ModelInfo(arm.numStates, arm.initialState, var.names));
        model->readPVTypeFile((base + ".pvtype").c_str());
        for (int i = 0; i < model->getNumberOfPVs(); ++i)
            if (pv_selected(model.get(), i, 3, -1.0)) selected.push_back(i);
        count = (int)selected.size();
        stateLevel = model.get();
    }
    MPI_Bcast(&count, 1, MPI_INT, 0, comm);
    selected.resize((size_t)count);
    MPI_Bcast(selected.data(), count, MPI_INT, 0, comm);
    return true;
}

// Opens the report, CSV, debug and state files on the first process, with the one-process
// solver's messages; false on every process when one cannot be opened.
bool MpiSolver::openOutputs()
{
    const char* fault = nullptr;
    const char* faultName = "";
    if (first()) {
        if (!commentsFileName.empty()) commentsFileName = std::string(solverPath) + commentsFileName;
        if (debugFlag && (debugOut = open_output(debugFileName, &debugSink)) == nullptr)
            fault = "can't open debug file", faultName = debugFileName;
        if (!fault && outputFlag) {
            if ((out = open_output(outputFileName, &outSink)) == nullptr)
                fault = "can't open output file", faultName = outputFileName;
            else if ((csvOut = open_output(csvFileName, &csvSink)) == nullptr)
                fault = "can't open csv file", faultName = csvFileName;
        } else if (!fault) {
            out = stdout;
        }
        if (!fault) {
            initializeDatabaseData();
            displayBanners();
        }
        if (!fault && stateOccupancyFlag &&
            (stateOut = open_output(stateOccupancyFileName, &stateSink)) == nullptr)
            fault = "can't open state occupancy file", faultName = stateOccupancyFileName;
        if (fault) {
            open_failed(faultName);
            printf("%s\nfatal_error: program is being terminated\n", fault);
            fflush(stdout);
        }
    }
    return !anywhere(fault != nullptr);
}

void MpiSolver::displayBanners()
{
    solver_banner("dss", "DIRECT STEADY STATE SOLVER", "RESULTS", projectName, studyName, ssgPath,
                  experimentName, commentsFileName.c_str(), out);
    fprintf(out, "\nVerbosity: %d\n", verbosity);
    fprintf(out, "Accuracy: %le\n", accuracy);
    fprintf(out, "Tolerance: %le\n", tolerance);
    fprintf(out, "Stability: %hd\n", stability);
    fprintf(out, "Rows: %ld\n\n", (long)searchRows);
    fflush(out);
    if (!debugFlag) return;
    solver_banner("dss", "DIRECT STEADY STATE SOLVER", "RESULTS", projectName, studyName, ssgPath,
                  experimentName, commentsFileName.c_str(), debugOut);
    fprintf(debugOut, "output = %s\n", outputFlag ? outputFileName : "(standard output)");
    fprintf(debugOut, "accuracy = %le\n", accuracy);
    fprintf(debugOut, "processes = %d\n", processes);
    fflush(debugOut);
}

// A line for the debug file and, when verbose, the report (first process).
void MpiSolver::progress(const std::string& line)
{
    if (!first()) return;
    if (debugFlag) {
        fputs(line.c_str(), debugOut);
        fflush(debugOut);
    }
    if (verbosity > 0) {
        fputs(line.c_str(), out);
        fflush(out);
    }
}

// A line for the report and the debug file (first process).
void MpiSolver::note(const std::string& line)
{
    if (!first()) return;
    fputs(line.c_str(), out);
    fflush(out);
    if (debugFlag) {
        fputs(line.c_str(), debugOut);
        fflush(debugOut);
    }
}

// Entries within 64 roundings of zero relative to the largest (the sum test's own allowance),
// left by the iteration in states without flow such as the transient states of a chain with an
// absorbing state, fail the imbalance test there: the vector without them is checked instead,
// and kept when it passes. It moves no probability by more than 1.5e-14.
PetscErrorCode MpiSolver::retryWithoutDust(DistributedChain& chain, Vec x, SolutionCheck& check)
{
    Vec y;
    PetscCall(VecDuplicate(x, &y));
    PetscCall(VecCopy(x, y));
    PetscReal largest;
    PetscCall(VecNorm(y, NORM_INFINITY, &largest));
    const double dust = 64.0 * DBL_EPSILON * largest;
    PetscInt m;
    PetscScalar* v;
    PetscCall(VecGetLocalSize(y, &m));
    PetscCall(VecGetArray(y, &v));
    for (PetscInt k = 0; k < m; ++k)
        if (std::fabs(v[k]) < dust) v[k] = 0.0;
    PetscCall(VecRestoreArray(y, &v));
    bool normalised = false;
    PetscCall(normaliseParallel(y, normalised));
    SolutionCheck again;
    PetscCall(checkParallel(chain.A, y, accuracy, again));
    if (normalised && again.passed) {
        PetscCall(VecCopy(y, x));
        check = again;
    }
    PetscCall(VecDestroy(&y));
    return 0;
}

// Solves, normalises and checks. A vector that fails its check is solved again with a relative
// tolerance a thousand times smaller, three times at most (see nextStart).
PetscErrorCode MpiSolver::solveChain(DistributedChain& chain, Vec x, SolutionCheck& check)
{
    KrylovStart start;
    start.rtol = 1e-4 * residualBound(accuracy);  // the imbalance is judged state by state
    // an absorbing state's equation is replaced first (its diagonal is zero, and it is recurrent),
    // else the initial state's: a model usually starts in a state it visits often, and fixing a
    // rarely visited one would put the rest at its inverse scale
    start.row = arm.initialState >= 0 && arm.initialState < arm.numStates ? arm.initialState : 0;
    if (chain.absorbing >= 0) start.row = chain.absorbing;
    for (int attempt = 0;; ++attempt) {
        KrylovOutcome k;
        const std::vector<double>* flows = chain.flowScale.empty() ? nullptr : &chain.flowScale;
        PetscCall(solveBalance(chain.A, start, x, k, flows));
        char line[300];
        snprintf(line, sizeof line, "KSP %s on %d processes, unit row %ld: %ld iterations, reason %d, %.3f s.\n",
                 k.method.c_str(), processes, start.homogeneous ? 0L : (long)start.row + 1,
                 (long)k.iterations, (int)k.reason, k.seconds);
        progress(line);
        if (start.homogeneous) {  // a solution of A x = 0 has no sign of its own
            PetscScalar sum;
            PetscCall(VecSum(x, &sum));
            if (sum < 0.0) PetscCall(VecScale(x, -1.0));
        }
        bool normalised = false;
        PetscCall(normaliseParallel(x, normalised));
        PetscCall(checkParallel(chain.A, x, accuracy, check));
        if (!normalised) {
            check.passed = false;
            check.failure = "the probabilities do not sum to a positive number";
        } else if (!check.passed) {
            PetscCall(retryWithoutDust(chain, x, check));
        }
        if (check.passed) {
            PetscCall(clearNoiseParallel(x, check.bound));
            PetscReal smallest;
            PetscCall(VecMin(x, nullptr, &smallest));
            check.mostNegative = smallest;
        }
        note(checkReportLine(check));
        if (check.passed || attempt == 3) return 0;
        start.rtol /= 1000.0;
        PetscCall(nextStart(x, normalised && k.reason > 0, start));
        snprintf(line, sizeof line, "Solution check failed (%s); solving again with relative tolerance %le%s.\n",
                 check.failure, start.rtol,
                 start.homogeneous ? " by GMRES(100) on the balance equations alone"
                                   : start.restartedGmres ? " by GMRES(100)" : "");
        note(line);
    }
}

// How the next solve starts: from the converged vector scaled to its largest entry, whose state
// keeps the system's scale where the probabilities are (a tail state can be 1e-50 of the
// largest); after a breakdown, from zero with GMRES(100) and the last state's equation replaced,
// then from ones on the balance equations alone.
PetscErrorCode MpiSolver::nextStart(Vec x, bool converged, KrylovStart& start)
{
    PetscReal largest = 0.0;
    PetscInt at = start.row;
    if (converged) PetscCall(VecMax(x, &at, &largest));
    start.fromGuess = converged && largest > 0.0 && std::isfinite(1.0 / largest);
    if (start.fromGuess) {
        start.row = at;
        PetscCall(VecScale(x, 1.0 / largest));
        return 0;
    }
    // a breakdown: the replaced equation may have been a transient state's, whose probability
    // is 0; the last state's comes next, as in the one-process solver, then none at all
    start.restartedGmres = true;
    PetscInt n;
    PetscCall(VecGetSize(x, &n));
    if (start.row != n - 1) {
        start.row = n - 1;
        return 0;
    }
    start.homogeneous = true;
    start.fromGuess = true;
    PetscCall(VecSet(x, 1.0));
    return 0;
}

// The state file on the first process, each process's probabilities sent in turn.
PetscErrorCode MpiSolver::writeStates(Vec x)
{
    PetscInt digits = 0;
    PetscBool given = PETSC_FALSE;
    PetscCall(PetscOptionsGetInt(nullptr, nullptr, "-dss_state_digits", &digits, &given));
    PetscInt m;
    const PetscScalar* v;
    PetscCall(VecGetLocalSize(x, &m));
    PetscCall(VecGetArrayRead(x, &v));
    if (!first()) {
        int count = (int)m;
        MPI_Send(&count, 1, MPI_INT, 0, 0, comm);
        MPI_Send(v, count, MPI_DOUBLE, 0, 1, comm);
        PetscCall(VecRestoreArrayRead(x, &v));
        return 0;
    }
    fprintf(stateOut, "## State Occupancy Probability Vector\n");
    fprintf(stateOut, "Output is in (state number, state probability) pairs\n");
    fprintf(stateOut, "Number of States: %d\n", arm.numStates);
    std::vector<double> piece(v, v + m);
    PetscCall(VecRestoreArrayRead(x, &v));
    long state = 0;
    for (int r = 0; r < processes; ++r) {
        if (r > 0) {
            int count = 0;
            MPI_Recv(&count, 1, MPI_INT, r, 0, comm, MPI_STATUS_IGNORE);
            piece.resize((size_t)count);
            MPI_Recv(piece.data(), count, MPI_DOUBLE, r, 1, comm, MPI_STATUS_IGNORE);
        }
        for (double p : piece) {
            if (given) fprintf(stateOut, "%ld, %.*g\n", state++, (int)digits, p);
            else fprintf(stateOut, "%ld, %f\n", state++, p);
        }
    }
    return 0;
}

// The peak resident memory of every process, as a progress line.
void MpiSolver::reportPeakMemory()
{
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    double mine = (double)usage.ru_maxrss / 1024.0;  // KiB on Linux
    std::vector<double> all(first() ? (size_t)processes : 0);
    MPI_Gather(&mine, 1, MPI_DOUBLE, all.data(), 1, MPI_DOUBLE, 0, comm);
    std::string line = "Peak memory per process (MiB):";
    for (double m : all) line += " " + std::to_string((long)(m + 0.5));
    progress(line + "\n");
}

// Says on the report and on standard error why the results are not valid (first process).
void MpiSolver::reportFailure(const std::string& reason)
{
    if (!first()) return;
    std::string text = "Error: " + reason + "; the results above are not valid.\n";
    fputs(text.c_str(), out);
    fputs(text.c_str(), stderr);
}

int MpiSolver::run(int argc, char** argv)
{
    int status = runSteps(argc, argv);
    if (status == 0 || status == 1) return status;
    reportFailure("PETSc stopped the solve with error code " + std::to_string(status) +
                  " (its message is on standard error)");
    return petscFailed;
}

int MpiSolver::runSteps(int argc, char** argv)
{
    // the accuracy is refused as dss refuses it, before anything is read or written
    std::string accuracyProblem;
    velmar_parse(argc, argv, "a:", [&](int, const char* value) {
        if (accuracyProblem.empty()) accuracyProblem = optionValueProblem('a', value);
    });
    if (!accuracyProblem.empty()) {
        if (first()) fprintf(stderr, "%s\n", accuracyProblem.c_str());
        return 1;
    }
    bool refused = false;
    std::string base = baseName(argc, argv, refused);
    if (!refused) {  // the outputs' places, as dss checks them, before anything is read
        bool unusable = false;
        if (first()) {
            try {
                check_output_places(argc, argv);
            } catch (const InputError& e) {
                e.report();
                unusable = true;
            }
        }
        if (anywhere(unusable)) return 1;
    }
    if (!refused && !readModel(base)) return 1;
    bool missing = !(projectName && studyName && experimentName && ssgPath && solverPath);
    if (missing && first()) ShowCmdLineOptions();
    if (refused || missing) return 1;
    if (!openOutputs()) return 1;
    double began = MPI_Wtime();
    DistributedChain chain;
    PetscCall(buildChain(arm, comm, chain));
    ArmShare().start.swap(arm.start);  // the records now live in the matrix only
    std::vector<int>().swap(arm.dest);
    std::vector<double>().swap(arm.rate);
    char line[300];
    snprintf(line, sizeof line, "%d states, %lld transitions, unit of time %g, read and built in %.3f s.\n",
             arm.numStates, chain.transitions, chain.unit, MPI_Wtime() - began);
    progress(line);
    Vec x;
    PetscCall(MatCreateVecs(chain.A, &x, nullptr));
    SolutionCheck check;
    PetscCall(solveChain(chain, x, check));
    std::vector<std::string> certifying;
    PetscCall(certifyOnFirst(chain.A, x, accuracy, check, certifying));
    for (const std::string& l : certifying) note(l);
    if (stateOccupancyFlag) PetscCall(writeStates(x));
    userTime = MPI_Wtime() - began;
    if (first()) {
        fprintf(out, "Computation Time (seconds): %lf\n", userTime);
        fprintf(out, "User Time (seconds): %lf\n", userTime);
        fprintf(out, "System Time (seconds): %lf\n", 0.0);
    }
    std::vector<std::string> notFinite;
    const PetscScalar* pi;
    PetscCall(VecGetArrayRead(x, &pi));
    evaluatePVs(*this, var.names, selected, var.values, pi, complementPlot, comm, notFinite);
    PetscCall(VecRestoreArrayRead(x, &pi));
    PetscCall(VecDestroy(&x));
    if (!std::isfinite(check.residual) && !check.passed)
        reportFailure("the solution contains values that are not finite numbers (the chain may be singular)");
    else if (!check.passed)
        reportFailure(std::string("the solution fails its check against the chain: ") + check.failure);
    for (const std::string& name : notFinite)
        reportFailure("the mean or variance of performance variable " + name + " is not a finite number");
    reportPeakMemory();
    if (first()) fprintf(out, "DSSSolver done\n");
    return anywhere(!check.passed || !notFinite.empty()) ? 1 : 0;
}
