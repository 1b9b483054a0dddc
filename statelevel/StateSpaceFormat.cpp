// Choosing and building the state level for a state space's format.
#include "statelevel/StateSpaceFormat.h"

#include <unistd.h>

#include "statelevel/Drn/DrnStateLevel.h"
#include "statelevel/Flat/FlatStateLevel.h"
#include "statelevel/Prism/PrismStateLevel.h"

bool state_space_format_named(const std::string& word, StateSpaceFormat& format)
{
    if (word == "flat") format = StateSpaceFormat::Flat;
    else if (word == "prism") format = StateSpaceFormat::Prism;
    else if (word == "drn") format = StateSpaceFormat::Drn;
    else return false;
    return true;
}

static bool exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

StateSpaceFormat state_space_format_found(const std::string& base)
{
    if (exists(base + ".arm")) return StateSpaceFormat::Flat;
    if (exists(base + ".tra") || exists(base + ".pexp")) return StateSpaceFormat::Prism;
    if (exists(base + ".drn")) return StateSpaceFormat::Drn;
    return StateSpaceFormat::Flat;
}

std::vector<NamedFile> state_space_files(const std::string& base)
{
    std::vector<NamedFile> files = {{base + ".arm", "state-space file"},
                                    {base + ".var", "PV value file"},
                                    {base + ".pvtype", "PV type file"},
                                    {base + ".det", "deterministic-transition file"},
                                    {base + ".tra", "PRISM transition file"},
                                    {base + ".sta", "PRISM state file"},
                                    {base + ".lab", "PRISM label file"},
                                    {base + ".srew", "PRISM state reward file"},
                                    {base + ".trew", "PRISM transition reward file"},
                                    {base + ".pexp", "PRISM explicit model file"},
                                    {base + ".drn", "DRN model file"}};
    for (int k = 1;; ++k) {
        std::string stem = base + std::to_string(k);
        if (!exists(stem + ".srew") && !exists(stem + ".trew")) break;
        files.push_back({stem + ".srew", "PRISM state reward file"});
        files.push_back({stem + ".trew", "PRISM transition reward file"});
    }
    return files;
}

BaseStateLevel* make_state_level(const std::string& base, StateSpaceFormat format)
{
    switch (format) {
    case StateSpaceFormat::Prism: return new PrismStateLevel(base);
    case StateSpaceFormat::Drn: return new DrnStateLevel(base);
    case StateSpaceFormat::Flat: break;
    }
    return new FlatStateLevel(base.c_str());
}
