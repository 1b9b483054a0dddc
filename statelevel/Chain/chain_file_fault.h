// The one way the readers of other tools' chain files end the run on a file
// they cannot load: it writes the message and ends the process with status 1.
// A fuzzing build links its own definition that returns to the harness.
#ifndef VELMAR_CHAIN_FILE_FAULT_H
#define VELMAR_CHAIN_FILE_FAULT_H

#include <string>

// Where and why a chain file was refused. line 0: the file as a whole;
// an empty token: the line as a whole (or the end of the file).
struct ChainFault {
    std::string file;
    long line = 0;
    std::string token;
    std::string reason;

    // "Error reading state space file F, line L, at "T": R." with the parts
    // that are known; a long or unprintable token is shown shortened.
    std::string message() const;
};

// Writes fault.message() and a line break to standard error, ends with status 1.
[[noreturn]] void chain_file_fault(const ChainFault& fault);

#endif
