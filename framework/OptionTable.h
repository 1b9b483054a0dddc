// The program's options in one table: each letter with how it takes its value, what the
// value may be, its default, its lines of --help and the programs that take it, and the
// letters each parse of the command line acts on. The parsers' option strings, the value
// checks made before the run and the --help lines after the usage text all come from here.
#ifndef VELMAR_OPTIONTABLE_H
#define VELMAR_OPTIONTABLE_H

#include <string>
#include <vector>

// How an option takes its value, written after the letter in getopt form.
enum class OptionValue {
    None,      // no value: "f"
    Required,  // the rest of the word, or else the next word: "G:"
    Attached,  // only the rest of the word, none when the word ends with the letter: "v::"
};

// What the command-line check asks of a value before anything is read or written.
enum class ValueCheck {
    Any,        // taken as it is; the run itself judges it (names, paths, -m, -F)
    FileName,   // not empty
    Integer,    // a decimal integer, the whole word, from low to high
    Tolerance,  // a finite number not below 0, the whole word
};

// The programs that take an option (bits of OptionSpec::programs).
enum OptionProgram : unsigned { DssProgram = 1u, DssMpiProgram = 2u };

// The parses of the one command line; each acts on its own letters only and steps over the
// others' letters with their values.
enum class OptionParse {
    StateLevel,    // the state-level factory: the base name and the format
    Solver,        // the solver base class: run names, paths, output files, verbosity
    Direct,        // the direct solver's settings and its method
    OutputPlaces,  // the outputs' places, checked before the chain is read
    Names,         // values written into the outputs, checked for control characters
};

inline constexpr OptionParse allOptionParses[] = {OptionParse::StateLevel, OptionParse::Solver,
                                                  OptionParse::Direct, OptionParse::OutputPlaces,
                                                  OptionParse::Names};

struct OptionSpec {
    char letter;
    OptionValue value;
    ValueCheck check;
    long low, high;            // ValueCheck::Integer: the accepted range
    const char* note;          // ValueCheck::Integer: said after the range of a refusal; or null
    const char* valueName;     // the value as the man page and the README call it; null without one
    const char* defaultValue;  // what a run takes without the option, when that is a value
    bool required;             // no run without it
    const char* help;          // its lines of --help after the usage text; null when that text
                               // shows the option as it is
    unsigned programs;         // OptionProgram bits
};

// Every option, in the order of the program's option string.
const std::vector<OptionSpec>& optionTable();

// The row of letter, or null for a letter no option has.
const OptionSpec* findOption(char letter);

// The letters parse acts on, in the order of its option string.
const char* optionParseLetters(OptionParse parse);

// The getopt option string of parse ("G:E:F:" for the state-level factory).
std::string optionString(OptionParse parse);

// The getopt option string of every letter of the program, -h included.
const char* programOptionString();

// The --help lines of program's options that the usage text does not show as they are, in
// the table's order; -h's own line last.
std::string optionHelp(OptionProgram program);

#endif
