// One pass over the command line before the run: every value is checked against its option.
#include "framework/CommandLine.h"

#include <cerrno>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

#include "framework/BaseStateLevelSolver.h"
#include "framework/JsonResults.h"
#include "framework/ModelFile.h"
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

// A value that would have been read as an option had it not followed its letter: "-o" after -c.
static bool looksLikeOption(const char* value)
{
    return value[0] == '-' && value[1] != '\0';
}

// The warning for a -G or -s value that is no existing directory and whose directory part is
// missing too: the value becomes the start of file names, which is seldom what was meant.
static std::string directoryWarning(char letter, const char* value)
{
    std::string v = value;
    if (v.empty() || v.back() == '/') return "";
    struct stat st;
    if (stat(value, &st) == 0 && S_ISDIR(st.st_mode)) return "";
    size_t slash = v.find_last_of('/');
    if (slash != std::string::npos) {
        std::string dir = slash == 0 ? "/" : v.substr(0, slash);
        if (stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return "";  // a prefix in dir
    }
    return std::string("Warning: -") + letter + " " + v +
           ": no such directory; the value is taken as the start of the file names.";
}

// Looks at the letters of one option word; i moves on when the next word is a value. True
// when the word ends with a letter whose value may only be attached and has none.
static bool checkLetters(int argc, char** argv, int& i, CommandLineCheck& check)
{
    const char* word = argv[i];
    for (int j = 1; word[j] != '\0'; ++j) {
        char letter = word[j];
        if (findOption(letter) == nullptr) {
            char lower = (char)std::tolower((unsigned char)letter);
            std::string hint = lower != letter && findOption(lower) != nullptr
                                   ? std::string(" (did you mean -") + lower + "?)"
                                   : "";
            check.warnings.push_back(std::string("Warning: option -") + letter +
                                     " is not known to dss; it is ignored" + hint + ".");
            continue;
        }
        check.letters += letter;
        if (letter == 'h') check.help = true;
        int arity = velmar_option_arity(letter);
        if (arity == 0) continue;
        const char* value = word[j + 1] != '\0' ? word + j + 1 : nullptr;
        if (value == nullptr && arity == 2) return word[j + 1] == '\0';
        if (value == nullptr) {
            if (i + 1 >= argc) {
                check.warnings.push_back(std::string("Warning: option -") + letter +
                                         " has no value; it is ignored.");
                return false;
            }
            value = argv[++i];
            const OptionSpec* o = findOption(letter);
            bool numeric = o->check == ValueCheck::Integer || o->check == ValueCheck::Tolerance;
            if (!numeric && looksLikeOption(value))
                check.warnings.push_back(std::string("Warning: option -") + letter + " took \"" +
                                         value + "\" as its value; \"" + value +
                                         "\" was not read as an option.");
        }
        if (letter == 'G' || letter == 's') {
            std::string warning = directoryWarning(letter, value);
            if (!warning.empty()) check.warnings.push_back(warning);
        }
        std::string problem = optionValueProblem(letter, value);
        if (letter == 'j' && !jsonResultsAvailable())
            problem = "Error: option -j: JSON results are not available in this build (it was "
                      "made without nlohmann-json).";
        if (!problem.empty()) check.badValues.push_back(problem);
        return false;
    }
    return false;
}

// A word that is neither an option nor a value, as the warning names it.
struct LooseWord {
    int index;
    std::string after;  // the option word before it when that ended with -v and no value
};

// Chooses the model of a one-file run among the loose words, or refuses a model file named
// beside -G or -E; every other loose word is passed over with a warning.
static void sortLooseWords(char** argv, const std::vector<LooseWord>& loose, CommandLineCheck& check)
{
    bool named = check.letters.find_first_of("GE") != std::string::npos;
    for (const LooseWord& w : loose)
        if (!named && check.model < 0 && !model_file_format(argv[w.index]).empty()) check.model = w.index;
    if (!named && check.model < 0 && !loose.empty()) check.model = loose.front().index;
    for (const LooseWord& w : loose) {
        const std::string word = argv[w.index];
        if (w.index == check.model) continue;
        if (named && !model_file_format(word).empty()) {
            check.badValues.push_back("Error: the model file " + word +
                                      " is given together with -G or -E: name the model by the "
                                      "file alone or by -G and -E.");
        } else if (!w.after.empty()) {
            check.warnings.push_back("Warning: the word \"" + word + "\" after " + w.after +
                                     " is ignored: the value of -" + w.after.back() +
                                     " is taken only when attached (-" + w.after.back() + word + ").");
        } else {
            check.warnings.push_back("Warning: the word \"" + word +
                                     "\" is neither an option nor an option's value; it is ignored.");
        }
    }
}

CommandLineCheck checkCommandLine(int argc, char** argv)
{
    CommandLineCheck check;
    std::vector<LooseWord> loose;
    std::string attachedOnly;  // the last option word, when it ended with -v and no value
    for (int i = 1; i < argc; ++i) {
        const char* word = argv[i];
        std::string before = attachedOnly;
        attachedOnly.clear();
        if (std::strcmp(word, "--") == 0) continue;
        if (word[0] != '-' || word[1] == '\0') {
            loose.push_back({i, before});
            continue;
        }
        if (word[1] != '-') {
            if (checkLetters(argc, argv, i, check)) attachedOnly = word;
            continue;
        }
        if (std::strcmp(word, "--help") == 0) check.help = true;
        else if (std::strcmp(word, "--version") == 0) check.version = true;
        else check.longOptions.push_back(word);
    }
    sortLooseWords(argv, loose, check);
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
    fputs("dss [options] <model file>: a one-file run of dir/E.arm (flat), dir/E.tra or dir/E.pexp\n"
          "      (PRISM) or dir/E.drn (DRN): -G dir/ and -E E from the file's name, -P and -S E\n"
          "      unless given, plot files in the current directory unless -s is given\n",
          stdout);
    fputs("Exit status: 0 after a normal run, 1 on bad options or input, or a failed solve;\n"
          "      130, 143 or 129 when SIGINT, SIGTERM or SIGHUP ended it (no result half written).\n",
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
