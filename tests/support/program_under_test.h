// The program that the guard and output tests run. In velmar_tests it is dss; the tests of
// dss-mpi compile the same test files with VELMAR_TEST_UNDER_MPI, and there it is dss-mpi
// under mpiexec on VELMAR_TEST_PROCESSES processes (1 when unset), so that both programs
// are held to the same cases.
#ifndef VELMAR_TESTS_PROGRAM_UNDER_TEST_H
#define VELMAR_TESTS_PROGRAM_UNDER_TEST_H

#include <signal.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/run_program.h"

#ifdef VELMAR_TEST_UNDER_MPI
inline bool under_mpi() { return true; }
inline std::string program_name() { return "dss-mpi"; }

inline int test_processes()
{
    const char* n = std::getenv("VELMAR_TEST_PROCESSES");
    return n != nullptr && std::atoi(n) > 0 ? std::atoi(n) : 1;
}

// mpiexec's words before the program's own; -q keeps mpiexec's notes on a failed job off
// standard error, where the tests read the program's messages whole.
inline std::vector<std::string> mpiexec_words(int processes)
{
    return {"-q", "--allow-run-as-root", "--oversubscribe", "-n", std::to_string(processes), DSS_MPI_BINARY};
}

// Containers often forbid the cross-memory copy Open MPI would try first; Open MPI keeps
// allocations until the process ends, which a sanitizer build's leak checker would count.
// Shared memory (or TCP) between the processes only: no probing of other networks.
inline std::vector<std::string> mpi_environment(std::vector<std::string> env, bool sharedMemory = true)
{
    env.push_back("OMPI_MCA_btl_vader_single_copy_mechanism=none");
    env.push_back(sharedMemory ? "OMPI_MCA_btl=self,vader" : "OMPI_MCA_btl=self,tcp");
    env.push_back("OMPI_MCA_pml=ob1");
    env.push_back("ASAN_OPTIONS=detect_leaks=0");
    return env;
}

// Limits are set by a shell in front of each process, not on mpiexec, whose session files
// a file-size limit would cut; under a file-size limit the processes talk over TCP, as Open
// MPI's shared memory is a file too. Open MPI and PETSc map some 200 MB at their start: an
// address-space limit must leave them that.
inline StartedProgram start_dss(const std::vector<std::string>& args, const std::string& cwd = "",
                                const std::vector<std::string>& env = {}, rlim_t address_space_limit = 0,
                                rlim_t file_size_limit = 0, bool keep_sigxfsz = false)
{
    std::vector<std::string> words = mpiexec_words(test_processes());
    if (address_space_limit != 0 || file_size_limit != 0) {
        std::string limits = keep_sigxfsz ? "" : "trap '' XFSZ; ";
        if (file_size_limit != 0) limits += "ulimit -f " + std::to_string((file_size_limit + 511) / 512) + " && ";
        if (address_space_limit != 0) limits += "ulimit -v " + std::to_string(address_space_limit / 1024) + " && ";
        words.pop_back();  // the program, which the shell runs
        words.insert(words.end(), {"/bin/sh", "-c", limits + "exec \"$0\" \"$@\"", DSS_MPI_BINARY});
    }
    words.insert(words.end(), args.begin(), args.end());
    return start_program(MPIEXEC_BINARY, words, cwd, mpi_environment(env, file_size_limit == 0));
}

// The processes whose parent is `parent`, read from /proc.
inline std::vector<pid_t> children_of(pid_t parent)
{
    std::vector<pid_t> pids;
    for (const auto& e : std::filesystem::directory_iterator("/proc")) {
        std::string name = e.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::string stat = slurp(e.path().string() + "/stat");
        size_t close = stat.rfind(')');
        if (close == std::string::npos) continue;
        std::istringstream rest(stat.substr(close + 2));
        char state;
        long ppid = 0;
        rest >> state >> ppid;
        if (ppid == parent) pids.push_back((pid_t)std::stol(name));
    }
    return pids;
}

// The signal to every process of the run, as a terminal's Ctrl-C sends it to the process
// group (mpiexec itself would end them with SIGTERM).
inline void signal_dss(const StartedProgram& p, int sig)
{
    for (pid_t rank : children_of(p.pid)) kill(rank, sig);
}

// The command line for a shell.
inline std::string dss_shell_command()
{
    std::string command = "OMPI_MCA_btl_vader_single_copy_mechanism=none " + std::string(MPIEXEC_BINARY);
    for (const std::string& w : mpiexec_words(test_processes())) command += " '" + w + "'";
    return command;
}
#else
inline bool under_mpi() { return false; }
inline std::string program_name() { return "dss"; }

inline StartedProgram start_dss(const std::vector<std::string>& args, const std::string& cwd = "",
                                const std::vector<std::string>& env = {}, rlim_t address_space_limit = 0,
                                rlim_t file_size_limit = 0, bool keep_sigxfsz = false)
{
    return start_program(DSS_BINARY, args, cwd, env, address_space_limit, file_size_limit, keep_sigxfsz);
}

inline void signal_dss(const StartedProgram& p, int sig) { kill(p.pid, sig); }

inline std::string dss_shell_command() { return "'" + std::string(DSS_BINARY) + "'"; }
#endif

inline ProgramResult run_dss(const std::vector<std::string>& args, const std::string& cwd = "",
                             const std::vector<std::string>& env = {}, rlim_t address_space_limit = 0,
                             rlim_t file_size_limit = 0)
{
    return finish_program(start_dss(args, cwd, env, address_space_limit, file_size_limit));
}

#endif
