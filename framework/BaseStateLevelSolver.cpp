// Common options, output streams and lifecycle of every solver.
#include "framework/BaseStateLevelSolver.h"

#include <cstdlib>
#include <cstring>

#include "framework/report_functions.h"
#include "framework/velmar_getopt.h"

const double BaseStateLevelSolver::machine_epsilon = BaseStateLevelSolver::comp_eps();

double BaseStateLevelSolver::comp_eps()
{
    double eps = 1.0;
    for (int i = 0; i < 53; ++i) eps /= 2.0;
    return eps;
}

std::string csv_file_name(const char* outputName)
{
    std::string name = outputName;
    size_t at = name.find(".txt");
    if (at == std::string::npos) return name + ".csv";
    return name.substr(0, at) + ".csv";
}

// Replaces an owned string with a copy of value.
static void replace(char*& member, const char* value)
{
    delete[] member;
    member = strDup(value);
}

BaseStateLevelSolver::BaseStateLevelSolver(BaseStateLevel* level, const char* name, int argc,
                                           char** argv)
    : solverName(strDup(name)), stateLevel(level)
{
    velmar_parse(argc, argv, "D:P:G:S:s:E:d:o:v::K:O:j:f", [&](int c, const char* value) {
        switch (c) {
        case 'D': parseDBSwitches(value); break;
        case 'P': replace(projectName, value); break;
        case 'S': replace(studyName, value); break;
        case 'E': replace(experimentName, value); break;
        case 'G': replace(ssgPath, value); break;
        case 's': replace(solverPath, value); break;
        case 'd':
            debugFlag = true;
            replace(debugFileName, value);
            break;
        case 'o':
            outputFlag = true;
            replace(outputFileName, value);
            replace(csvFileName, csv_file_name(value).c_str());
            break;
        case 'v':
            if (value == nullptr) verbosity = 1;
            else sscanf(value, "%d", &verbosity);
            break;
        case 'K': commentsFileName = value; break;
        case 'O':
            stateOccupancyFlag = true;
            replace(stateOccupancyFileName, value);
            break;
        case 'f': fullPrecision = true; break;
        case 'j': jsonFileName = value; break;
        default: break;
        }
    });
}

void BaseStateLevelSolver::checkRequiredOptions()
{
    if (projectName && studyName && experimentName && ssgPath && solverPath) return;
    std::string missing;
    if (!projectName) missing += " -P <project name>,";
    if (!studyName) missing += " -S <study name>,";
    if (!experimentName) missing += " -E <experiment name>,";
    if (!ssgPath) missing += " -G <SSG path>,";
    if (!solverPath) missing += " -s <solver path>,";
    missing.pop_back();
    fprintf(stderr, "Error: required options missing:%s.\n", missing.c_str());
    ShowCmdLineOptions();
    exit(1);
}

void BaseStateLevelSolver::initialize()
{
    checkRequiredOptions();
    if (!commentsFileName.empty()) commentsFileName = std::string(solverPath) + commentsFileName;
    if (debugFlag) {
        debugOut = fopen(debugFileName, "w");
        if (debugOut == nullptr) fatal_error(stdout, "can't open debug file");
    }
    if (outputFlag) {
        out = fopen(outputFileName, "w");
        if (out == nullptr) fatal_error(stdout, "can't open output file");
        csvOut = fopen(csvFileName, "w");
        if (csvOut == nullptr) fatal_error(stdout, "can't open csv file");
    } else {
        out = stdout;
        csvOut = nullptr;
    }
    initializeDatabaseData();
}

void BaseStateLevelSolver::initializeDatabaseData()
{
    initDBGlobals();
    free(dbInfo);
    dbInfo = (SolverDBInfo*)malloc(sizeof(SolverDBInfo));
    SolverDBInfo_Init(dbInfo);
}

BaseStateLevelSolver::~BaseStateLevelSolver()
{
    if (out != nullptr) fprintf(out, "Finished: %s\n", getAsciiTime());
    for (char* s : {ssgPath, solverPath, projectName, studyName, experimentName, debugFileName,
                    outputFileName, csvFileName, stateOccupancyFileName})
        delete[] s;
    free(dbInfo);
    if (debugFlag && debugOut) fclose(debugOut);
    if (outputFlag) {
        if (out) fclose(out);
        if (csvOut) fclose(csvOut);
    } else if (out) {
        fflush(out);
    }
    if (stateOccupancyFlag && stateOut) fclose(stateOut);
    delete[] solverName;
}

void BaseStateLevelSolver::ShowCommonCmdLineOptions(const char*)
{
    static const char* const lines[] = {
        "Options:\n",
        "-P <project name>\n",
        "-S <study name>\n",
        "-E <experiment name>\n",
        "-G <SSG path>: must end with a slash\n",
        "-s <solver path>: must end with a slash\n",
        "[-d <debug filename>]\n",
        "[-o <output filename>]\n",
        "[-v <verbosity level>]\n",
        "[-K <comment filename>]\n",
        "[-O <state probability filename>]\n",
    };
    for (const char* line : lines) fputs(line, usageStream);
}
