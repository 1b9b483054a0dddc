// Reading the .var file: the first process reads it in blocks of records and broadcasts each
// block; every process keeps the values of the states it owns. No process holds all values.
#ifndef VELMAR_MPI_VARSHARE_H
#define VELMAR_MPI_VARSHARE_H

#include <mpi.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/InputError.h"
#include "mpi/ReadFault.h"

struct VarShare {
    std::vector<std::string> names;  // on every process
    // values[p][k]: PV p in state first + k (the sum of the record's two numbers; 0 when the
    // file has no record of the state)
    std::vector<std::vector<double>> values;
    ReadFault fault = ReadFault::None;  // the same on every process
    std::shared_ptr<InputError> error;   // of a Told fault, on the first process
};

// Reads path (a missing file warns and leaves no PVs, as the one-process reader does) for the
// states [first, first + count) of this process, numStates in all.
VarShare readVarShared(const std::string& path, int numStates, int first, int count, MPI_Comm comm);

#endif
