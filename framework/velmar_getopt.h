// Option scanning shared by every parser of the one command line.
#ifndef VELMAR_GETOPT_H
#define VELMAR_GETOPT_H

#include <functional>
#include <unistd.h>

// Next option letter found anywhere in argv, or -1 when none is left.
int velmar_getopt(int argc, char** argv, const char* optstring);

// Runs one parse of the command line: acts on each option through `act`
// (letter, value or null) and leaves argv in the order it was received.
void velmar_parse(int argc, char** argv, const char* optstring,
                  const std::function<void(int, const char*)>& act);

#endif
