// Runs one measurement in a child process with a time and memory limit, so that a
// run that overruns can be stopped and each run's peak memory is its own.
#ifndef VELMAR_BENCH_CHILD_H
#define VELMAR_BENCH_CHILD_H

#include <functional>

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
};

// Calls work(report) in a child; report(figures) may be called after every phase.
ChildResult runInChild(const ChildLimits& limits,
                       const std::function<void(const std::function<void(const Figures&)>&)>& work);

#endif
