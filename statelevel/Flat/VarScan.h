// Reading a .var file as both solvers read it: the PV names of its header, then records of a
// state number from 1 to N and two values for each PV. Every fault ends the reading with the
// typed bad-input error: the file's message, then where and why.
#ifndef VELMAR_VARSCAN_H
#define VELMAR_VARSCAN_H

#include <string>
#include <unordered_set>
#include <vector>

#include "statelevel/Flat/FlatTokenReader.h"

class VarScan {
public:
    VarScan(std::string path, int states) : path(std::move(path)), states(states) {}

    // Opens the file; false, with errno set, when it cannot be opened.
    bool open();
    // Reads and checks the PV names; false when no record follows them.
    bool readNames(std::vector<std::string>& names);
    // Reads the number of the next record, a state from 1 to N; false at the end of the file.
    bool nextState(int& state);
    // Reads the two values of PV `pv` in the record of `state`, in file order.
    void readPair(size_t pv, int state, double& a, double& b);
    // Bytes of the file not yet read; -1 when its size is not known.
    long long bytesLeft() const { return in.bytesLeft(); }

private:
    void checkName(const std::string& w);
    // The corruption message, then the place of the word at offset `end` and the reason.
    [[noreturn]] void corrupt(long long end, const std::string& reason, bool fileEnded = false);

    FlatTokenReader in;
    std::string path;
    int states;
    std::vector<std::string> pvNames;
    std::unordered_set<std::string> seen;
    std::string pending;  // the word that ended the header: the first record's number
    bool started = false;
};

#endif
