// PV evaluation end to end on an in-memory model: report block, CSV block,
// plot files, selection by kind and time, and the guarded reads.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "pv/perfcdb.h"
#include "tests/pv/pv_test_support.h"
#include "tests/support/MemoryStateLevel.h"

static const std::string STARS =
    "******************************************************************************\n";

// One perfcdb call with the steady-state solver's fixed arguments unless overridden.
struct Outputs {
    std::string report, csv;
};

static Outputs evaluate(MemoryStateLevel& level, BaseStateLevelSolver& solver, std::vector<double> p,
                    RewardType kind = 3, double time = -1.0, double time2 = 1.0,
                    bool complementary = false, int expNumber = 0)
{
    MemStream report, csv;
    char entity[] = "";
    perfcdb(&level, &solver, p.data(), report.f, csv.f, 0, -1, time, time2, 0, complementary,
            kind, entity, expNumber);
    return {report.text(), csv.text()};
}

// Two states of probability 0.5: R is 0 or 2 (mean 1, variance 1), C is 1 everywhere.
struct TwoStateModel : MemoryStateLevel {
    TwoStateModel() : MemoryStateLevel(2, {{0, 1, 1.0}, {1, 0, 1.0}})
    {
        addPV("R", {0, 2});
        addPV("C", {1, 1});
    }
};

TEST(Perfcdb, SteadyStateReportAndCsvByteForByte)
{
    TempDir dir;
    NamesOnlySolver solver(dir.dir());
    TwoStateModel level;
    Outputs run = evaluate(level, solver, {0.5, 0.5});
    EXPECT_EQ(run.report, STARS + "Performance variable :  R\n"
                                  "Mean                 :  1.000000e+00\n"
                                  "Variance             :  1.000000e+00\n"
                                  "Plot files    (pdf)  :  exp.dss.R.pdf.splot\n"
                                  "              (cdf)  :  exp.dss.R.cdf.splot\n" +
                              STARS + "Performance variable :  C\n"
                                      "Mean                 :  1.000000e+00\n"
                                      "Variance             :  0.000000e+00\n"
                                      "Plot files    (pdf)  :  exp.dss.C.pdf.splot\n"
                                      "              (cdf)  :  exp.dss.C.cdf.splot\n");
    const char* header =
        "## Exp Num, PV Num, PV Name, Start Time, Stop Time, Type, Mean, Variance,NumDistPts\n";
    EXPECT_EQ(run.csv, std::string(header) +
                           "0,0,R,-1.000000,1.000000,Results,1.000000,1.000000,2\n"
                           "## Dist,x, P(X=x), P(X<=x)\n"
                           "Dist,0.000000,0.500000,0.500000\n"
                           "Dist,2.000000,0.500000,1.000000\n"
                           "\n" +
                           header +
                           "0,1,C,-1.000000,1.000000,Results,1.000000,0.000000,1\n"
                           "## Dist,x, P(X=x), P(X<=x)\n"
                           "Dist,1.000000,1.000000,1.000000\n"
                           "\n");
    EXPECT_TRUE(file_exists(dir.dir() + "exp.dss.C.pdf.splot"));
    EXPECT_TRUE(file_exists(dir.dir() + "exp.dss.C.cdf.splot"));
}

// The three plot files of the 0/2 PV, byte for byte.
TEST(Perfcdb, PlotFilesByteForByte)
{
    TempDir dir;
    NamesOnlySolver solver(dir.dir());
    TwoStateModel level;
    auto plot_file = [&](const char* title, const char* points) {
        return std::string(";R  pdf\n;at time -1\nNew Graph\nSize 5 by 5\n\n"
                           "Graph Font HELVETICA15\n\nGraph Title ") +
               title +
               "\nNew Text 0.100000, 1.800000\nVariable name: R\nMean: 1.000000\n"
               "Variance: 1.000000\n\nText Font HELVETICA11\n\nNew Text 0.100000, 1.650000\n"
               "Project name: p\nStudy name: s\nExperiment name: exp\n\n"
               "Text Font HELVETICA11\n\nNew Text 0.100000, 1.500000\n\n"
               "Text Font HELVETICA11\n\nNew Curve\ncurve symbol diamond size 3\n"
               "curve type solid\ncurve gray 0.8\ncurve interpolation yhistogram\n\n"
               "New Points\n" +
               points +
               "\nX Label R - x\nX Font Helvetica12BI\nX Maximum 2.08\nX Minimum 0\n"
               "X Interval 1\nY Label Probability - P(X = x)\nY Font Helvetica12BI\n"
               "Y Maximum 1.05\nY Minimum 0.00\nY Interval 0.1\nY numberstyle floating 2\n\n";
    };
    evaluate(level, solver, {0.5, 0.5});
    EXPECT_EQ(read_file(dir.dir() + "exp.dss.R.pdf.splot"),
              plot_file("Probability Density Function (pdf)", "0, 0.5\n2, 0.5\n"));
    EXPECT_EQ(read_file(dir.dir() + "exp.dss.R.cdf.splot"),
              plot_file("Probability Distribution Function (CDF)", "0, 0.5\n2, 1\n"));
    evaluate(level, solver, {0.5, 0.5}, 3, -1.0, 1.0, true);
    EXPECT_EQ(read_file(dir.dir() + "exp.dss.R.cdf.splot"),
              plot_file("Probability Distribution Function (PDF)", "0, 0.5\n2, 0\n"));
}

