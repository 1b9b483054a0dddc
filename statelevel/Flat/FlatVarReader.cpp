// Reading of the PV names and per-state value pairs from B.var.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unordered_set>

#include "framework/InputError.h"
#include "framework/InputFiles.h"
#include "statelevel/Flat/FlatStateLevel.h"
#include "statelevel/Flat/FlatTokenReader.h"

// Longest PV name: names become parts of plot file names.
static const size_t MAX_PV_NAME = 103;

// Refuses the .var file: it does not have the expected shape.
[[noreturn]] static void varCorrupt()
{
    throw InputError(
        "Error reading performance variable file (.var file) possibly due to corruption.\n",
        InputError::STANDARD_ERROR);
}

// The corruption message with, on the next line, which record number was refused and why.
[[noreturn]] static void varCorruptAt(const std::string& word, int states)
{
    throw InputError(
        "Error reading performance variable file (.var file) possibly due to corruption.\n"
        "The record number " + shown_escaped(word) + " is not a whole number from 1 to " +
            std::to_string(states) + ".\n",
        InputError::STANDARD_ERROR);
}

// Takes the state number of a record: a word of digits alone from 1 to `states`. A word that
// begins as a number and goes on ("1.9", "1x", "+1") is refused with the reason; any other,
// with the corruption message alone.
static void recordNumber(const std::string& w, int states, unsigned long& s)
{
    bool digits = !w.empty();
    for (char c : w) digits = digits && c >= '0' && c <= '9';
    if (!digits) {
        bool numberLike = !w.empty() && ((w[0] >= '0' && w[0] <= '9') || w[0] == '+');
        if (numberLike) varCorruptAt(w, states);
        varCorrupt();
    }
    if (w.size() > 10) varCorrupt();
    s = std::strtoul(w.c_str(), nullptr, 10);
    if (s < 1 || s > (unsigned long)states) varCorrupt();
}

static bool startsWithLetter(const std::string& w)
{
    char c = w.empty() ? '\0' : w[0];
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Refuses a name that could steer a plot file out of the solver directory.
static void checkPVName(const std::string& w)
{
    if (has_control_character(w))
        throw InputError("Error reading performance variable file (.var file): the PV name " +
                             shown_escaped(w) + " holds a control character.\n",
                         InputError::STANDARD_ERROR);
    if (w.size() <= MAX_PV_NAME && w.find_first_of("/\\") == std::string::npos) return;
    throw InputError("Error reading performance variable file (.var file): the PV name " + w +
                         " holds a path separator or is longer than " +
                         std::to_string(MAX_PV_NAME) + " characters.\n",
                     InputError::STANDARD_ERROR);
}

// Refuses a second PV of the same name: its plot files would replace the first one's.
static void checkPVNameIsNew(std::unordered_set<std::string>& seen, const std::string& w)
{
    if (seen.insert(w).second) return;
    throw InputError("Error reading performance variable file (.var file): the PV name " + w +
                         " appears more than once.\n",
                     InputError::STANDARD_ERROR);
}

void FlatStateLevel::readVarFile()
{
    std::string name = base_name + ".var";
    num_pvs = 0;
    require_regular_file(name);
    FlatTokenReader in;
    if (!in.open(name.c_str())) {
        var_failure = "cannot open " + name + ": " + strerror(errno);
        inputWarning("Warning: cannot open " + name + "; the state space has no PV values.");
        return;
    }
    std::string word;
    std::unordered_set<std::string> seen;
    bool more = in.readWord(word);
    while (more && startsWithLetter(word)) {
        checkPVName(word);
        checkPVNameIsNew(seen, word);
        pv_names.push_back(word);
        ++num_pvs;
        more = in.readWord(word);
    }
    var_record.assign(num_states > 0 ? (size_t)num_states : 0, -1);
    var_store.clear();
    pv_column.clear();
    pv_column_index = -1;
    if (!more) {
        inputWarning("Warning: " + name + " holds no state records; every PV value is 0.");
        return;
    }
    int missing = readVarRecords(in, word);
    if (missing > 0 && num_pvs > 0)
        inputWarning("Warning: " + name + " has no record for " + std::to_string(missing) +
                     " of the " + std::to_string(num_states) +
                     " states; their PV values are 0.");
}

// Reads the records "s a b ..." in any state order; a later record of a
// state overwrites an earlier one. The file's first number of a pair is
// the pair's second value. Returns the number of states without a record.
int FlatStateLevel::readVarRecords(FlatTokenReader& in, const std::string& first)
{
    int missing = num_states, records = 0;
    unsigned long s = 0;
    recordNumber(first, num_states, s);
    const size_t width = (size_t)num_pvs;
    for (;;) {
        int& at = var_record[s - 1];
        if (at < 0) {  // the store grows with the records read
            at = records++;
            var_store.resize(var_store.size() + width, PVPair{0.0, 0.0});
            --missing;
        }
        for (size_t p = 0; p < width; ++p) {
            PVPair& pair = var_store[(size_t)at * width + p];
            if (!in.readDouble(pair.second) || !in.readDouble(pair.first)) varCorrupt();
        }
        if (in.atEnd()) return missing;
        // the next record number is a whole word: "1.9" or "1x" is not state 1
        std::string word;
        if (!in.readWord(word)) varCorrupt();
        recordNumber(word, num_states, s);
    }
}

BaseStateLevel::PVPair FlatStateLevel::pvValue(int pv, int s) const
{
    if (s < 0 || (size_t)s >= var_record.size() || var_record[s] < 0) return PVPair{0.0, 0.0};
    return var_store[(size_t)var_record[s] * (size_t)num_pvs + (size_t)pv];
}
