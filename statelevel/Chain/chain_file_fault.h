// The one way the readers of other tools' chain files refuse a file they cannot
// load: the typed bad-input error with the message below.
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
    // The place and the reason alone: "F, line L, at "T": R." (no ": R" without a reason).
    std::string place() const;
};

// Throws InputError with fault.message() and a line break, for standard error.
[[noreturn]] void chain_file_fault(const ChainFault& fault);

#endif
