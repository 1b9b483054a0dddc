// The abstract solver: common options, run identification, output streams,
// CPU-time figures and the results record.
#ifndef VELMAR_BASESTATELEVELSOLVER_H
#define VELMAR_BASESTATELEVELSOLVER_H

#include <cstdio>
#include <string>
#include <vector>

#include "framework/FileNames.h"
#include "framework/OutputCheck.h"
#include "framework/JsonResults.h"
#include "framework/RunPhases.h"
#include "framework/SolverDBInfo.h"

class BaseStateLevel;

class BaseStateLevelSolver {
public:
    BaseStateLevelSolver(BaseStateLevel* level, const char* name, int argc, char** argv);
    virtual ~BaseStateLevelSolver();
    BaseStateLevelSolver(const BaseStateLevelSolver&) = delete;
    BaseStateLevelSolver& operator=(const BaseStateLevelSolver&) = delete;

    virtual void solve() = 0;
    virtual void initialize();
    virtual void ShowCmdLineOptions() = 0;

    // Builds the running program's solver (see ProgramFace); the caller owns it.
    static BaseStateLevelSolver* createStateLevelSolver(BaseStateLevel* level, int argc,
                                                        char** argv);

    void ShowCommonCmdLineOptions(const char* name);
    void initializeDatabaseData();
    static double comp_eps();
    static const double machine_epsilon;

    // Ends the run with the names of the missing options, the usage text and status 1 unless
    // every required option was given.
    void checkRequiredOptions();
    // Flushes every open output stream; a write that failed ends the run with
    // the file's name and the reason on standard error and status 1.
    void checkOutputs();
    // Paths of the plot files the solve will write; none by default.
    virtual std::vector<std::string> plotFiles() { return {}; }

    char* solverName = nullptr;
    BaseStateLevel* stateLevel = nullptr;
    char* ssgPath = nullptr;
    char* solverPath = nullptr;
    char* projectName = nullptr;
    char* studyName = nullptr;
    char* experimentName = nullptr;
    char* debugFileName = nullptr;
    char* outputFileName = nullptr;
    char* csvFileName = nullptr;
    std::string commentsFileName;
    bool debugFlag = false;
    bool outputFlag = false;
    bool stateOccupancyFlag = false;
    char* stateOccupancyFileName = nullptr;
    int verbosity = 0;
    // -f: probabilities in the CSV and state probability files with 17 significant digits.
    bool fullPrecision = false;
    // -j: the JSON results file, empty when none is asked for.
    std::string jsonFileName;
    // -V: the PVs to evaluate and plot, in the order given; empty for every PV.
    std::vector<std::string> chosenPVs;
    // -N: no plot files are written.
    bool writePlots = true;
    // Whether the PV of that name is evaluated: every PV without -V.
    bool pvChosen(const char* name) const;
    // -T: the tidy CSV file, empty when none is asked for.
    std::string tidyFileName;
    // The evaluated PVs, gathered for the JSON results and tidy CSV files when one is asked for.
    std::vector<PVResult> pvResults;
    bool keepsPvResults() const { return !jsonFileName.empty() || !tidyFileName.empty(); }
    // Wall-clock seconds of the run's phases, as far as they have gone.
    RunPhases phases;
    FILE* out = nullptr;
    FILE* csvOut = nullptr;
    FILE* debugOut = nullptr;
    FILE* stateOut = nullptr;
    // Where each output file's stream writes and notes why a write failed (open_output).
    OutputSink outSink, csvSink, debugSink, stateSink;
    double userTime = 0.0;
    double systemTime = 0.0;
    SolverDBInfo* dbInfo = nullptr;
    // Set by a solve whose results are not valid; the program then ends with status 1.
    bool runFailed = false;
    // Where the usage text goes: standard error, standard output for -h.
    FILE* usageStream = stderr;

private:
    // -G and -s values that name existing directories get their trailing slash.
    void useDirectoryValues();
    // Refuses inputs that are not regular files and outputs that share a file
    // with each other or with an input, before anything is written.
    void checkFileNames();
    // The output files with their roles, as the run will name them.
    std::vector<NamedFile> outputFiles();
    // Name of the report stream in messages.
    const char* reportName() const;
};

// CSV name for a report name, always in the report's directory: the first
// ".txt" of the file name becomes ".csv" and ends the name; a file name
// without ".txt" gets ".csv" appended so the two never collide.
std::string csv_file_name(const char* outputName);

#endif
