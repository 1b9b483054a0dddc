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
#include "tests/dss/dss_harness.h"
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

// Standard error on a pseudo-terminal (or a file) for the lifetime of the object; what the
// terminal received is read from its master side.
struct StderrOn {
    int saved = -1, master = -1, slave = -1;
    explicit StderrOn(bool terminal, const std::string& file = "")
    {
        fflush(stderr);
        saved = dup(2);
        if (terminal) {
            EXPECT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
        } else {
            slave = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        }
        dup2(slave, 2);
    }
    // Puts standard error back; returns what the terminal received.
    std::string restore()
    {
        fflush(stderr);
        dup2(saved, 2);
        close(saved);
        close(slave);
        std::string text;
        if (master < 0) return text;
        fcntl(master, F_SETFL, O_NONBLOCK);
        char buf[4096];
        ssize_t got;
        while ((got = read(master, buf, sizeof buf)) > 0) text.append(buf, (size_t)got);
        close(master);
        return text;
    }
};

}  // namespace

TEST(ProgressLine, ASolveDrawsItOnATerminalAndErasesItAndNeverWhenStandardErrorIsAFile)
{
    // the solver decides from standard error itself; the two-second delay is shortened so
    // that a small chain's solve is long enough to show
    Edges e = tandem(12, 12, 1.0, 1.3, 1.1);
    const int n = 13 * 13;
    StderrOn terminal(true);
    {
        DssRun run(n, e);
        run.solver->progressLine.reset(new ProgressLine(stderr, ProgressLine::stderrIsTerminal(), 0.0));
        run.solver->solve();
    }
    std::string seen = terminal.restore();
    EXPECT_TRUE(std::regex_search(seen, std::regex("\rdss: LU factorisation, column 0 of 169 \\(0%\\), "
                                                   "[0-9.]+ s elapsed")))
        << seen;
    EXPECT_TRUE(std::regex_search(seen, std::regex("\r +\r$"))) << seen;  // erased at the end

    TempDir dir;
    StderrOn file(false, dir.file("err.txt"));
    {
        DssRun run(n, e);
        run.solver->progressLine.reset(new ProgressLine(stderr, ProgressLine::stderrIsTerminal(), 0.0));
        run.solver->solve();
    }
    file.restore();
    EXPECT_EQ(slurp(dir.file("err.txt")), "");
}

TEST(ProgressLine, ProgramWritesNothingExtraWhenStandardErrorIsNotATerminal)
{
    TempDir dir;
    ProgramResult r = run_program(DSS_BINARY, {"-P", "p", "-S", "s", "-E", "mm1k", "-G",
                                               std::string(VELMAR_EXAMPLES) + "/", "-s", dir.dir(),
                                               "-o", dir.file("r.txt")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
}
