// Reading of the PV names and per-state value pairs from B.var.
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "framework/InputFiles.h"
#include "statelevel/Flat/FlatStateLevel.h"
#include "statelevel/Flat/VarScan.h"

void FlatStateLevel::readVarFile()
{
    std::string name = base_name + ".var";
    num_pvs = 0;
    require_regular_file(name);
    VarScan in(name, num_states);
    if (!in.open()) {
        var_failure = "cannot open " + name + ": " + strerror(errno);
        inputWarning("Warning: cannot open " + name + "; the state space has no PV values.");
        return;
    }
    bool more = in.readNames(pv_names);
    num_pvs = (int)pv_names.size();
    var_record.assign(num_states > 0 ? (size_t)num_states : 0, -1);
    var_store.clear();
    pv_column.clear();
    pv_column_index = -1;
    if (!more) {
        inputWarning("Warning: " + name + " holds no state records; every PV value is 0.");
        return;
    }
    int missing = readVarRecords(in);
    if (missing > 0 && num_pvs > 0)
        inputWarning("Warning: " + name + " has no record for " + std::to_string(missing) +
                     " of the " + std::to_string(num_states) +
                     " states; their PV values are 0.");
}

// Reads the records "s a b ..." in any state order; a later record of a
// state overwrites an earlier one. The file's first number of a pair is
// the pair's second value. Returns the number of states without a record.
int FlatStateLevel::readVarRecords(VarScan& in)
{
    int missing = num_states, records = 0, s = 0;
    const size_t width = (size_t)num_pvs;
    // the store grows with the records read; it takes at once the room of as many as the rest
    // of the file can hold (a record takes 2 bytes for a blank and its number and 4 a PV at
    // least), never more than one a state
    const long long left = in.bytesLeft();
    if (width > 0 && left >= 0)
        var_store.reserve(
            (size_t)std::min<long long>(num_states, 1 + left / (4 * (long long)width + 2)) * width);
    while (in.nextState(s)) {
        int& at = var_record[s - 1];
        if (at >= 0) {  // a later record of the state
            for (size_t p = 0; p < width; ++p) {
                PVPair& pair = var_store[(size_t)at * width + p];
                in.readPair(p, s, pair.second, pair.first);
            }
            continue;
        }
        for (size_t p = 0; p < width; ++p) {
            PVPair pair{0.0, 0.0};
            in.readPair(p, s, pair.second, pair.first);
            var_store.push_back(pair);
        }
        at = records++;  // once its pairs are stored
        --missing;
    }
    return missing;
}

BaseStateLevel::PVPair FlatStateLevel::pvValue(int pv, int s) const
{
    if (s < 0 || (size_t)s >= var_record.size() || var_record[s] < 0) return PVPair{0.0, 0.0};
    return var_store[(size_t)var_record[s] * (size_t)num_pvs + (size_t)pv];
}
