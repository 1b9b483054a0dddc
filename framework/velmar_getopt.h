// Option scanning shared by every parser of the one command line.
#ifndef VELMAR_GETOPT_H
#define VELMAR_GETOPT_H

#include <functional>
#include <unistd.h>

#include "framework/OptionTable.h"

// Each parse scans with every letter of the program (programOptionString, a letter followed by
// ':' takes a value attached or the next word, one followed by '::' only an attached one), so
// that another parser's value is never read as letters.

// 0 when letter takes no value (or is unknown), 1 when it takes one, 2 when only attached.
int velmar_option_arity(char letter);

// Next option letter found anywhere in argv, or -1 when none is left.
int velmar_getopt(int argc, char** argv, const char* optstring);

// Runs one parse of the command line: acts on each of optstring's own letters through `act`
// (letter, value or null), passes over every other letter of the program together with its
// value, and leaves argv in the order it was received.
void velmar_parse(int argc, char** argv, const char* optstring,
                  const std::function<void(int, const char*)>& act);

// The same with the option string of one of the program's parses.
void velmar_parse(int argc, char** argv, OptionParse parse,
                  const std::function<void(int, const char*)>& act);

#endif
