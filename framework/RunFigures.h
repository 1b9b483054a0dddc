// What the process used and how large the chain was: figures every report states.
#ifndef VELMAR_RUNFIGURES_H
#define VELMAR_RUNFIGURES_H

#include <cstdint>
#include <cstdio>

// Processor time the operating system accounts to this process so far, and its peak memory.
struct ProcessUsage {
    double userSeconds = 0.0;
    double systemSeconds = 0.0;
    long peakKiB = 0;  // largest resident set size
};

ProcessUsage processUsage();

// "States", "Transitions" and "Peak Memory (MiB)" lines of the report.
void writeRunFigures(FILE* out, int states, int64_t transitions, long peakKiB);

#endif
