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
    std::vector<std::string> badValues;    // one message per value out of its option's range
    std::vector<std::string> warnings;     // unknown letters and values missing at the end
};

// Walks argv as the parsers do (values of every letter of the program skipped) and sorts
// what it finds.
CommandLineCheck checkCommandLine(int argc, char** argv);

// Why value is refused for option letter, or empty when it is acceptable.
std::string optionValueProblem(char letter, const char* value);

// Acts on the check: help or version on standard output (status 0), refusals on standard
// error (status 1), warnings on standard error. Returns -1 when the run goes on, otherwise
// the status with which the program ends.
int settleCommandLine(int argc, char** argv);

#endif
