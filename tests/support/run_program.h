// Runs a program with arguments, capturing its standard output, standard
// error and exit status.
#ifndef VELMAR_TESTS_RUN_PROGRAM_H
#define VELMAR_TESTS_RUN_PROGRAM_H

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/TempDir.h"

struct ProgramResult {
    std::string out;
    std::string err;
    int status = -1;  // exit status, or -1 when the program did not exit normally
};

inline std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs `program` with `args` (argv[1..]) in directory `cwd` (empty: the current one),
// with `env` entries ("NAME=value") added to the environment and, when
// `address_space_limit` is not 0, its address space limited to that many bytes.
// When `file_size_limit` is not 0 no file it writes may grow beyond that many
// bytes: a write past it fails with EFBIG (SIGXFSZ is ignored), as on a full disk.
// A program started by start_program and not yet waited for.
struct StartedProgram {
    pid_t pid = -1;
    std::string outName, errName;
};

// Starts `program` as run_program does (see there) and returns without waiting.
// When `keep_sigxfsz` is true the program meets SIGXFSZ with its own disposition.
inline StartedProgram start_program(const std::string& program, const std::vector<std::string>& args,
                                    const std::string& cwd = "",
                                    const std::vector<std::string>& env = {},
                                    rlim_t address_space_limit = 0, rlim_t file_size_limit = 0,
                                    bool keep_sigxfsz = false)
{
    char outName[] = "/tmp/velmar_outXXXXXX";
    char errName[] = "/tmp/velmar_errXXXXXX";
    int outFd = mkstemp(outName);
    int errFd = mkstemp(errName);
    StartedProgram started;
    started.outName = outName;
    started.errName = errName;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(outFd, 1);
        dup2(errFd, 2);
        int in = open("/dev/null", O_RDONLY);
        dup2(in, 0);
        if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(126);
        for (const std::string& e : env) putenv(const_cast<char*>(e.c_str()));
        if (address_space_limit != 0) {
            struct rlimit limit = {address_space_limit, address_space_limit};
            if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(125);
        }
        if (file_size_limit != 0) {
            struct rlimit limit = {file_size_limit, file_size_limit};
            if (!keep_sigxfsz) signal(SIGXFSZ, SIG_IGN);
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(125);
        }
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(outFd);
    close(errFd);
    started.pid = pid;
    return started;
}

// Waits for a started program and collects what it wrote. `signal` receives the
// signal that ended it, 0 when it exited.
inline ProgramResult finish_program(const StartedProgram& started, int* signal = nullptr)
{
    ProgramResult r;
    int wstatus = 0;
    waitpid(started.pid, &wstatus, 0);
    if (WIFEXITED(wstatus)) r.status = WEXITSTATUS(wstatus);
    if (signal != nullptr) *signal = WIFSIGNALED(wstatus) ? WTERMSIG(wstatus) : 0;
    r.out = slurp(started.outName);
    r.err = slurp(started.errName);
    unlink(started.outName.c_str());
    unlink(started.errName.c_str());
    return r;
}

// Runs `program` with `args` (argv[1..]) in directory `cwd` (empty: the current one),
// with `env` entries ("NAME=value") added to the environment and, when
// `address_space_limit` is not 0, its address space limited to that many bytes.
// When `file_size_limit` is not 0 no file it writes may grow beyond that many
// bytes: a write past it fails with EFBIG (SIGXFSZ is ignored), as on a full disk.
inline ProgramResult run_program(const std::string& program, const std::vector<std::string>& args,
                                 const std::string& cwd = "",
                                 const std::vector<std::string>& env = {},
                                 rlim_t address_space_limit = 0, rlim_t file_size_limit = 0)
{
    return finish_program(
        start_program(program, args, cwd, env, address_space_limit, file_size_limit));
}

#endif
