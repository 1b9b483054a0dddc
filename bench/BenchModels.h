// The benchmark's models: flat state-space files generated into a directory.
#ifndef VELMAR_BENCH_MODELS_H
#define VELMAR_BENCH_MODELS_H

#include <string>
#include <vector>

struct BenchModel {
    std::string name;                // also the experiment name E of the files
    std::vector<std::string> ssgen;  // ssgen arguments before the base name; empty for kanban
    int kanbanTokens = 0;            // kanban model with this many cards per cell
    bool large = false;              // left out by --quick
};

// The models of a full run, smallest first.
std::vector<BenchModel> benchModels();
// Writes dir/name.arm, .var, .pvtype and .parm; false when that fails.
bool generateModel(const BenchModel& m, const std::string& dir);
// Four-cell kanban line, N cards per cell, written as flat files at base; false on failure.
bool writeKanban(int N, const std::string& base);

#endif
