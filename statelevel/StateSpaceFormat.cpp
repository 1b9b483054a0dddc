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

std::string unknown_format_text(const std::string& word)
{
    return "Unknown state space format \"" + word + "\" after -F: give flat, prism or drn.";
}

static bool exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

StateSpaceFormat state_space_format_found(const std::string& base)
{
    if (exists(base + ".arm")) return StateSpaceFormat::Flat;
    if (exists(base + ".tra") || exists(base + ".pexp")) return StateSpaceFormat::Prism;
    if (exists(base + ".drn")) return StateSpaceFormat::Drn;
    return StateSpaceFormat::Flat;
}

bool state_space_format_present(const std::string& base)
{
    if (exists(base + ".det")) return true;  // the flat level refuses it before the .arm file
    for (const NamedFile& f : model_files(base))
        if (exists(f.path)) return true;
    return false;
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
