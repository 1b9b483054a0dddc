// Common options, defaults, required options and output streams of a solver.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dss/DSSSolver.h"
#include "framework/BaseStateLevelSolver.h"
#include "tests/support/MemoryStateLevel.h"
#include "tests/support/run_program.h"

namespace {

struct Args {
    std::vector<std::string> words;
    std::vector<char*> ptrs;
    explicit Args(std::vector<std::string> w) : words(std::move(w))
    {
        words.insert(words.begin(), "dss");
        for (std::string& s : words) ptrs.push_back(&s[0]);
        ptrs.push_back(nullptr);
    }
    int argc() const { return (int)words.size(); }
    char** argv() { return ptrs.data(); }
};

}  // namespace

TEST(CommonOptions, DefaultsWhenNothingIsGiven)
{
    Args a({});
    DSSSolver s(nullptr, a.argc(), a.argv());
    EXPECT_EQ(s.verbosity, 0);
    EXPECT_FALSE(s.debugFlag || s.outputFlag || s.stateOccupancyFlag);
    EXPECT_EQ(s.projectName, nullptr);
    EXPECT_TRUE(s.commentsFileName.empty());
    EXPECT_DOUBLE_EQ(s.accuracy, 1e-9);
    EXPECT_DOUBLE_EQ(s.tolerance, 0.001);
    EXPECT_FALSE(s.complementPlot);
    EXPECT_EQ(s.stability, 0);
    EXPECT_EQ(s.searchRows, 0);
    EXPECT_EQ(BaseStateLevelSolver::machine_epsilon, 1.1102230246251565e-16);
}

TEST(CommonOptions, ValuesAndVerbosityForms)
{
    Args a({"-P", "p", "-S", "s", "-E", "e", "-G", "g/", "-s", "/solver/dir/", "-Kcomments.txt",
            "-v4", "-d", "dbg", "-O", "occ", "-o", "results.txt"});
    DSSSolver s(nullptr, a.argc(), a.argv());
    EXPECT_STREQ(s.projectName, "p");
    EXPECT_STREQ(s.solverPath, "/solver/dir/");
    EXPECT_EQ(s.verbosity, 4);
    EXPECT_TRUE(s.debugFlag && s.outputFlag && s.stateOccupancyFlag);
    EXPECT_STREQ(s.csvFileName, "results.csv");
    EXPECT_EQ(s.commentsFileName, "comments.txt");
    // -Kcomments.txt is K's value to every parser: the direct solver no longer reads a c in it
    EXPECT_FALSE(s.complementPlot);

    Args v1({"-v", "3"});
    EXPECT_EQ(DSSSolver(nullptr, v1.argc(), v1.argv()).verbosity, 1);
    Args vBad({"-v4", "-vx"});
    EXPECT_EQ(DSSSolver(nullptr, vBad.argc(), vBad.argv()).verbosity, 4);
}

TEST(CommonOptions, CsvNameNeverCollidesWithTheReport)
{
    EXPECT_EQ(csv_file_name("results.txt"), "results.csv");
    EXPECT_EQ(csv_file_name("run.txt.old"), "run.csv");
    EXPECT_EQ(csv_file_name("results"), "results.csv");
    EXPECT_EQ(csv_file_name("out/r.dat"), "out/r.dat.csv");
}

TEST(DirectOptions, AccuracyToleranceStabilityRowsAndComplement)
{
    Args a({"-a", "6", "-t", "0.5", "-g", "2", "-r", "-1"});
    DSSSolver s(nullptr, a.argc(), a.argv());
    EXPECT_DOUBLE_EQ(s.accuracy, 1e-6);
    EXPECT_DOUBLE_EQ(s.tolerance, 0.5);
    EXPECT_EQ(s.stability, 2);
    EXPECT_EQ(s.searchRows, -1);
    EXPECT_FALSE(s.complementPlot);

    Args c({"-c", "-t", "0.5"});
    DSSSolver sc(nullptr, c.argc(), c.argv());
    EXPECT_TRUE(sc.complementPlot);
    EXPECT_DOUBLE_EQ(sc.tolerance, 0.001);

    Args bad({"-t", "x", "-g", "y", "-r", "z", "-a", "w"});
    DSSSolver sb(nullptr, bad.argc(), bad.argv());
    EXPECT_DOUBLE_EQ(sb.tolerance, 0.001);
    EXPECT_EQ(sb.stability, 0);
    EXPECT_EQ(sb.searchRows, 0);
    EXPECT_DOUBLE_EQ(sb.accuracy, 1e-9);
}

TEST(DirectOptions, PortPowIsAnIntegerPower)
{
    EXPECT_EQ(port_pow(10.0, 0), 1.0);
    EXPECT_EQ(port_pow(10.0, -2), 1.0 / 10.0 / 10.0);
    EXPECT_EQ(port_pow(10.0, 2), 100.0);
    EXPECT_EQ(port_pow(2.0, -3), 0.125);
    Args a({"-a", "0"});
    EXPECT_EQ(DSSSolver(nullptr, a.argc(), a.argv()).accuracy, 1.0);
    Args m({"-a", "-2"});
    EXPECT_EQ(DSSSolver(nullptr, m.argc(), m.argv()).accuracy, 100.0);
}

TEST(SolverStreams, ReportAndCsvFilesAndTheFinishedLine)
{
    TempDir dir;
    MemoryStateLevel level(2, {{0, 1, 1.0}, {1, 0, 1.0}});
    std::string report = dir.file("r.txt");
    Args a({"-P", "p", "-S", "s", "-E", "e", "-G", dir.path + "/", "-s", dir.path + "/", "-o",
            report});
    {
        DSSSolver s(&level, a.argc(), a.argv());
        s.initialize();
        EXPECT_EQ(s.numStates, 2);
        EXPECT_EQ(s.rowSwap, (std::vector<int>{0, 1}));
    }
    std::string text = slurp(report);
    EXPECT_NE(text.find("\nVerbosity: 0\nAccuracy: 1.000000e-09\nTolerance: 1.000000e-03\n"
                        "Stability: 0\nRows: 0\n\n"),
              std::string::npos);
    EXPECT_EQ(text.rfind("Finished: "), text.size() - 26 - 10);
    EXPECT_EQ(text.substr(text.size() - 2), "\n\n");
    EXPECT_TRUE(std::ifstream(dir.file("r.csv")).good());
}
