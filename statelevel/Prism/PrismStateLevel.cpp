// Gathering the PRISM files of one chain.
#include "statelevel/Prism/PrismStateLevel.h"

#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <set>

#include "statelevel/Prism/PrismReaders.h"

static bool exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// Names a numbered reward file past the gap where the numbering stopped, at
// `next`: such a file is not read, and the run says so.
static void warnPastTheGap(const std::string& base, int next, ChainModel& model)
{
    namespace fs = std::filesystem;
    fs::path stem(base);
    std::string prefix = stem.filename().string();
    fs::path dir = stem.has_parent_path() ? stem.parent_path() : fs::path(".");
    std::error_code failed;
    std::set<std::string> left;
    for (fs::directory_iterator e(dir, failed), end; !failed && e != end; e.increment(failed)) {
        std::string name = e->path().filename().string();
        if (name.size() < prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0)
            continue;
        std::string ext = name.substr(name.size() - 5);
        std::string digits = name.substr(prefix.size(), name.size() - prefix.size() - 5);
        if (ext != ".srew" && ext != ".trew") continue;
        bool numbered = !digits.empty() && digits[0] != '0';
        for (char c : digits) numbered = numbered && std::isdigit((unsigned char)c);
        if (numbered && std::stol(digits) > next) left.insert(name);
    }
    for (const std::string& name : left)
        model.warnings.push_back("Warning: " + base.substr(0, base.size() - prefix.size()) + name +
                                 " is not read: there is no " +
                                 base + std::to_string(next) + ".srew or " + base +
                                 std::to_string(next) + ".trew, where the numbered reward files stop.");
}

ChainModel read_prism_model(const std::string& base)
{
    if (!exists(base + ".tra") && exists(base + ".pexp")) return read_prism_pexp(base + ".pexp");
    ChainModel model;
    read_prism_tra(base + ".tra", model);
    if (exists(base + ".pexp"))
        model.warnings.push_back("Warning: " + base + ".pexp is not read: " + base +
                                 ".tra and the files beside it are.");
    read_prism_sta(base + ".sta", model);
    read_prism_lab(base + ".lab", model);
    read_prism_reward(base + ".srew", base + ".trew", "reward", model);
    // several reward structures come as B1.srew and B1.trew, B2.srew and B2.trew, ...
    int k = 1;
    for (;; ++k) {
        std::string stem = base + std::to_string(k);
        if (!exists(stem + ".srew") && !exists(stem + ".trew")) break;
        read_prism_reward(stem + ".srew", stem + ".trew", "reward" + std::to_string(k), model);
    }
    warnPastTheGap(base, k, model);
    return model;
}
