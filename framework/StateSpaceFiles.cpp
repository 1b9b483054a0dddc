// The names a state space may be read from.
#include "framework/StateSpaceFiles.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

static bool exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

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

std::vector<NamedFile> model_files(const std::string& base)
{
    return {{base + ".arm", "flat"},
            {base + ".tra", "PRISM"},
            {base + ".pexp", "PRISM, one file"},
            {base + ".drn", "DRN"}};
}

std::string model_search_lines(const std::string& base)
{
    std::string lines;
    for (const NamedFile& f : model_files(base)) {
        struct stat st;
        std::string state = stat(f.path.c_str(), &st) == 0 ? "present" : strerror(errno);
        lines += "  " + f.path + " (" + f.role + "): " + state + "\n";
    }
    return lines;
}
