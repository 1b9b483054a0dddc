// The whole command line checked once, before anything is read or written: help and
// version requests, long options, option values and letters no parser knows.
#ifndef VELMAR_COMMANDLINE_H
#define VELMAR_COMMANDLINE_H

#include <string>
#include <vector>

struct CommandLineCheck {
    bool help = false;
    bool version = false;
    std::vector<std::string> longOptions;  // words starting with "--" that are refused
    std::vector<std::string> badValues;    // one message per value refused, and a model file
                                           // named together with -G or -E
    std::vector<std::string> warnings;     // what was not taken: unknown letters, values missing
                                           // at the end or looking like options, stray words,
                                           // -G and -s values that name no directory
    std::string letters;                   // the letters of the program given, in order
    int model = -1;                        // argv's index of the model of a one-file run, or -1
};

// Walks argv as the parsers do (values of every letter of the program skipped) and sorts
// what it finds. Without -G and -E, the first word that is neither an option nor a value and
// names a model file (E.arm, E.tra, E.pexp, E.drn), or else the first such word, is the model of a
// one-file run; every other such word is passed over with a warning.
CommandLineCheck checkCommandLine(int argc, char** argv);

// Why value is refused for option letter, or empty when it is acceptable.
std::string optionValueProblem(char letter, const char* value);

// Acts on the check: help or version on standard output (status 0), refusals on standard
// error (status 1), warnings on standard error. Returns -1 when the run goes on, otherwise
// the status with which the program ends.
int settleCommandLine(int argc, char** argv);

#endif
