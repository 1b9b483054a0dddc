// Runs one measurement in a child process with a time and memory limit, so that a
// run that overruns can be stopped and each run's peak memory and wall time are its own.
#ifndef VELMAR_BENCH_CHILD_H
#define VELMAR_BENCH_CHILD_H

#include <functional>
#include <string>
#include <vector>

#include "bench/BenchEngines.h"

struct ChildLimits {
    int seconds = 60;
    long megabytes = 8192;
};

// What the parent learns: the child's last reported figures and how it ended.
struct ChildResult {
    Figures figures;
    bool timedOut = false;
    bool failed = false;  // crashed, ran out of memory or reported no completion
    long peakKiB = 0;
    double wall = -1;     // the child's whole life, from the fork to its end
    int exitStatus = -1;  // when it ended by exit
};

// Calls work(report) in a child; report(figures) may be called after every phase.
ChildResult runInChild(const ChildLimits& limits,
                       const std::function<void(const std::function<void(const Figures&)>&)>& work);

// Runs the program args[0] with args in a child, its standard output and error into logPath;
// the figures are left for the caller (complete stays false).
ChildResult runProgram(const ChildLimits& limits, const std::vector<std::string>& args, const std::string& logPath);

#endif
