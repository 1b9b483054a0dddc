// A model on disk in any format the program reads: its state level, the chain and PVs it
// holds, and the evaluation of its steady-state PVs on a vector.
#ifndef VELMAR_PYTHON_MODELRUN_H
#define VELMAR_PYTHON_MODELRUN_H

#include <memory>
#include <string>
#include <vector>

#include "framework/JsonResults.h"
#include "statelevel/BaseStateLevel.h"

// The state level of the model at path: a base name, or one of its files (its extension is
// then dropped); format "flat", "prism" or "drn", or empty to find it from the files present.
// Throws InputError with the program's message for a file it cannot use, and
// std::invalid_argument for an unknown format.
std::unique_ptr<BaseStateLevel> openModel(const std::string& path, const std::string& format);

// The format of a model's files, as -F names it.
std::string modelFormatName(const std::string& path, const std::string& format);

// One PV of a model: its values per state, and whether the program evaluates it in steady
// state (a flat model's PV type file may give it another kind) and whether it marks a label.
struct ModelPV {
    std::string name;
    std::vector<double> values;
    bool steadyState = true;
    bool label = false;
};

// Every PV of the level with its values per state.
std::vector<ModelPV> modelPVs(BaseStateLevel& level);

// The steady-state PVs of the level evaluated on pi, as the program's results state them.
std::vector<PVResult> evaluateModel(BaseStateLevel& level, const std::vector<double>& pi);

#endif
