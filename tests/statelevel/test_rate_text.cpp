// Rates a double cannot hold as written, told from rates of 0 and from negative numbers; and
// where a refused number of a .arm file stands: its line and its whole word.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "statelevel/Flat/ArmNumbers.h"
#include "statelevel/RateText.h"
#include "tests/support/run_program.h"

namespace {

RateText classified(const char* text) { return classify_rate(text, std::strtod(text, nullptr)); }

}  // namespace

TEST(RateText, ZeroWrittenAsZeroIsARateAndPositiveTextReadAsZeroOrSubnormalIsNot)
{
    for (const char* text : {"1", "0.5", "1e308", "2.2250738585072014e-308", "0", "-0", "0.000",
                             "00e5", "0e-999", "0.0e-400"})
        EXPECT_EQ(classified(text), RateText::Rate) << text;
    // the last: the largest subnormal, a hair below the smallest normal double
    for (const char* text : {"1e-330", "0.0001e-320", "1e-310", "4.9e-324", "2.2250738585072011e-308"})
        EXPECT_EQ(classified(text), RateText::Underflow) << text;
    // a negative number stays negative even when the double it reads as is -0
    for (const char* text : {"-1", "-1e-310", "-1e-330", "1e400", "-1e400"})
        EXPECT_EQ(classified(text), RateText::NotRate) << text;
    EXPECT_EQ(classify_rate("nan", std::strtod("nan", nullptr)), RateText::NotRate);
}

TEST(ArmNumberFault, LineAndWholeWordOfTheNumberBeforeTheOffset)
{
    TempDir dir;
    // Windows line ends, a record over two lines, the number at the start of the file
    dir.write("a.arm", "1 2\r\n1 2 1.0 0\r\n2\r\n  1 1.5x 0\r\n");
    std::string text = "1 2\r\n1 2 1.0 0\r\n2\r\n  1 1.5";
    ChainFault f = arm_number_fault(dir.file("a.arm"), (long long)text.size(), ArmNumber::RunTogether);
    EXPECT_EQ(f.file, dir.file("a.arm"));
    EXPECT_EQ(f.line, 4);
    EXPECT_EQ(f.token, "1.5x");
    EXPECT_EQ(f.reason, "the word is not one number: numbers are separated by blanks");
    dir.write("b.arm", "1e-400 2\n");
    f = arm_number_fault(dir.file("b.arm"), 6, ArmNumber::Underflow);
    EXPECT_EQ(f.message(), "Error reading state space file " + dir.file("b.arm") +
                               ", line 1, at \"1e-400\": a positive rate below "
                               "2.2250738585072014e-308, the smallest normal double, would be "
                               "read as 0.");
}
