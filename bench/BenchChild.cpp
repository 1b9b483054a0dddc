// Child processes with limits; figures come back through a pipe.
#include "bench/BenchChild.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <new>

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
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        rlimit as{(rlim_t)limits.megabytes << 20, (rlim_t)limits.megabytes << 20};
        setrlimit(RLIMIT_AS, &as);
        alarm((unsigned)limits.seconds);
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
    Figures f;
    // the pipe holds far more than the few reports a run makes, so reading after the wait is safe
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) {
        close(fds[0]);
        result.failed = true;
        return result;
    }
    while (read(fds[0], &f, sizeof f) == (ssize_t)sizeof f) result.figures = f;
    close(fds[0]);
    result.peakKiB = usage.ru_maxrss;
    result.timedOut = WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM;
    result.failed = !result.timedOut &&
                    (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || !result.figures.complete);
    return result;
}
