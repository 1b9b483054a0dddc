// Parallel .arm reading: line-start split, parse, then a walk over every share's bounds that
// confirms each share against the previous one and re-parses the shares that were misplaced.
#include "mpi/ArmShare.h"

#include <cstdio>

#include "statelevel/Flat/ArmNumbers.h"
#include "statelevel/Flat/FlatTokenReader.h"

namespace {

// What one process's parse of its share found, exchanged between all processes.
struct ShareBounds {
    long long start = 0;  // offset of the first token at or after the share's start
    long long end = 0;    // offset of the first token after the last record parsed
    long long first = 0;  // number of the first record parsed (from 1), 0 for none
    long long last = 0;   // number of the last record parsed
    long long fault = 0;  // ReadFault met inside the share, after its first record number
    long long faultAt = 0;  // for the faults that name their place: the offset after the number
};

// The header on the first process: initial state, number of states and the body's offset.
struct ArmHeader {
    long long initial = 0, n = 0, body = 0, size = 0, fault = 0, faultAt = 0;
};

// The fault of a number that was not Read (ArmNumber::Read gives ReadFault::None).
ReadFault faultOf(ArmNumber got)
{
    switch (got) {
    case ArmNumber::Read: return ReadFault::None;
    case ArmNumber::Corrupt: return ReadFault::ArmCorrupt;
    case ArmNumber::RunTogether: return ReadFault::ArmRunTogether;
    case ArmNumber::Underflow: return ReadFault::ArmUnderflow;
    }
    return ReadFault::ArmCorrupt;
}

// Reads and checks the header "initial N" as the one-process reader does.
ArmHeader readHeader(const std::string& path)
{
    ArmHeader h;
    FlatTokenReader in;
    if (!in.open(path.c_str())) {
        h.fault = (long long)ReadFault::ArmOpen;
        return h;
    }
    int initial = 0, n = 0;
    for (int* v : {&initial, &n}) {
        ReadFault f = faultOf(read_arm_int(in, *v));
        if (f != ReadFault::None) {
            h.fault = (long long)f;
            h.faultAt = in.tell();
            return h;
        }
    }
    h.initial = initial - 1;
    h.n = n;
    long long left = in.bytesLeft();
    if (n == 1) h.fault = (long long)ReadFault::OneState;
    else if (n <= 0) h.fault = (long long)ReadFault::ArmCorrupt;
    else if (left >= 0 && (long long)n > left / 4) h.fault = (long long)ReadFault::ArmCorrupt;
    else if (left < 0) h.fault = (long long)ReadFault::ArmOpen;  // shares need a regular file
    h.body = in.tell();
    h.size = h.body + (left < 0 ? 0 : left);
    return h;
}

// Offset of the first line start at or after `at` (the file's size when there is none).
long long lineStartFrom(const std::string& path, long long at, long long body, long long size)
{
    if (at <= body) return body;
    FILE* f = fopen(path.c_str(), "rb");
    if (f == nullptr || fseeko(f, (off_t)(at - 1), SEEK_SET) != 0) {
        if (f) fclose(f);
        return size;
    }
    long long p = at - 1;
    int c;
    while ((c = fgetc(f)) != EOF && c != '\n') ++p;
    fclose(f);
    return c == EOF ? size : p + 1;
}

// Parses one record's pairs after its number; the fault of a malformed pair, or None.
ReadFault parsePairs(FlatTokenReader& in, int n, ArmShare& share)
{
    int count = 0;
    for (;;) {
        int j = 0;
        double r = 0.0;
        ReadFault f = faultOf(read_arm_int(in, j));
        if (f != ReadFault::None) return f;
        if (j == 0) return ReadFault::None;
        if (j < 0 || j > n || count == n) return ReadFault::ArmCorrupt;
        f = faultOf(read_arm_rate(in, r));
        if (f != ReadFault::None) return f;
        share.dest.push_back(j - 1);
        share.rate.push_back(r);
        ++count;
    }
}

// Parses the records that start in [from, regionEnd) into share; stops after record n.
ShareBounds parseShare(const std::string& path, long long from, long long regionEnd, int n,
                       ArmShare& share)
{
    ShareBounds b;
    share.start.assign(1, 0);
    share.dest.clear();
    share.rate.clear();
    FlatTokenReader in;
    if (!in.open(path.c_str()) || !in.seek(from)) {
        b.fault = (long long)ReadFault::ArmOpen;
        return b;
    }
    in.atEnd();
    b.start = in.tell();
    while (!in.atEnd() && in.tell() < regionEnd && b.last != n) {
        int number = 0;
        ReadFault f = faultOf(read_arm_int(in, number));
        if (f != ReadFault::None) {
            b.fault = (long long)f;
            b.faultAt = in.tell();
            break;
        }
        if (b.first != 0 && number != b.last + 1) {
            b.fault = (long long)ReadFault::MissingRow;
            break;
        }
        if (b.first == 0) b.first = number;
        f = parsePairs(in, n, share);
        if (f != ReadFault::None) {
            b.fault = (long long)f;
            b.faultAt = in.tell();
            break;
        }
        b.last = number;
        share.start.push_back((int64_t)share.dest.size());
    }
    in.atEnd();
    b.end = in.tell();
    return b;
}

// Outcome of one walk over the gathered bounds.
struct Walk {
    int redo = -1;              // the share to parse again, -1 when every share is settled
    long long redoFrom = 0;     // from where
    ReadFault fault = ReadFault::None;
    long long faultAt = 0;
    std::vector<char> used;     // shares whose records belong to the chain
};

// Settles the shares in file order: a share is placed right when it starts where the previous
// one's last record ended; the first fault in file order is the file's fault.
Walk walkShares(const std::vector<ShareBounds>& all, int n, long long size)
{
    Walk w;
    w.used.assign(all.size(), 0);
    long long prevEnd = -1, prevLast = 0;
    for (size_t r = 0; r < all.size(); ++r) {
        const ShareBounds& b = all[r];
        if (r > 0 && b.start != prevEnd) {
            w.redo = (int)r;
            w.redoFrom = prevEnd;
            return w;
        }
        if (b.first != 0 && b.first != prevLast + 1) {
            w.fault = ReadFault::MissingRow;
            return w;
        }
        if (b.fault != 0) {
            w.fault = (ReadFault)b.fault;
            w.faultAt = b.faultAt;
            return w;
        }
        w.used[r] = b.first != 0;
        if (b.first != 0) prevLast = b.last;
        prevEnd = b.end;
        if (prevLast == n) {
            // a word after the last record: a record past n, or junk
            if (b.end < size) {
                w.fault = ReadFault::ArmTrailing;
                w.faultAt = b.end + 1;
            }
            return w;
        }
    }
    w.fault = ReadFault::ArmCorrupt;  // the file ended before record n
    return w;
}

// Gathers every process's bounds.
std::vector<ShareBounds> gatherBounds(const ShareBounds& mine, MPI_Comm comm)
{
    int size = 1;
    MPI_Comm_size(comm, &size);
    std::vector<ShareBounds> all((size_t)size);
    const int fields = (int)(sizeof mine / sizeof(long long));
    MPI_Allgather(&mine, fields, MPI_LONG_LONG, all.data(), fields, MPI_LONG_LONG, comm);
    return all;
}

}  // namespace

