// Reading of the PV names and per-state value pairs from B.var.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "statelevel/Flat/FlatStateLevel.h"
#include "statelevel/Flat/FlatTokenReader.h"
#include "statelevel/Flat/flat_file_exit.h"

// Longest PV name: names become parts of plot file names.
static const size_t MAX_PV_NAME = 103;

// Ends the run: the .var file does not have the expected shape.
[[noreturn]] static void varCorrupt()
{
    fprintf(stderr,
            "Error reading performance variable file (.var file) possibly due to corruption.\n");
    fflush(stderr);
    flat_file_exit(1);
}

static bool startsWithLetter(const std::string& w)
{
    char c = w.empty() ? '\0' : w[0];
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Refuses a name that could steer a plot file out of the solver directory.
static void checkPVName(const std::string& w)
{
    if (w.size() <= MAX_PV_NAME && w.find_first_of("/\\") == std::string::npos) return;
    fprintf(stderr,
            "Error reading performance variable file (.var file): the PV name %s holds a "
            "path separator or is longer than %zu characters.\n",
            w.c_str(), MAX_PV_NAME);
    fflush(stderr);
    flat_file_exit(1);
}

void FlatStateLevel::readVarFile()
{
    std::string name = base_name + ".var";
    num_pvs = 0;
    FlatTokenReader in;
    if (!in.open(name.c_str())) {
        fprintf(stderr, "Warning: cannot open %s; the state space has no PV values.\n",
                name.c_str());
        fflush(stderr);
        return;
    }
    std::string word;
    bool more = in.readWord(word);
    while (more && startsWithLetter(word)) {
        checkPVName(word);
        pv_names.push_back(word);
        ++num_pvs;
        more = in.readWord(word);
    }
    pv_values.assign(num_pvs, std::vector<PVPair>(num_states, PVPair{0.0, 0.0}));
    if (!more) {
        fprintf(stderr, "Warning: %s holds no state records; every PV value is 0.\n",
                name.c_str());
        fflush(stderr);
        return;
    }
    readVarRecords(in, word);
}

// Reads the records "s a b ..." in any state order; a later record of a
// state overwrites an earlier one. The file's first number of a pair is
// the pair's second value.
void FlatStateLevel::readVarRecords(FlatTokenReader& in, const std::string& first)
{
    unsigned long s = 0;
    if (sscanf(first.c_str(), "%lu", &s) != 1) varCorrupt();
    for (;;) {
        if (s < 1 || s > (unsigned long)num_states) varCorrupt();
        for (int p = 0; p < num_pvs; ++p) {
            PVPair& pair = pv_values[p][s - 1];
            if (!in.readDouble(pair.second) || !in.readDouble(pair.first)) varCorrupt();
        }
        if (in.atEnd()) return;
        int next = 0;
        if (!in.readInt(next) || next < 1) varCorrupt();
        s = (unsigned long)next;
    }
}