// Values arrive in state order and are sorted with their probabilities.
TEST(Perfcdb, UnsortedValuesKeepTheirProbabilities)
{
    TempDir dir;
    NamesOnlySolver solver(dir.dir());
    MemoryStateLevel level(3, {});
    level.addPV("Q", {5, 1, 3});
    Outputs run = evaluate(level, solver, {0.5, 0.25, 0.25});
    EXPECT_NE(run.csv.find("Dist,1.000000,0.250000,0.250000\n"
                           "Dist,3.000000,0.250000,0.500000\n"
                           "Dist,5.000000,0.500000,1.000000\n"),
              std::string::npos);
    EXPECT_NE(run.report.find("Mean                 :  3.500000e+00\n"), std::string::npos);
}

// Mean and variance agree with a two-pass computation on a random model.
TEST(Perfcdb, MomentsAgreeWithTwoPassFormula)
{
    TempDir dir;
    NamesOnlySolver solver(dir.dir());
    std::mt19937 rng(3);
    const int n = 60;
    std::vector<double> v(n), p(n);
    double total = 0;
    for (int s = 0; s < n; ++s) {
        v[s] = (double)(rng() % 7) - 2.0;
        p[s] = 1.0 + rng() % 100;
        total += p[s];
    }
    for (double& q : p) q /= total;
    double mean = 0, var = 0;
    for (int s = 0; s < n; ++s) mean += p[s] * v[s];
    for (int s = 0; s < n; ++s) var += p[s] * (v[s] - mean) * (v[s] - mean);
    MemoryStateLevel level(n, {});
    level.addPV("V", v);
    Outputs run = evaluate(level, solver, p);
    double gotMean = 0, gotVar = 0;
    ASSERT_EQ(sscanf(run.report.c_str() + run.report.find("Mean"),
                     "Mean                 :  %lf\nVariance             :  %lf", &gotMean,
                     &gotVar),
              2);
    EXPECT_NEAR(gotMean, mean, 1e-6 * std::fabs(mean) + 1e-12);
    EXPECT_NEAR(gotVar, var, 1e-6 * var);
}

TEST(PerfcdbSelection, KindThreeTakesOnlySteadyStatePVs)
{
    TempDir dir;
    NamesOnlySolver solver(dir.dir());
    MemoryStateLevel level(2, {});
    level.addPV("A", {0, 1}, 7);
    level.addPV("B", {0, 1}, 3);
    Outputs run = evaluate(level, solver, {0.5, 0.5});
    EXPECT_EQ(run.report.find("A\n"), std::string::npos);
    EXPECT_NE(run.report.find("Performance variable :  B\n"), std::string::npos);
    // kind 4 takes every PV
    run = evaluate(level, solver, {0.5, 0.5}, 4);
    EXPECT_NE(run.report.find("Performance variable :  A\n"), std::string::npos);
    EXPECT_NE(run.report.find("Performance variable :  B\n"), std::string::npos);
}

TEST(PerfcdbSelection, NoSelectedPVWritesNothing)
{
    TempDir dir;
    NamesOnlySolver solver(dir.dir());
    MemoryStateLevel level(2, {});
    level.addPV("A", {0, 1}, 5);
    Outputs run = evaluate(level, solver, {0.5, 0.5});
    EXPECT_EQ(run.report, "");
    EXPECT_EQ(run.csv, "");
    EXPECT_TRUE(std::filesystem::is_empty(dir.path));
}

TEST(PerfcdbSelection, TimeDependentKindNeedsAnExactStartTime)
{
    TempDir dir;
    NamesOnlySolver solver(dir.dir());
    MemoryStateLevel level(2, {});
    level.addPV("Hit", {0, 1}, 7);
    level.addPV("Miss", {0, 1}, 7);
    level.addPV("Other", {0, 1}, 8);
    level.setTimePoints(0, 2, new double[2]{1.0, 2.5}, new double[2]{2.0, 3.0});
    level.setTimePoints(1, 2, new double[2]{2.4999, 2.5001}, new double[2]{3.0, 3.0});
    level.setTimePoints(2, 1, new double[1]{2.5}, new double[1]{3.0});
    Outputs run = evaluate(level, solver, {0.5, 0.5}, 7, 2.5, 3.0);
    std::string want = STARS + "Performance variable :  Hit\nTime                 :  2.500000\n";
    EXPECT_EQ(run.report.substr(0, want.size()), want);
    EXPECT_EQ(run.report.find("Miss"), std::string::npos);
    EXPECT_EQ(run.report.find("Other"), std::string::npos);
    EXPECT_NE(run.csv.find("0,0,Hit,2.500000,3.000000,Results,"), std::string::npos);
}

