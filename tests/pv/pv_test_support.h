// Shared pieces of the PV output tests: a trivial solver carrying the run's
// names, in-memory streams and file reading.
#ifndef VELMAR_TESTS_PV_SUPPORT_H
#define VELMAR_TESTS_PV_SUPPORT_H

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "framework/BaseStateLevelSolver.h"
#include "tests/support/run_program.h"

// The command line of a test run; built before the solver parses it.
struct TestArgs {
    std::vector<std::string> words;
    std::vector<char*> ptrs;
    explicit TestArgs(const std::string& dir)
        : words{"x", "-P", "p", "-S", "s", "-E", "exp", "-G", "g/", "-s", dir}
    {
        for (auto& w : words) ptrs.push_back(&w[0]);
    }
};

// A solver that only holds the names parsed from its command line.
class NamesOnlySolver : private TestArgs, public BaseStateLevelSolver {
public:
    explicit NamesOnlySolver(const std::string& dir, const char* name = "dss")
        : TestArgs(dir), BaseStateLevelSolver(nullptr, name, (int)ptrs.size(), ptrs.data())
    {
    }
    void solve() override {}
    void ShowCmdLineOptions() override {}
};

// A write stream collected in memory; text() closes it and returns what was written.
struct MemStream {
    char* buf = nullptr;
    size_t len = 0;
    FILE* f = open_memstream(&buf, &len);
    std::string text()
    {
        if (f) fclose(f);
        f = nullptr;
        return buf ? std::string(buf, len) : std::string();
    }
    ~MemStream()
    {
        if (f) fclose(f);
        free(buf);
    }
};

// Whole content of a file; empty when it does not exist.
inline std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline bool file_exists(const std::string& path) { return std::filesystem::exists(path); }

#endif
