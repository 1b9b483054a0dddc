// The .var file, word by word, with the place of every fault.
#include "statelevel/Flat/VarScan.h"

#include <cstdlib>

#include "framework/InputError.h"
#include "statelevel/Flat/ArmNumbers.h"

namespace {

// Longest PV name: names become parts of plot file names.
const size_t MAX_PV_NAME = 103;

const char* const VAR_CORRUPT =
    "Error reading performance variable file (.var file) possibly due to corruption.\n";
const char* const NAME_HEAD = "Error reading performance variable file (.var file): the PV name ";

bool startsWithLetter(const std::string& w)
{
    char c = w.empty() ? '\0' : w[0];
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

bool VarScan::open() { return in.open(path.c_str()); }

// The corruption message and, on the next line, the place of the word read last and why.
void VarScan::corrupt(long long end, const std::string& reason, bool fileEnded)
{
    ChainFault f = word_place(path, end, fileEnded);
    f.reason = reason;
    throw InputError(VAR_CORRUPT + f.place() + "\n", InputError::STANDARD_ERROR);
}

// Refuses a name that could steer a plot file out of the solver directory, that could start
// a line of the report, or that a PV before it has.
void VarScan::checkName(const std::string& w)
{
    std::string why;
    if (has_control_character(w))
        why = shown_escaped(w) + " holds a control character.\n";
    else if (w.size() > MAX_PV_NAME || w.find_first_of("/\\") != std::string::npos)
        why = w + " holds a path separator or is longer than " + std::to_string(MAX_PV_NAME) +
              " characters.\n";
    else if (!seen.insert(w).second)
        why = w + " appears more than once.\n";
    if (why.empty()) return;
    ChainFault f = word_place(path, in.tell());
    f.token.clear();  // shown above
    throw InputError(NAME_HEAD + why + f.place() + "\n", InputError::STANDARD_ERROR);
}

bool VarScan::readNames(std::vector<std::string>& names)
{
    std::string word;
    bool more = in.readWord(word);
    while (more && startsWithLetter(word)) {
        checkName(word);
        names.push_back(word);
        more = in.readWord(word);
    }
    pvNames = names;
    pending = word;
    return more;
}

bool VarScan::nextState(int& state)
{
    // a word of digits alone: "1.9", "1x" or "+1" is not state 1
    long long s = 0;
    if (!started) {
        started = true;
        const std::string& w = pending;
        bool digits = !w.empty() && w.size() <= 10;
        for (char c : w) {
            digits = digits && c >= '0' && c <= '9';
            s = digits ? s * 10 + (c - '0') : 0;
        }
        if (!digits) s = 0;
    } else if (in.atEnd()) {
        return false;
    } else if (!in.readDigits(s) || !in.atWordEnd()) {
        s = 0;
    }
    if (s < 1 || s > (long long)states)
        corrupt(in.tell(), "the record number is not a whole number from 1 to " + std::to_string(states));
    state = (int)s;
    return true;
}

void VarScan::readPair(size_t pv, int state, double& a, double& b)
{
    for (double* v : {&a, &b}) {
        if (in.readDouble(*v) && in.atWordEnd()) continue;
        std::string what = "a value of PV " + pvNames[pv] + " for state " + std::to_string(state);
        long long end = in.tell();
        if (in.atEnd()) corrupt(end, "the file ends where " + what + " was expected", true);
        corrupt(end, "expected " + what + ", a finite number");
    }
}
