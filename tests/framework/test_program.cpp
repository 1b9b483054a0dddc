// The program as a user runs it: messages, streams and exit statuses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/run_program.h"

namespace {

const std::string USAGE =
    "Options:\n-P <project name>\n-S <study name>\n-E <experiment name>\n"
    "-G <SSG path>: must end with a slash\n-s <solver path>: must end with a slash\n"
    "[-d <debug filename>]\n[-o <output filename>]\n[-v <verbosity level>]\n"
    "[-K <comment filename>]\n[-O <state probability filename>]\n"
    "[-a <# of decimal precision>] [-t <tolerance>] [-c]\n"
    "[-g <stability>] [-r <# of rows to search for pivot>]\n";

const std::string NO_LEVEL = "ERROR: no FlatStateLevel file provided.\n";

// A two-state chain with one PV, written as experiment "two" in dir.
void write_two_state_model(const TempDir& dir)
{
    dir.write("two.arm", "1 2\n1 2 1.0 0\n2 1 3.0 0\n");
    dir.write("two.var", "Up\n1 0 1\n2 0 0\n");
    dir.write("two.pvtype", "Version:1\nNumPV:1\nName:Up\nType:3\nNumTimes:0\n");
}

std::vector<std::string> required(const TempDir& dir)
{
    return {"-P", "p", "-S", "s", "-E", "two", "-G", dir.path + "/", "-s", dir.path + "/"};
}

}  // namespace

TEST(Program, NoArgumentsGiveTheMessageAndTheUsageText)
{
    ProgramResult r = run_program(DSS_BINARY, {});
    EXPECT_EQ(r.out, NO_LEVEL);
    EXPECT_EQ(r.err, "Error: required options missing: -P <project name>, -S <study name>, "
                     "-E <experiment name>, -G <SSG path>, -s <solver path>.\n" + USAGE);
    EXPECT_EQ(r.status, 1);
}

TEST(Program, MissingRequiredOptionIsNamedBeforeTheUsageText)
{
    TempDir dir;
    write_two_state_model(dir);
    std::vector<std::string> args = required(dir);
    args.resize(8);  // drop -s
    ProgramResult r = run_program(DSS_BINARY, args);
    EXPECT_EQ(r.err, "Error: required options missing: -s <solver path>.\n" + USAGE);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out.find("Finished:"), std::string::npos);
}

TEST(Program, EmptyPathAndExperimentEndCleanlyWithStatusOne)
{
    TempDir dir;
    ProgramResult r = run_program(DSS_BINARY, {"-P", "p", "-S", "s", "-E", "", "-G", "", "-s",
                                               dir.path + "/", "-o", dir.file("r.txt")});
    EXPECT_EQ(r.out, NO_LEVEL);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(std::ifstream(dir.file("r.txt")).good());
}

TEST(Program, UncreatableOutputFilesEndWithStatusOne)
{
    TempDir dir;
    write_two_state_model(dir);
    struct Case {
        std::string option, role;
    };
    // found before the chain is read, with the option, the path and the reason
    for (const Case& c : {Case{"-o", "report file"}, Case{"-d", "debug file"},
                          Case{"-O", "state probability file"}}) {
        std::vector<std::string> args = required(dir);
        args.push_back(c.option);
        args.push_back(dir.path + "/missing/dir/file.txt");
        ProgramResult r = run_program(DSS_BINARY, args);
        EXPECT_EQ(r.err, "Error: " + c.option + " " + dir.path + "/missing/dir/file.txt: the " +
                             c.role + " cannot be written: the directory " + dir.path +
                             "/missing/dir: No such file or directory; nothing was written.\n")
            << c.option;
        EXPECT_EQ(r.out, "") << c.option;
        EXPECT_EQ(r.status, 1) << c.option;
    }
}

TEST(Program, DebugFileFailureCreatesNoReportFiles)
{
    TempDir dir;
    write_two_state_model(dir);
    std::vector<std::string> args = required(dir);
    for (std::string a : {"-d", "/nonexistent/dbg.txt", "-o"}) args.push_back(a);
    args.push_back(dir.file("r.txt"));
    ProgramResult r = run_program(DSS_BINARY, args);
    EXPECT_EQ(r.err, "Error: -d /nonexistent/dbg.txt: the debug file cannot be written: the "
                     "directory /nonexistent: No such file or directory; nothing was written.\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(std::ifstream(dir.file("r.txt")).good());
    EXPECT_FALSE(std::ifstream(dir.file("r.csv")).good());
}

TEST(Program, ReportWithoutExtensionGetsItsOwnCsvFile)
{
    TempDir dir;
    write_two_state_model(dir);
    std::vector<std::string> args = required(dir);
    args.push_back("-o");
    args.push_back(dir.file("results"));
    ProgramResult r = run_program(DSS_BINARY, args);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    std::string report = slurp(dir.file("results"));
    EXPECT_EQ(report.find("Velmar dss Version 2.5, \n"), 0u);
    EXPECT_NE(report.find("Finished: "), std::string::npos);
    EXPECT_TRUE(std::ifstream(dir.file("results.csv")).good());
}

TEST(Program, EnvironmentDoesNotChangeTheCommandLine)
{
    TempDir dir;
    write_two_state_model(dir);
    std::vector<std::string> args = {"word", "-P", "p", "-S", "s", "-E", "two", "-G",
                                     dir.path + "/", "-s", dir.path + "/", "-o",
                                     dir.file("r.txt")};
    ProgramResult plain = run_program(DSS_BINARY, args);
    ProgramResult posix = run_program(DSS_BINARY, args, "", {"POSIXLY_CORRECT=1"});
    EXPECT_EQ(plain.status, 0) << plain.out << plain.err;
    EXPECT_EQ(posix.status, plain.status);
    EXPECT_EQ(posix.out, plain.out);
    EXPECT_EQ(posix.err, plain.err);
}
