// The progress line: its text, its redraw in place and erasure, and that it appears on a
// terminal only, and only on a run that has lasted more than two seconds.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "framework/ProgressLine.h"
#include "tests/support/run_program.h"

namespace {

// What the line wrote into a temporary file.
std::string written(FILE* f)
{
    fflush(f);
    rewind(f);
    std::string text;
    int c;
    while ((c = fgetc(f)) != EOF) text.push_back((char)c);
    return text;
}

}  // namespace

TEST(ProgressLine, StepsShowPositionPercentageAndEstimateAndAreErasedAtTheEnd)
{
    FILE* f = tmpfile();
    ASSERT_NE(f, nullptr);
    size_t before = 0, width = 0;
    {
        ProgressLine line(f, true, 0.0);
        line.step("LU factorisation, column", 0, 8);
        std::string first = written(f);
        EXPECT_TRUE(std::regex_match(
            first, std::regex("\rdss: LU factorisation, column 0 of 8 \\(0%\\), [0-9.]+ s elapsed")))
            << first;
        line.step("LU factorisation, column", 4, 8);  // within 0.2 s of the last draw: none
        EXPECT_EQ(written(f), first);
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        line.step("LU factorisation, column", 4, 8);
        std::string second = written(f).substr(first.size());
        EXPECT_TRUE(std::regex_match(second, std::regex("\rdss: LU factorisation, column 4 of 8 "
                                                        "\\(50%\\), [0-9.]+ s elapsed, about "
                                                        "[0-9.]+ s left")))
            << second;
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        line.count("GMRES iteration", 3);  // shorter: padded over the longer line
        std::string third = written(f).substr(first.size() + second.size());
        EXPECT_EQ(third.size(), second.size());
        EXPECT_EQ(third.find("\rdss: GMRES iteration 3, "), 0u) << third;
        EXPECT_EQ(third.back(), ' ');
        before = first.size() + second.size() + third.size();
        width = third.find_last_not_of(' ');  // the text, without the carriage return and the padding
    }
    // the destructor blanks the line and leaves the cursor at its start
    EXPECT_EQ(written(f).substr(before), "\r" + std::string(width, ' ') + "\r");
    fclose(f);
}

TEST(ProgressLine, NothingIsDrawnWhenNotShownOrBeforeTheDelay)
{
    FILE* f = tmpfile();
    ASSERT_NE(f, nullptr);
    {
        ProgressLine hidden(f, false, 0.0);
        hidden.step("LU factorisation, column", 1, 2);
        hidden.count("GMRES iteration", 1);
        ProgressLine early(f, true, 60.0);
        early.step("LU factorisation, column", 1, 2);
    }
    EXPECT_EQ(written(f), "");
    fclose(f);
}

namespace {

// A run of the bundled M/M/1/5 model whose comments file is a FIFO: the run waits in its
// banner until the FIFO is fed, so the solve starts after a known delay. Standard output and
// standard error are a pseudo-terminal, or standard error goes to errFile.
struct DelayedRun {
    TempDir dir;
    pid_t pid = -1;
    int master = -1;
    std::string errFile;

    explicit DelayedRun(bool errToFile)
    {
        EXPECT_EQ(mkfifo(dir.file("notes").c_str(), 0600), 0);
        errFile = errToFile ? dir.file("err.txt") : "";
        std::vector<std::string> words = {DSS_BINARY, "-P", "p", "-S", "s", "-E", "mm1k", "-G",
                                          std::string(VELMAR_EXAMPLES) + "/", "-s", dir.dir(),
                                          "-o", dir.file("r.txt"), "-Knotes"};
        pid = forkpty(&master, nullptr, nullptr, nullptr);
        if (pid != 0) return;
        if (!errFile.empty()) {
            int fd = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(fd, 2);
        }
        std::vector<char*> argv;
        for (std::string& w : words) argv.push_back(&w[0]);
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }

    // Feeds the FIFO once the program has it open for reading.
    void feed()
    {
        for (int tries = 0; tries < 1000; ++tries) {
            int fd = open(dir.file("notes").c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) {
                EXPECT_EQ(write(fd, "slow start\n", 11), 11);
                close(fd);
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ADD_FAILURE() << "the program never opened its comments file";
    }

    // Everything the terminal received, and the exit status.
    std::string finish(int& status)
    {
        std::string text;
        char buf[4096];
        ssize_t got;
        while ((got = read(master, buf, sizeof buf)) > 0 || (got < 0 && errno == EINTR))
            if (got > 0) text.append(buf, (size_t)got);
        close(master);
        int w = 0;
        waitpid(pid, &w, 0);
        status = WIFEXITED(w) ? WEXITSTATUS(w) : -1;
        return text;
    }
};

}  // namespace

TEST(ProgressLine, ShownOnATerminalAfterTwoSecondsAndNeverWhenStandardErrorIsAFile)
{
    DelayedRun terminal(false), file(true);
    ASSERT_GT(terminal.pid, 0);
    ASSERT_GT(file.pid, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(2300));
    terminal.feed();
    file.feed();
    int status = -1;
    std::string seen = terminal.finish(status);
    EXPECT_EQ(status, 0) << seen;
    EXPECT_TRUE(std::regex_search(
        seen, std::regex("\rdss: LU factorisation, column 0 of 6 \\(0%\\), [0-9.]+ s elapsed")))
        << seen;
    // erased before the run ends: the last thing on the terminal is the blanked line
    EXPECT_TRUE(std::regex_search(seen, std::regex("\r +\r$"))) << seen;
    std::string other = file.finish(status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(other, "");
    EXPECT_EQ(slurp(file.errFile), "");
    EXPECT_NE(slurp(file.dir.file("r.txt")).find("slow start"), std::string::npos);
}