TEST(PerfcdbSelection, TimeLineFromOneEMinusEleven)
{
    TempDir dir;
    NamesOnlySolver solver(dir.dir());
    MemoryStateLevel level(1, {});
    level.addPV("A", {1});
    EXPECT_NE(evaluate(level, solver, {1}, 4, 1e-11).report.find("Time                 :  0.000000\n"),
              std::string::npos);
    EXPECT_EQ(evaluate(level, solver, {1}, 4, 1e-12).report.find("Time"), std::string::npos);
    EXPECT_EQ(evaluate(level, solver, {1}, 4, 0.0).report.find("Time"), std::string::npos);
}

// PVs beyond short type tables are skipped, never read past the tables.
TEST(PerfcdbSelection, PVBeyondTheTypeTablesIsNotSelected)
{
    MemoryStateLevel level(1, {});
    level.addPV("A", {1}, 7);
    level.addPV("B", {1}, 7);
    level.addPV("C", {1}, 7);
    level.setTimePoints(0, 1, new double[1]{2.0}, new double[1]{3.0});
    level.pv_type.resize(2);  // C has no type, B no time points
    EXPECT_TRUE(pv_selected(&level, 0, 7, 2.0));
    EXPECT_FALSE(pv_selected(&level, 1, 7, 2.0));
    EXPECT_FALSE(pv_selected(&level, 2, 7, 2.0));
    EXPECT_FALSE(pv_selected(&level, 2, 3, 2.0));
    EXPECT_TRUE(pv_selected(&level, 2, 4, 2.0));  // kind 4 reads no table
    // a slot with a count but no array
    level.setTimePoints(1, 3, nullptr, nullptr);
    EXPECT_FALSE(pv_selected(&level, 1, 7, 2.0));
    MemoryStateLevel bare(1, {});
    bare.names.push_back("Untyped");  // no type file at all
    bare.values.push_back({{1.0, 0.0}});
    EXPECT_FALSE(pv_selected(&bare, 0, 3, -1.0));
}

TEST(PerfcdbNames, TimePointsInPlotNamesByTheSolverName)
{
    TempDir dir;
    MemoryStateLevel level(1, {});
    level.addPV("R", {1});
    NamesOnlySolver trs(dir.dir(), "trs"), ars(dir.dir(), "ars"), ats(dir.dir(), "ats");
    EXPECT_EQ(plot_file_base(&trs, "R", 10, 20), "exp.trs.R.10.000.");
    EXPECT_EQ(plot_file_base(&ats, "R", 0.5, 20), "exp.ats.R.0.500.");
    EXPECT_EQ(plot_file_base(&ars, "R", 1, 2), "exp.ars.R.1.000.2.000.");
    Outputs run = evaluate(level, trs, {1}, 4, 10.0);
    EXPECT_NE(run.report.find("Plot files    (pdf)  :  exp.trs.R.10.000.pdf.splot\n"
                              "              (cdf)  :  exp.trs.R.10.000.cdf.splot\n"),
              std::string::npos);
    EXPECT_TRUE(file_exists(dir.dir() + "exp.trs.R.10.000.cdf.splot"));
    evaluate(level, ars, {1}, 4, 1.0, 2.0);
    EXPECT_TRUE(file_exists(dir.dir() + "exp.ars.R.1.000.2.000.pdf.splot"));
}

// A PV walk that does not deliver exactly one entry per state stays inside the arrays.
TEST(PerfcdbGuards, PVWalkLongerOrShorterThanTheStateCount)
{
    TempDir dir;
    NamesOnlySolver solver(dir.dir());
    MemoryStateLevel level(2, {});
    level.addPV("Long", {2, 4, 1000, 1000});
    level.addPV("Short", {6});
    Outputs run = evaluate(level, solver, {0.25, 0.75});
    EXPECT_NE(run.report.find("Long\nMean                 :  3.500000e+00\n"), std::string::npos);
    EXPECT_NE(run.report.find("Short\nMean                 :  1.500000e+00\n"), std::string::npos);
    EXPECT_NE(run.csv.find("Dist,0.000000,0.750000,0.750000\nDist,6.000000,0.250000,1.000000\n"),
              std::string::npos);
}

TEST(PerfcdbDeathTest, UncreatablePlotFileEndsTheRun)
{
    TempDir dir;
    NamesOnlySolver solver(dir.dir() + "missing/");
    TwoStateModel level;
    std::string report = dir.dir() + "report.txt";
    std::vector<double> p = {0.5, 0.5};
    EXPECT_EXIT(
        {
            FILE* out = fopen(report.c_str(), "w");
            char entity[] = "";
            perfcdb(&level, &solver, p.data(), out, nullptr, 0, -1, -1.0, 1.0, 0, false, 3,
                    entity, 0);
        },
        ::testing::ExitedWithCode(1), "");
    std::string text = read_file(report);
    EXPECT_NE(text.find("(cdf)  :  exp.dss.R.cdf.splot\n"
                        "plot_pdf: cannot open plot file\n"
                        "fatal_error: program is being terminated\n"),
              std::string::npos);
}
