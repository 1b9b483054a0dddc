// The CSV block's running sum and its absence without a CSV stream.
#include <gtest/gtest.h>

#include "pv/csv_block.h"
#include "tests/pv/pv_test_support.h"

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
