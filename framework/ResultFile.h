// A results file written whole at the end of the run (the JSON results, the tidy CSV file):
// opened before the solve, so that a name that cannot be written costs no solve, then filled
// with one text and held to take its name with the run's other outputs.
#ifndef VELMAR_RESULTFILE_H
#define VELMAR_RESULTFILE_H

#include <cstdio>
#include <string>

#include "framework/OutputCheck.h"

class ResultFile {
public:
    ResultFile() = default;
    ResultFile(const ResultFile&) = delete;
    ResultFile& operator=(const ResultFile&) = delete;
    // Opened and never written: no file is left.
    ~ResultFile();

    // Opens name as the run's `role` ("JSON results file"); a file that cannot be created ends
    // the run with status 1, naming it and the system's reason.
    void open(const std::string& name, const std::string& role);
    bool isOpen() const { return stream != nullptr; }
    // Writes text, closes the file and holds it for its name; a failed write ends the run
    // with status 1, and no result of the run then takes its name.
    void write(const std::string& text);

private:
    FILE* stream = nullptr;
    OutputSink sink;
    std::string name, role;
};

#endif
