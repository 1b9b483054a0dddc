// The abstract solver: common options, run identification, output streams,
// CPU-time figures and the results record.
#ifndef VELMAR_BASESTATELEVELSOLVER_H
#define VELMAR_BASESTATELEVELSOLVER_H

#include <cstdio>
#include <string>

#include "framework/JsonResults.h"
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

    // Always builds the direct solver; the caller owns it.
    static BaseStateLevelSolver* createStateLevelSolver(BaseStateLevel* level, int argc,
                                                        char** argv);

    void ShowCommonCmdLineOptions(const char* name);
    void initializeDatabaseData();
    static double comp_eps();
    static const double machine_epsilon;

    // Ends the run with the names of the missing options, the usage text and status 1 unless
    // every required option was given.
    void checkRequiredOptions();

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
    // The evaluated PVs, gathered for the JSON results file when one is asked for.
    std::vector<PVResult> pvResults;
    FILE* out = nullptr;
    FILE* csvOut = nullptr;
    FILE* debugOut = nullptr;
    FILE* stateOut = nullptr;
    double userTime = 0.0;
    double systemTime = 0.0;
    SolverDBInfo* dbInfo = nullptr;
    // Set by a solve whose results are not valid; the program then ends with status 1.
    bool runFailed = false;
    // Where the usage text goes: standard error, standard output for -h.
    FILE* usageStream = stderr;
};

// CSV name for a report name: the first ".txt" becomes ".csv" and ends the
// name; a name without ".txt" gets ".csv" appended so the two never collide.
std::string csv_file_name(const char* outputName);

#endif
