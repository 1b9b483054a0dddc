// A results file written in one piece.
#include "framework/ResultFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "framework/PendingOutputs.h"
#include "framework/report_functions.h"

ResultFile::~ResultFile()
{
    if (stream == nullptr) return;
    finish_output(stream, &sink);
    if (!sink.temporary.empty()) discard_pending(sink.temporary);
}

void ResultFile::open(const std::string& fileName, const std::string& fileRole)
{
    name = fileName;
    role = fileRole;
    stream = open_output(name.c_str(), &sink);
    if (stream != nullptr) return;
    std::string message = "can't open " + role + " " + name + ": " + strerror(errno);
    fatal_error(stdout, message.c_str());
}

void ResultFile::write(const std::string& text)
{
    if (stream == nullptr) return;
    fputs(text.c_str(), stream);
    int error = finish_output(stream, &sink);
    stream = nullptr;
    if (error == 0) error = commit_output(&sink);
    if (error == 0) return;
    fprintf(stderr, "Error: could not write the %s %s: %s\n", role.c_str(), name.c_str(), strerror(error));
    fflush(stderr);
    // the run's results are not all written: none takes its name (the exit removes them)
    exit(1);
}
