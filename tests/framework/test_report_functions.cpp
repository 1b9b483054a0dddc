// The report header, byte for byte, and the ways it reports missing files.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "framework/report_functions.h"
#include "tests/support/run_program.h"

namespace {

// Everything written to a stream by `write`.
template <typename F>
std::string capture(F write)
{
    FILE* f = tmpfile();
    write(f);
    fflush(f);
    rewind(f);
    std::string text;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    fclose(f);
    return text;
}

std::string mask_time(const std::string& text)
{
    return std::regex_replace(text, std::regex("Started: [^\n]*\n"), "Started: <time>\n");
}

std::string banner(const char* ssgPath, const char* experiment, const char* comments)
{
    return mask_time(capture([&](FILE* f) {
        solver_banner("dss", "DIRECT STEADY STATE SOLVER", "RESULTS", "proj", "study", ssgPath,
                      experiment, comments, f);
    }));
}

const std::string STARS(78, '*');

}  // namespace

TEST(Banner, DirectSolverHeaderIsByteExact)
{
    TempDir dir;
    dir.write("exp1.parm", "x 1\ny 2.5\n");
    std::string path = dir.path + "/";
    std::string name = dir.path.substr(dir.path.rfind('/') + 1);
    std::string want =
        "Velmar dss Version 2.5, \n"
        "Copyright (c) 2026 the Velmar developers. Distributed with the Velmar tools.\n\n" +
        STARS + "\n" + std::string(22, ' ') + "Velmar DIRECT STEADY STATE SOLVER \n\n" +
        std::string(21, ' ') + "DIRECT STEADY STATE SOLVER RESULTS\n" + STARS +
        "\n\nStarted: <time>\n\n"
        "Project name: proj\nStudy name: study\nState space name: " +
        name + "\nExperiment name: exp1\n\nx 1\ny 2.5\n";
    EXPECT_EQ(banner(path.c_str(), "exp1", ""), want);
}

TEST(Banner, StateSpaceNameIsTheLastPathComponent)
{
    auto nameOf = [](const char* path) {
        std::string b = banner(path, "e", "");
        size_t at = b.find("State space name: ") + 18;
        return b.substr(at, b.find('\n', at) - at);
    };
    EXPECT_EQ(nameOf("/models/ssg/"), "ssg");
    EXPECT_EQ(nameOf("C:\\work\\ssg\\"), "ssg");
    EXPECT_EQ(nameOf("ssg"), "ssg");
    EXPECT_EQ(nameOf("/"), "");
    EXPECT_EQ(nameOf("a//"), "");
    EXPECT_EQ(nameOf(""), "");
}

TEST(Banner, MissingGlobalsAndCommentsAreReportedInline)
{
    std::string b = banner("/nonexistent/dir/", "exp", "/nonexistent/notes.txt");
    EXPECT_NE(b.find("Experiment name: exp\nComments:\n     Could not open comments file:\n"
                     "     /nonexistent/notes.txt\n\n\n\n"
                     "dss: Could not open file /nonexistent/dir/exp.parm.\n"
                     "Global variable values not available\n"),
              std::string::npos)
        << b;
}

TEST(Banner, WithoutCommentsTheGlobalsFollowAfterOneEmptyLine)
{
    std::string b = banner("/nonexistent/", "exp", "");
    EXPECT_EQ(b.find("Comments:"), std::string::npos);
    EXPECT_NE(b.find("Experiment name: exp\n\ndss: Could not open file"), std::string::npos);
}

TEST(Annotate, LongLinesAreWrittenInPiecesWithTheirOwnPrefix)
{
    TempDir dir;
    std::string line(600, 'x');
    dir.write("c.txt", line + "\nshort\n");
    std::string text = capture([&](FILE* f) { annotate(dir.file("c.txt").c_str(), f); });
    EXPECT_EQ(text, "Comments:\n     " + std::string(511, 'x') + "     " + std::string(89, 'x') +
                        "\n     short\n");
}

TEST(CopyGlobals, CopiesTheFileUnchanged)
{
    TempDir dir;
    std::string body = std::string(200, 'g') + "\n\nlast line without newline";
    dir.write("e.parm", body);
    std::string path = dir.path + "/";
    std::string text =
        capture([&](FILE* f) { copy_globals("dss", "p", path.c_str(), "e", f); });
    EXPECT_EQ(text, "\n" + body);
}

TEST(CenteredTitle, PadsToTheMiddleAndNeverGoesNegative)
{
    EXPECT_EQ(capture([](FILE* f) { print_centered_title("ab", "cd", "ef", f); }),
              std::string(35, ' ') + "ab cd ef\n");
    EXPECT_EQ(capture([](FILE* f) { print_centered_title("", "cd", "", f); }),
              std::string(37, ' ') + "cd \n");
    std::string longTitle(100, 't');
    EXPECT_EQ(capture([&](FILE* f) { print_centered_title("a", longTitle.c_str(), "c", f); }),
              "a " + longTitle + " c\n");
}

TEST(Strings, StrDupCopiesAndKeepsNull)
{
    EXPECT_EQ(strDup(nullptr), nullptr);
    char* copy = strDup("velmar");
    EXPECT_STREQ(copy, "velmar");
    delete[] copy;
    EXPECT_STREQ(getVelmarName(), "Velmar");
    std::string stamp = getAsciiTime();
    EXPECT_EQ(stamp.size(), 25u);
    EXPECT_EQ(stamp.back(), '\n');
}

TEST(FatalError, WritesTheMessageAndEndsWithStatusOne)
{
    EXPECT_EXIT(fatal_error(stderr, "can't open output file"), ::testing::ExitedWithCode(1),
                "can't open output file\nfatal_error: program is being terminated\n");
}
