// Reading a .arm file record by record, as both solvers read it. Every fault ends the
// reading with the typed bad-input error: the file's message, then where and why.
#ifndef VELMAR_ARMSCAN_H
#define VELMAR_ARMSCAN_H

#include <string>

// What the scan hands on: the header, then each record in file order.
class ArmRecords {
public:
    virtual ~ArmRecords() = default;
    // The header: initial state (from 0) and number of states, both checked.
    virtual void header(int initial, int states) = 0;
    // The record of state `row` (from 0): `count` destinations (from 0) and their rates.
    virtual void record(int row, int count, const int* dest, const double* rate) = 0;
};

// Reads the .arm file at path; throws InputError at the first fault.
void scan_arm_file(const std::string& path, ArmRecords& to);

// The error scan_arm_file throws for the file at path, or false when it reads the file whole.
// The records are read and dropped.
class InputError;
bool arm_file_fault(const std::string& path, InputError& fault);

#endif
