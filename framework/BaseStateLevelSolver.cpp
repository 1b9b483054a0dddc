// Common options, output streams and lifecycle of every solver.
#include "framework/BaseStateLevelSolver.h"

#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

#include "framework/InputFiles.h"
#include "framework/OutputCheck.h"
#include "framework/ProgramFace.h"
#include "framework/StateSpaceFiles.h"
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
    size_t slash = name.find_last_of('/');
    size_t at = name.find(".txt", slash == std::string::npos ? 0 : slash + 1);
    if (at == std::string::npos) return name + ".csv";
    return name.substr(0, at) + ".csv";
}

// Replaces an owned string with a copy of value.
static void replace(char*& member, const char* value)
{
    delete[] member;
    member = strDup(value);
}

// The names of a comma-separated list, empty ones left out.
static std::vector<std::string> split_names(const char* list)
{
    std::vector<std::string> names;
    std::string name;
    for (const char* at = list;; ++at) {
        if (*at != ',' && *at != '\0') {
            name += *at;
            continue;
        }
        if (!name.empty()) names.push_back(name);
        name.clear();
        if (*at == '\0') return names;
    }
}

bool BaseStateLevelSolver::pvChosen(const char* name) const
{
    if (chosenPVs.empty()) return true;
    for (const std::string& chosen : chosenPVs)
        if (chosen == name) return true;
    return false;
}

BaseStateLevelSolver* BaseStateLevelSolver::createStateLevelSolver(BaseStateLevel* level,
                                                                   int argc, char** argv)
{
    SolverFactory create = programFace().createSolver;
    if (create == nullptr) throw std::logic_error("no solver is set for this program");
    return create(level, argc, argv);
}

BaseStateLevelSolver::BaseStateLevelSolver(BaseStateLevel* level, const char* name, int argc,
                                           char** argv)
    : solverName(strDup(name)), stateLevel(level)
{
    velmar_parse(argc, argv, OptionParse::Solver, [&](int c, const char* value) {
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
        case 'V': chosenPVs = split_names(value); break;
        case 'N': writePlots = false; break;
        case 'T': tidyFileName = value; break;
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

void BaseStateLevelSolver::useDirectoryValues()
{
    replace(ssgPath, directory_value(ssgPath).c_str());
    replace(solverPath, directory_value(solverPath).c_str());
}

const char* BaseStateLevelSolver::reportName() const
{
    return outputFlag ? outputFileName : "(standard output)";
}

std::vector<NamedFile> BaseStateLevelSolver::outputFiles()
{
    std::vector<NamedFile> files;
    if (outputFlag) {
        files.push_back({outputFileName, "report file"});
        files.push_back({csvFileName, "CSV file"});
    } else {
        struct stat st;  // a report sent into a file by the shell
        if (fstat(STDOUT_FILENO, &st) == 0 && S_ISREG(st.st_mode))
            files.push_back({"/dev/fd/1", "report (standard output)"});
    }
    if (debugFlag) files.push_back({debugFileName, "debug file"});
    if (stateOccupancyFlag) files.push_back({stateOccupancyFileName, "state probability file"});
    if (!jsonFileName.empty()) files.push_back({jsonFileName, "JSON results file"});
    if (!tidyFileName.empty()) files.push_back({tidyFileName, "tidy CSV file"});
    for (const std::string& plot : plotFiles()) files.push_back({plot, "plot file"});
    return files;
}

void BaseStateLevelSolver::checkFileNames()
{
    std::string base = std::string(ssgPath) + experimentName;
    std::vector<NamedFile> inputs = {{base + ".parm", "global-variable file"}};
    if (!commentsFileName.empty()) inputs.push_back({commentsFileName, "comments file"});
    for (const NamedFile& in : inputs) require_regular_file(in.path);
    if (stateLevel != nullptr)  // no output may take the name of a file the chain may come from
        for (const NamedFile& in : state_space_files(base)) inputs.push_back(in);
    refuse_shared_files(outputFiles(), inputs);
}

void BaseStateLevelSolver::initialize()
{
    checkRequiredOptions();
    useDirectoryValues();
    // a relative comments file is read in the solver directory, an absolute one where it is
    if (!commentsFileName.empty() && commentsFileName[0] != '/')
        commentsFileName = std::string(solverPath) + commentsFileName;
    checkFileNames();
    if (debugFlag) {
        debugOut = open_output(debugFileName, &debugSink);
        if (debugOut == nullptr) {
            open_failed(debugFileName);
            fatal_error(stdout, "can't open debug file");
        }
    }
    if (outputFlag) {
        out = open_output(outputFileName, &outSink);
        if (out == nullptr) {
            open_failed(outputFileName);
            fatal_error(stdout, "can't open output file");
        }
        csvOut = open_output(csvFileName, &csvSink);
        if (csvOut == nullptr) {
            open_failed(csvFileName);
            fatal_error(stdout, "can't open csv file");
        }
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

void BaseStateLevelSolver::checkOutputs()
{
    if (out != nullptr) check_output(out, reportName(), &outSink);
    if (csvOut != nullptr) check_output(csvOut, csvFileName, &csvSink);
    if (debugFlag && debugOut != nullptr) check_output(debugOut, debugFileName, &debugSink);
    if (stateOccupancyFlag && stateOut != nullptr)
        check_output(stateOut, stateOccupancyFileName, &stateSink);
}

// Every output is checked before the "Finished:" line claims the results
// complete, and each close is checked too. Every file is finished before any
// takes its name, so that a failure leaves all the previous results in place.
BaseStateLevelSolver::~BaseStateLevelSolver()
{
    checkOutputs();
    if (out != nullptr) fprintf(out, "Finished: %s\n", getAsciiTime());
    struct Output {
        FILE* stream;
        const char* name;
        OutputSink* sink;
    };
    std::vector<Output> files;
    if (debugFlag && debugOut) files.push_back({debugOut, debugFileName, &debugSink});
    if (outputFlag) {
        if (out) files.push_back({out, outputFileName, &outSink});
        if (csvOut) files.push_back({csvOut, csvFileName, &csvSink});
    } else if (out) {
        check_output(out, reportName(), &outSink);
    }
    if (stateOccupancyFlag && stateOut) files.push_back({stateOut, stateOccupancyFileName, &stateSink});
    for (const Output& o : files) {
        int reason = finish_output(o.stream, o.sink);
        if (reason != 0) write_failed(o.name, reason);
    }
    for (const Output& o : files) {
        int reason = commit_output(o.sink);
        if (reason != 0) write_failed(o.name, reason);
    }
    for (char* s : {ssgPath, solverPath, projectName, studyName, experimentName, debugFileName,
                    outputFileName, csvFileName, stateOccupancyFileName})
        delete[] s;
    free(dbInfo);
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
