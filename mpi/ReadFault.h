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
    Told,          // the first process holds the message (VarShare::error)
    Deterministic, // a .det file beside the .arm file
    ArmRunTogether, // a number of the .arm file that is not a whole word
    ArmUnderflow,  // a positive rate of the .arm file below the smallest normal double
    ArmTrailing    // words after the last record of the .arm file
};

// Writes the message of a fault of the .arm file or a .det file for base name `base` where the
// one-process solver writes it (standard output or standard error). The .arm file is read again
// as that solver reads it, for its very message, place and reason; `at` (the offset right after
// the number of a fault that names its place) and `states` serve when that reading finds no fault.
void tellReadFault(ReadFault fault, const std::string& base, long long at = 0, int states = 0);

#endif
