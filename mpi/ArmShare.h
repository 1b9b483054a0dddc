// Reading the .arm file in parallel: each process parses the records that start in its
// share of the file's bytes, so that no process ever holds the whole chain.
#ifndef VELMAR_MPI_ARMSHARE_H
#define VELMAR_MPI_ARMSHARE_H

#include <mpi.h>

#include <cstdint>
#include <string>
#include <vector>

#include "mpi/ReadFault.h"

// The records of consecutive states [first, first + count) one process read: the rates out of
// state first + k are dest/rate[start[k] .. start[k+1]) (destinations from 0, as in the file
// less one; self-loops and repeats kept as written).
struct ArmShare {
    int numStates = 0;
    int initialState = 0;  // from 0
    int first = 0;         // from 0
    int count = 0;
    std::vector<int64_t> start{0};
    std::vector<int> dest;
    std::vector<double> rate;
    ReadFault fault = ReadFault::None;  // the same on every process
    long long faultAt = 0;              // for a fault that names its place: the offset after the number
};

// Reads path on every process of comm: the header on the first, the records in shares split at
// record boundaries (a share starts at a line start; a share whose start turns out to fall inside
// a record is parsed again from where the previous share's last record ended).
ArmShare readArmShared(const std::string& path, MPI_Comm comm);

#endif
