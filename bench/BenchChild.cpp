// Child processes with limits; figures come back through a pipe.
#include "bench/BenchChild.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace {

using Clock = std::chrono::steady_clock;

// The limits of a child, set in it before its work.
void limitChild(const ChildLimits& limits)
{
    rlimit as{(rlim_t)limits.megabytes << 20, (rlim_t)limits.megabytes << 20};
    setrlimit(RLIMIT_AS, &as);
    alarm((unsigned)limits.seconds);  // kept across exec
}

// Waits for the child pid started at t0 and fills in how it ended; false when it cannot.
bool awaitChild(pid_t pid, Clock::time_point t0, ChildResult& result)
{
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) {
        result.failed = true;
        return false;
    }
    result.wall = std::chrono::duration<double>(Clock::now() - t0).count();
    result.peakKiB = usage.ru_maxrss;
    result.timedOut = WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM;
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.failed = !result.timedOut && result.exitStatus != 0;
    return true;
}

}  // namespace

ChildResult runInChild(const ChildLimits& limits,
                       const std::function<void(const std::function<void(const Figures&)>&)>& work)
{
    ChildResult result;
    int fds[2];
    if (pipe(fds) != 0) {
        result.failed = true;
        return result;
    }
    fflush(nullptr);
    const auto t0 = Clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        limitChild(limits);
        auto report = [&](const Figures& f) {
            if (write(fds[1], &f, sizeof f) != (ssize_t)sizeof f) _exit(3);
        };
        try {
            work(report);
        } catch (std::bad_alloc&) {
            _exit(2);
        }
        _exit(0);
    }
    close(fds[1]);
    // the pipe holds far more than the few reports a run makes, so reading after the wait is safe
    const bool waited = awaitChild(pid, t0, result);
    Figures f;
    while (waited && read(fds[0], &f, sizeof f) == (ssize_t)sizeof f) result.figures = f;
    close(fds[0]);
    result.failed = result.failed || (!result.timedOut && !result.figures.complete);
    return result;
}

ChildResult runProgram(const ChildLimits& limits, const std::vector<std::string>& args, const std::string& logPath)
{
    ChildResult result;
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    fflush(nullptr);
    const auto t0 = Clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (log >= 0) {
            dup2(log, 1);
            dup2(log, 2);
            close(log);
        }
        limitChild(limits);
        execv(argv[0], argv.data());
        _exit(127);
    }
    awaitChild(pid, t0, result);
    return result;
}
