// One pass over the command line before the run: every value is checked against its option.
#include "framework/CommandLine.h"

#include <cerrno>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "framework/BaseStateLevelSolver.h"
#include "framework/JsonResults.h"
#include "framework/ProgramRun.h"
#include "framework/report_functions.h"
#include "framework/velmar_getopt.h"

// The whole word as a decimal integer within [low, high]; false for anything else.
static bool readInteger(const char* value, long low, long high)
{
    if (value == nullptr || *value == '\0' || std::isspace((unsigned char)*value)) return false;
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(value, &end, 10);
    return errno == 0 && *end == '\0' && v >= low && v <= high;
}

// The whole word as a finite number not below zero.
static bool readTolerance(const char* value)
{
    if (value == nullptr || *value == '\0' || std::isspace((unsigned char)*value)) return false;
    char* end = nullptr;
    double v = std::strtod(value, &end);
    return *end == '\0' && std::isfinite(v) && v >= 0.0;
}

std::string optionValueProblem(char letter, const char* value)
{
    bool good = true;
    const char* wanted = "";
    switch (letter) {
    case 'a':
        // 10^-N stays a positive normal number: the accuracy is never 0 or infinite; and it
        // stays below 1, since an accuracy of 1 or more would pass any vector as a solution
        good = readInteger(value, 1, 307);
        wanted = "an integer from 1 to 307 (the accuracy is 10 to the power minus it)";
        break;
    case 't':
        good = readTolerance(value);
        wanted = "a finite number not below 0";
        break;
    case 'r':
        good = readInteger(value, -2147483648L, 2147483647L);
        wanted = "an integer from -2147483648 to 2147483647";
        break;
    case 'g':
        good = readInteger(value, -32768, 32767);
        wanted = "an integer from -32768 to 32767";
        break;
    case 'v':
        good = value == nullptr || readInteger(value, -2147483648L, 2147483647L);
        wanted = "an integer written right after the letter";
        break;
    case 'j':
        good = value != nullptr && *value != '\0';
        wanted = "a file name";
        break;
    default: break;
    }
    if (good) return "";
    return std::string("Error: option -") + letter + ": the value \"" + (value ? value : "") +
           "\" is not " + wanted + ".";
}

// Looks at the letters of one option word; i moves on when the next word is a value.
static void checkLetters(int argc, char** argv, int& i, CommandLineCheck& check)
{
    const char* word = argv[i];
    for (int j = 1; word[j] != '\0'; ++j) {
        char letter = word[j];
        if (letter == ':' || std::strchr(velmar_program_options, letter) == nullptr) {
            check.warnings.push_back(std::string("Warning: option -") + letter +
                                     " is not known to dss; it is ignored.");
            continue;
        }
        if (letter == 'h') check.help = true;
        int arity = velmar_option_arity(letter);
        if (arity == 0) continue;
        const char* value = word[j + 1] != '\0' ? word + j + 1 : nullptr;
        if (value == nullptr && arity == 1) {
            if (i + 1 >= argc) {
                check.warnings.push_back(std::string("Warning: option -") + letter +
                                         " has no value; it is ignored.");
                return;
            }
            value = argv[++i];
        }
        std::string problem = optionValueProblem(letter, value);
        if (letter == 'j' && !jsonResultsAvailable())
            problem = "Error: option -j: JSON results are not available in this build (it was "
                      "made without nlohmann-json).";
        if (!problem.empty()) check.badValues.push_back(problem);
        return;
    }
}

CommandLineCheck checkCommandLine(int argc, char** argv)
{
    CommandLineCheck check;
    for (int i = 1; i < argc; ++i) {
        const char* word = argv[i];
        if (word[0] != '-' || word[1] == '\0' || std::strcmp(word, "--") == 0) continue;
        if (word[1] != '-') {
            checkLetters(argc, argv, i, check);
            continue;
        }
        if (std::strcmp(word, "--help") == 0) check.help = true;
        else if (std::strcmp(word, "--version") == 0) check.version = true;
        else check.longOptions.push_back(word);
    }
    return check;
}

// The solver's usage text on stream.
static void showUsage(int argc, char** argv, FILE* stream)
{
    optind = 0;
    BaseStateLevelSolver* solver =
        BaseStateLevelSolver::createStateLevelSolver(nullptr, argc, argv);
    solver->usageStream = stream;
    solver->ShowCmdLineOptions();
    delete solver;
}

// The usage text and the options it does not list, on standard output.
static void showHelp(int argc, char** argv)
{
    fflush(stdout);
    showUsage(argc, argv, stdout);
    fputs("[-m <method>]: lu (the default's factorisation, without its fill budget), gth, ilu, gs\n"
          "      or auto; without -m large chains whose factors would fill in go on as auto\n"
          "[-F <format>]: flat, prism or drn; found from the files present when not given\n"
          "[-D <switch>]: results-database switch (e<entity>, s<host> or i<index>)\n"
          "-G and -s may also name an existing directory without the closing slash\n"
          "[-f]: write the probabilities of the CSV file and the state probability file\n"
          "      with 17 significant digits\n"
          "[-j <JSON results filename>]\n"
          "-h, --help: this text; --version: the program's version\n"
          "Exit status: 0 after a normal run, 1 on bad options or input, or a failed solve.\n",
          stdout);
    fputs(programFace().helpLines, stdout);
}

int settleCommandLine(int argc, char** argv)
{
    CommandLineCheck check = checkCommandLine(argc, argv);
    if (check.help) {
        showHelp(argc, argv);
        return 0;
    }
    if (check.version) {
        printf("%s %s %s\n", getVelmarName(), programFace().name, getVelmarVersion());
        return 0;
    }
    for (const std::string& word : check.longOptions)
        fprintf(stderr, "Error: unknown option \"%s\": the options of dss are single letters.\n",
                word.c_str());
    if (!check.longOptions.empty()) {
        showUsage(argc, argv, stderr);
        return 1;
    }
    for (const std::string& problem : check.badValues) fprintf(stderr, "%s\n", problem.c_str());
    if (!check.badValues.empty()) return 1;
    for (const std::string& warning : check.warnings) fprintf(stderr, "%s\n", warning.c_str());
    return -1;
}
