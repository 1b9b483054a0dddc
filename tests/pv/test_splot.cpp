// The ".splot" writer: byte-exact file, the X interval and the failure exits.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sys/stat.h>

#include "pv/splot.h"
#include "tests/pv/pv_test_support.h"

TEST(SplotXInterval, StepsOfOneTwoAndAHalfAndFive)
{
    EXPECT_EQ(splot_x_interval(0.5), 1);
    EXPECT_EQ(splot_x_interval(14.9), 1);  // t = 1
    EXPECT_EQ(splot_x_interval(15), 5);    // t = 2
    EXPECT_EQ(splot_x_interval(100), 10);
    EXPECT_EQ(splot_x_interval(105), 25);
    EXPECT_EQ(splot_x_interval(300), 50);
    EXPECT_EQ(splot_x_interval(2000), 250);
    EXPECT_EQ(splot_x_interval(4994), 500);
    EXPECT_EQ(splot_x_interval(4995), 500);   // t = 500 exactly
    EXPECT_EQ(splot_x_interval(5005), 1000);
}

// The search ends, with an interval the "%d" field can carry, for any largest value.
TEST(SplotXInterval, EndsForEveryLargestValue)
{
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(splot_x_interval(-14.9), 1);
    EXPECT_EQ(splot_x_interval(-15), 1);
    EXPECT_EQ(splot_x_interval(-1e300), 1);
    EXPECT_EQ(splot_x_interval(-inf), 1);
    EXPECT_EQ(splot_x_interval(std::nan("")), 1);
    EXPECT_EQ(splot_x_interval(1e10), 1000000000);  // t = 1e9, the last step
    EXPECT_EQ(splot_x_interval(4.3e10), 1000000000);  // beyond a 32-bit unsigned count
    EXPECT_EQ(splot_x_interval(1e300), 1000000000);
    EXPECT_EQ(splot_x_interval(inf), 1000000000);
}

TEST(WriteSplotFile, TimeLineOnlyForNonNegativeTimesAndFullPrecisionPoints)
{
    TempDir dir;
    NamesOnlySolver solver(dir.dir());
    std::string path = dir.dir() + "t.splot";
    double x[] = {0.1, 1e20 / 3}, y[] = {1.0 / 3, 1};
    char title[] = "T", name[] = "Q";
    writeSplotFile(&path[0], title, &solver, name, 0.0, 2.5, 0.25, 2, x, y, stdout);
    std::string text = read_file(path);
    EXPECT_NE(text.find(";at time 0\n"), std::string::npos);
    EXPECT_NE(text.find("Variable name: Q\nTime: 0.000000\nMean: 2.500000\n"), std::string::npos);
    EXPECT_NE(text.find("New Points\n0.1, 0.333333333333333\n3.33333333333333e+19, 1\n\n"),
              std::string::npos);
    EXPECT_NE(text.find("X Interval 1000000000\n"), std::string::npos);
}

// A plot file that cannot be created ends the run with the message on the report stream.
TEST(WriteSplotFileDeathTest, UncreatableFileEndsTheRunOnTheReport)
{
    TempDir dir;
    NamesOnlySolver solver(dir.dir());
    std::string report = dir.dir() + "report.txt";
    std::string path = dir.dir() + "no/such/dir/x.splot";
    double x[] = {1}, y[] = {1};
    char title[] = "T", name[] = "R";
    EXPECT_EXIT(
        {
            FILE* out = fopen(report.c_str(), "w");
            writeSplotFile(&path[0], title, &solver, name, -1.0, 1, 0, 1, x, y, out);
        },
        ::testing::ExitedWithCode(1), "");
    EXPECT_EQ(read_file(report),
              "plot_pdf: cannot open plot file\nfatal_error: program is being terminated\n");
}

// A plot file whose text cannot be written is not passed off as written.
TEST(WriteSplotFileDeathTest, WriteFailureEndsTheRun)
{
    struct stat st;
    if (stat("/dev/full", &st) != 0 || !S_ISCHR(st.st_mode)) GTEST_SKIP() << "no /dev/full";
    TempDir dir;
    NamesOnlySolver solver(dir.dir());
    std::string report = dir.dir() + "report.txt";
    char path[] = "/dev/full";
    double x[] = {1}, y[] = {1};
    char title[] = "T", name[] = "R";
    EXPECT_EXIT(
        {
            FILE* out = fopen(report.c_str(), "w");
            writeSplotFile(path, title, &solver, name, -1.0, 1, 0, 1, x, y, out);
        },
        ::testing::ExitedWithCode(1), "");
    EXPECT_EQ(read_file(report),
              "plot_pdf: cannot write plot file\nfatal_error: program is being terminated\n");
}
