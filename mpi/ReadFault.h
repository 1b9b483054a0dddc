// The ways reading the state-space files can fail, told on the first process with the
// messages the one-process solver writes, so that every process ends alike.
#ifndef VELMAR_MPI_READFAULT_H
#define VELMAR_MPI_READFAULT_H

#include <string>

enum class ReadFault : int {
    None = 0,
    ArmOpen,       // the .arm file cannot be opened
    ArmCorrupt,    // the .arm file does not have the expected shape
    OneState,      // a state space of one state
    MissingRow,    // a record out of sequence
    VarCorrupt,    // the .var file does not have the expected shape
    VarName,       // a PV name that holds a path separator or is too long
    Deterministic, // a .det file beside the .arm file
    ArmRunTogether, // a number of the .arm file that is not a whole word
    ArmUnderflow,  // a positive rate of the .arm file below the smallest normal double
    ArmTrailing    // words after the last record of the .arm file
};

// Writes the message of fault for base name `base` (and the offending word, if any) where the
// one-process solver writes it (standard output or standard error); `at` is the offset right
// after the number of a fault that names its place.
void tellReadFault(ReadFault fault, const std::string& base, const std::string& word,
                   long long at = 0, int states = 0);

#endif
