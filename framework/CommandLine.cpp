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
#include "framework/OptionTable.h"
#include "framework/ProgramFace.h"
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

// What a value of o must be, as a refusal says it.
static std::string wanted(const OptionSpec& o)
{
    switch (o.check) {
    case ValueCheck::FileName: return "a file name";
    case ValueCheck::Tolerance: return "a finite number not below 0";
    case ValueCheck::Integer:
        if (o.value == OptionValue::Attached) return "an integer written right after the letter";
        return "an integer from " + std::to_string(o.low) + " to " + std::to_string(o.high) +
               (o.note != nullptr ? std::string(" (") + o.note + ")" : "");
    case ValueCheck::Any: break;
    }
    return "";
}

std::string optionValueProblem(char letter, const char* value)
{
    const OptionSpec* o = findOption(letter);
    if (o == nullptr) return "";
    bool good = true;
    switch (o->check) {
    case ValueCheck::Any: break;
    case ValueCheck::FileName: good = value != nullptr && *value != '\0'; break;
    case ValueCheck::Tolerance: good = readTolerance(value); break;
    case ValueCheck::Integer:
        // an option whose value may only be attached may stand without one
        good = (value == nullptr && o->value == OptionValue::Attached) ||
               readInteger(value, o->low, o->high);
        break;
    }
    if (good) return "";
    return std::string("Error: option -") + letter + ": the value \"" + (value ? value : "") +
           "\" is not " + wanted(*o) + ".";
}

// Looks at the letters of one option word; i moves on when the next word is a value.
static void checkLetters(int argc, char** argv, int& i, CommandLineCheck& check)
{
    const char* word = argv[i];
    for (int j = 1; word[j] != '\0'; ++j) {
        char letter = word[j];
        if (findOption(letter) == nullptr) {
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
    fputs(optionHelp(DssProgram).c_str(), stdout);
    fputs("Exit status: 0 after a normal run, 1 on bad options or input, or a failed solve.\n",
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