ArmShare readArmShared(const std::string& path, MPI_Comm comm)
{
    int rank = 0, size = 1;
    MPI_Comm_rank(comm, &rank);
    MPI_Comm_size(comm, &size);
    ArmHeader h;
    if (rank == 0) h = readHeader(path);
    MPI_Bcast(&h, (int)(sizeof h / sizeof(long long)), MPI_LONG_LONG, 0, comm);
    ArmShare share;
    share.fault = (ReadFault)h.fault;
    share.faultAt = h.faultAt;
    if (share.fault != ReadFault::None) return share;
    share.numStates = (int)h.n;
    share.initialState = (int)h.initial;
    const long long length = h.size - h.body;
    auto nominal = [&](int r) { return h.body + (long long)((double)length * r / size); };
    const long long from = lineStartFrom(path, nominal(rank), h.body, h.size);
    const long long regionEnd = rank + 1 < size ? lineStartFrom(path, nominal(rank + 1), h.body, h.size) : h.size;
    ShareBounds mine = parseShare(path, from, regionEnd, share.numStates, share);
    for (;;) {
        std::vector<ShareBounds> all = gatherBounds(mine, comm);
        Walk w = walkShares(all, share.numStates, h.size);
        if (w.redo < 0) {
            share.fault = w.fault;
            share.faultAt = w.faultAt;
            if (share.fault == ReadFault::None && w.used[(size_t)rank]) {
                share.first = (int)mine.first - 1;
                share.count = (int)(mine.last - mine.first + 1);
            }
            if (share.count == 0) share = ArmShare{share.numStates, share.initialState, 0, 0, {0}, {}, {}, share.fault, share.faultAt};
            return share;
        }
        if (rank == w.redo) mine = parseShare(path, w.redoFrom, regionEnd, share.numStates, share);
    }
}
