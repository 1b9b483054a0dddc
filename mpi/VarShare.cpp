// The .var reader: names on the first process, records in broadcast blocks.
#include "mpi/VarShare.h"

#include <cstdio>
#include <memory>

#include "framework/InputError.h"
#include "statelevel/Flat/VarScan.h"

namespace {

const int BLOCK_RECORDS = 1 << 16;

// Sends a list of words from the first process to all.
void broadcastWords(std::vector<std::string>& words, MPI_Comm comm)
{
    std::string joined;
    for (const std::string& w : words) joined += w + '\n';
    long long length = (long long)joined.size();
    MPI_Bcast(&length, 1, MPI_LONG_LONG, 0, comm);
    joined.resize((size_t)length);
    MPI_Bcast(&joined[0], (int)length, MPI_CHAR, 0, comm);
    words.clear();
    size_t at = 0, nl;
    while ((nl = joined.find('\n', at)) != std::string::npos) {
        words.push_back(joined.substr(at, nl - at));
        at = nl + 1;
    }
}

// The first process's reading state between blocks.
struct VarCursor {
    VarCursor(const std::string& path, int states) : in(path, states) {}
    VarScan in;
    bool more = false;  // a record follows
};

// Reads up to BLOCK_RECORDS records into states/values as the one-process reader reads them;
// a fault is kept in v for the first process to tell.
int readBlock(VarCursor& c, int pvs, std::vector<int>& states, std::vector<double>& values, VarShare& v)
{
    states.clear();
    values.clear();
    try {
        int s = 0;
        while (states.size() < (size_t)BLOCK_RECORDS && (c.more = c.in.nextState(s))) {
            states.push_back(s - 1);
            for (int p = 0; p < pvs; ++p) {
                double second = 0.0, first = 0.0;
                c.in.readPair((size_t)p, s, second, first);
                values.push_back(first + second);
            }
        }
    } catch (const InputError& e) {
        v.error = std::make_shared<InputError>(e);
        return (int)ReadFault::Told;
    }
    return 0;
}

// Opens the file and reads the names on the first process; whether records follow.
ReadFault readNames(const std::string& path, VarCursor& c, VarShare& v)
{
    if (!c.in.open()) {
        fprintf(stderr, "Warning: cannot open %s; the state space has no PV values.\n", path.c_str());
        fflush(stderr);
        return ReadFault::None;
    }
    try {
        c.more = c.in.readNames(v.names);
    } catch (const InputError& e) {
        v.error = std::make_shared<InputError>(e);
        return ReadFault::Told;
    }
    if (!c.more) {
        fprintf(stderr, "Warning: %s holds no state records; every PV value is 0.\n", path.c_str());
        fflush(stderr);
    }
    return ReadFault::None;
}

}  // namespace

VarShare readVarShared(const std::string& path, int numStates, int first, int count, MPI_Comm comm)
{
    int rank = 0;
    MPI_Comm_rank(comm, &rank);
    VarShare v;
    VarCursor c(path, numStates);
    int fault = 0, more = 0;
    if (rank == 0) fault = (int)readNames(path, c, v);
    more = c.more ? 1 : 0;
    int head[2] = {fault, more};
    MPI_Bcast(head, 2, MPI_INT, 0, comm);
    v.fault = (ReadFault)head[0];
    if (v.fault != ReadFault::None) return v;
    broadcastWords(v.names, comm);
    const int pvs = (int)v.names.size();
    v.values.assign((size_t)pvs, std::vector<double>((size_t)count, 0.0));
    std::vector<int> states;
    std::vector<double> values;
    for (more = head[1]; more;) {
        int block[3] = {0, 0, 0};
        if (rank == 0) {
            block[0] = readBlock(c, pvs, states, values, v);
            block[1] = (int)states.size();
            block[2] = c.more ? 1 : 0;
        }
        MPI_Bcast(block, 3, MPI_INT, 0, comm);
        if (block[0] != 0) {
            v.fault = (ReadFault)block[0];
            return v;
        }
        states.resize((size_t)block[1]);
        values.resize((size_t)block[1] * (size_t)pvs);
        MPI_Bcast(states.data(), block[1], MPI_INT, 0, comm);
        MPI_Bcast(values.data(), block[1] * pvs, MPI_DOUBLE, 0, comm);
        for (size_t k = 0; k < states.size(); ++k) {
            int s = states[k] - first;
            if (s < 0 || s >= count) continue;
            for (int p = 0; p < pvs; ++p) v.values[(size_t)p][(size_t)s] = values[k * (size_t)pvs + (size_t)p];
        }
        more = block[2];
    }
    return v;
}
