// Reading a .arm file record by record, as both solvers read it. Every fault ends the
// reading with the typed bad-input error: the file's message, then where and why.
#ifndef VELMAR_ARMSCAN_H
#define VELMAR_ARMSCAN_H

#include <memory>
#include <string>

// What the scan hands on: the header, then each record in file order. A file read in two
// parts that turns out not to split cleanly is read again from its start: the header then
// comes again and starts the records afresh.
class ArmRecords {
public:
    virtual ~ArmRecords() = default;
    // The header: initial state (from 0) and number of states, both checked.
    virtual void header(int initial, int states) = 0;
    // The record of state `row` (from 0): `count` destinations (from 0) and their rates.
    virtual void record(int row, int count, const int* dest, const double* rate) = 0;
    // Where the records of the file's later part go, read in another thread while the
    // earlier ones come here; none (the default) reads the file in one part.
    virtual std::unique_ptr<ArmRecords> laterRecords() { return nullptr; }
    // Takes in the records `later` holds, which follow the last one given here.
    virtual void joinLater(std::unique_ptr<ArmRecords> later) { (void)later; }
};

// When a file is read in two parts at once: a regular file of at least `from` bytes, its
// later part from the first record that starts at or after byte `at` (-1: after the first
// line end past the middle of the file). Parts that do not meet exactly, any fault in either,
// or a record store that reads in one part only, and the file is read in one part from its
// start: what is taken or refused, and every message, stays that of the reading in one part.
struct ArmSplit {
    long long from = 8ll << 20;
    long long at = -1;
};
// The split every reading of a .arm file uses (tests change it to force one).
ArmSplit& arm_split();

// Reads the .arm file at path; throws InputError at the first fault. True when it was read
// in two parts.
bool scan_arm_file(const std::string& path, ArmRecords& to);

// The error scan_arm_file throws for the file at path, or false when it reads the file whole.
// The records are read and dropped.
class InputError;
bool arm_file_fault(const std::string& path, InputError& fault);

#endif
