// Runs the built dss program on a state space and captures its two output
// streams separately, and writes small state spaces into scratch directories.
#ifndef VELMAR_TESTS_DSSRUN_H
#define VELMAR_TESTS_DSSRUN_H

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

// Private to each test file: other helpers of the suite use the same names.
namespace {

struct DssRun {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A fresh scratch directory, removed with the object.
struct ScratchDir {
    std::filesystem::path path;
    ScratchDir()
    {
        char pattern[] = "/tmp/velmar_flat_XXXXXX";
        path = mkdtemp(pattern);
    }
    ~ScratchDir() { std::filesystem::remove_all(path); }
    std::string dir() const { return path.string() + "/"; }
    void write(const std::string& name, const std::string& text) const
    {
        std::ofstream(path / name, std::ios::binary) << text;
    }
};

// dss -P p -S s -s <scratch>/ -G <dir>/ -E <name>
inline DssRun runDss(const std::string& dir, const std::string& name)
{
    ScratchDir scratch;
    std::string out = scratch.dir() + "stdout", err = scratch.dir() + "stderr";
    std::string cmd = std::string(DSS_BINARY) + " -P p -S s -s " + scratch.dir() + " -G " + dir +
                      " -E " + name + " >" + out + " 2>" + err;
    DssRun run;
    int raw = std::system(cmd.c_str());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = slurp(out);
    run.err = slurp(err);
    return run;
}

inline std::string dataDir() { return std::string(VELMAR_TEST_DATA) + "/statelevel/"; }

}  // namespace

#endif
