// The numbers of a .arm file as its readers (one process or many) take them: every number is
// a whole word, and a rate is a finite number of at least zero that a double holds as written.
#ifndef VELMAR_ARMNUMBERS_H
#define VELMAR_ARMNUMBERS_H

#include <cfloat>
#include <string>

#include "statelevel/Chain/chain_file_fault.h"
#include "statelevel/Flat/FlatTokenReader.h"
#include "statelevel/RateText.h"

enum class ArmNumber {
    Read,         // read, and may be used
    Corrupt,      // no number of the kind expected: the file's corruption message
    RunTogether,  // a number with characters other than blanks right after it
    Underflow     // a positive rate below the smallest normal double
};

// Reads an int: the initial state, the number of states, a record's number or a destination.
inline ArmNumber read_arm_int(FlatTokenReader& in, int& v)
{
    if (!in.readInt(v)) return ArmNumber::Corrupt;
    return in.atWordEnd() ? ArmNumber::Read : ArmNumber::RunTogether;
}

// Reads a rate (once per transition: the common case stays in line).
inline ArmNumber read_arm_rate(FlatTokenReader& in, double& r)
{
    if (!in.readDouble(r)) return ArmNumber::Corrupt;
    if (!in.atWordEnd()) return ArmNumber::RunTogether;
    if (r >= DBL_MIN && r <= DBL_MAX) return ArmNumber::Read;
    switch (classify_rate(in.lastNumber(), r)) {
    case RateText::Rate: return ArmNumber::Read;
    case RateText::NotRate: return ArmNumber::Corrupt;
    case RateText::Underflow: break;
    }
    return ArmNumber::Underflow;
}

// The line and the whole word of the flat file at path that holds the byte before offset
// `end` (a reader's tell()), or else the first word after it. When the reading found the
// end of the file there (`fileEnded`), no word, and the last line that holds one. No reason yet.
ChainFault word_place(const std::string& path, long long end, bool fileEnded = false);

// Where and why the .arm file at path is refused for a number that was RunTogether or
// Underflow: `end` is the reader's offset right after the number (tell()); the file is read
// again up to there for the line, and the word is shown whole.
ChainFault arm_number_fault(const std::string& path, long long end, ArmNumber fault);

// Where the .arm file at path goes on after the records of its n states: `end` is the
// reader's offset right after the first word past them.
ChainFault arm_trailing_fault(const std::string& path, long long end, int n);

#endif
