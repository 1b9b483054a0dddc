// The CSV block: its running sum, its absence without a CSV stream, and PV
// names that hold commas or quotes.
#include <gtest/gtest.h>

#include "pv/csv_block.h"
#include "tests/pv/pv_test_support.h"
#include "tests/support/run_program.h"

TEST(CSVBlock, RunningSumAndNullStream)
{
    MemStream csv;
    double x[] = {1, 2, 3}, y[] = {0.125, 0.25, 0.5};
    char name[] = "Q";
    writeCSVFile(csv.f, nullptr, 7, 0, name, 2.5, 3.0, 0, 0, 3, x, y);
    std::string text = csv.text();
    EXPECT_NE(text.find("7,0,Q,2.500000,3.000000,Results,0.000000,0.000000,3\n"),
              std::string::npos);
    EXPECT_NE(text.find("Dist,3.000000,0.500000,0.875000\n\n"), std::string::npos);
    writeCSVFile(nullptr, nullptr, 0, 0, name, 0, 0, 0, 0, 3, x, y);  // must not crash
}

TEST(CSVBlock, NamesWithCommasOrQuotesAreQuotedAndOthersAreNot)
{
    EXPECT_EQ(csv_field("Up"), "Up");
    EXPECT_EQ(csv_field("a,b"), "\"a,b\"");
    EXPECT_EQ(csv_field("q\"x"), "\"q\"\"x\"");
    MemStream csv;
    double x[] = {1}, y[] = {1};
    char name[] = "Up,\"Down\"";
    writeCSVFile(csv.f, nullptr, 0, 2, name, -1, 1, 1, 0, 1, x, y);
    // the row keeps its nine columns
    EXPECT_NE(csv.text().find("\n0,2,\"Up,\"\"Down\"\"\",-1.000000,1.000000,Results,"),
              std::string::npos);
}

TEST(CSVBlock, ProgramKeepsTheColumnsOfAPVNamedWithACommaAndAQuote)
{
    TempDir dir;
    dir.write("q.arm", "1 2\n1 2 1.0 0\n2 1 3.0 0\n");
    dir.write("q.var", "Up,\"x\"\n1 0 1\n2 0 0\n");
    dir.write("q.pvtype", "Version:1\nNumPV:1\nName:Up,\"x\"\nType:3\nNumTimes:0\n");
    ProgramResult r = run_program(DSS_BINARY, {"-P", "p", "-S", "s", "-E", "q", "-G", dir.dir(),
                                               "-s", dir.dir(), "-o", dir.file("r.txt")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(slurp(dir.file("r.csv")),
              "## Exp Num, PV Num, PV Name, Start Time, Stop Time, Type, Mean, Variance,"
              "NumDistPts\n"
              "0,0,\"Up,\"\"x\"\"\",-1.000000,1.000000,Results,0.750000,0.187500,2\n"
              "## Dist,x, P(X=x), P(X<=x)\n"
              "Dist,0.000000,0.250000,0.250000\n"
              "Dist,1.000000,0.750000,1.000000\n\n");
    // the report and the plot files keep the name as it is
    EXPECT_NE(slurp(dir.file("r.txt")).find("Performance variable :  Up,\"x\"\n"),
              std::string::npos);
}
