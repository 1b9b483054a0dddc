// Every fault of the state-space files ends the run with its own message on
// its own stream and status 1, before the solver writes anything.
#include <gtest/gtest.h>

#include "tests/statelevel/DssRun.h"

static const char* const ARM_CORRUPT =
    "Error reading state space file (.arm file) possibly due to corruption.\n";
static const char* const VAR_CORRUPT =
    "Error reading performance variable file (.var file) possibly due to corruption.\n";

static void expectFault(const char* name, const std::string& out, const std::string& err)
{
    DssRun run = runDss(dataDir(), name);
    EXPECT_EQ(run.status, 1) << name;
    EXPECT_EQ(run.out, out) << name;
    EXPECT_EQ(run.err, err) << name;
}

TEST(FlatFileFaults, DeterministicModelIsRefusedBeforeTheArmFile)
{
    expectFault("det",
                "Cannot use this solver since deterministic activities exist\n"
                "in the model. Only deterministic steady state solver can be used.\n",
                "");
}

// The line after a message: the test file, then where in it and why.
static std::string at(const std::string& file, const std::string& rest)
{
    return dataDir() + file + rest + "\n";
}

// The messages on standard output keep their place; where and why follow on standard error.
TEST(FlatFileFaults, MissingArmFileAndMissingRowSayWhereOnStandardError)
{
    // with no file of any format, every one looked for is named with the system's reason
    const std::string absent = dataDir() + "absent";
    expectFault("absent", "Error reading file " + absent + ".arm.\n",
                "No state space " + absent + " in any format; looked for:\n  " + absent +
                    ".arm (flat): No such file or directory\n  " + absent +
                    ".tra (PRISM): No such file or directory\n  " + absent +
                    ".pexp (PRISM, one file): No such file or directory\n  " + absent +
                    ".drn (DRN): No such file or directory\n");
    expectFault("onestate", "",
                "Corrupt state space file or state space has only one state.\n" +
                    at("onestate.arm", ", line 1, at \"1\": the number of states."));
    expectFault("missingrow", "There is a missing row in the matrix.\n",
                at("missingrow.arm", ", line 4, at \"4\": the record of state 3 was expected."));
}

// Every shape fault of a .arm file: the corruption message, then the line, the word and why.
TEST(FlatFileFaults, ArmFileShapeFaultsSayTheLineTheWordAndWhy)
{
    const std::string rate = ": expected the rate from state 1 to state 2, a finite number of at least zero.";
    const char* const cases[][2] = {
        {"arm_word", ", line 2, at \"fast\""},
        {"arm_negative_rate", ", line 2, at \"-1.0\""},
        {"arm_nan_rate", ", line 2, at \"nan\""},
        {"arm_huge_rate", ", line 2, at \"1e999\""},
        {"arm_negative_tiny_rate", ", line 2, at \"-1e-330\""},
    };
    for (const auto& c : cases) expectFault(c[0], "", ARM_CORRUPT + at(std::string(c[0]) + ".arm", c[1] + rate));
    const char* const others[][2] = {
        {"arm_eof", ", line 3: the file ends where a destination state or the 0 that ends the "
                    "record of state 2 was expected."},
        {"arm_empty", ": the file ends where the initial state was expected."},
        {"arm_header_cut", ", line 1: the file ends where the number of states was expected."},
        {"arm_zero_n", ", line 1, at \"0\": the number of states is at least 2."},
        {"arm_negative_n", ", line 1, at \"-5\": the number of states is at least 2."},
        {"arm_dest_high", ", line 2, at \"3\": a destination is a state from 1 to 2."},
        {"arm_dest_negative", ", line 2, at \"-1\": a destination is a state from 1 to 2."},
        {"arm_row_overfull", ", line 2, at \"1\": the record of state 1 holds more than 2 transitions."},
        {"arm_header_word", ", line 1, at \"one\": expected the initial state."},
        {"arm_initial_high", ", line 1, at \"4\": the initial state is a state from 1 to 3."},
        {"arm_initial_zero", ", line 1, at \"0\": the initial state is a state from 1 to 2."},
        {"arm_huge_n", ", line 1, at \"2000000000\": the file is too short for the records of "
                       "2000000000 states."},
    };
    for (const auto& c : others) expectFault(c[0], "", ARM_CORRUPT + at(std::string(c[0]) + ".arm", c[1]));
}

// The message of a refused number: the file, the line and the whole word.
static std::string placed(const char* name, int line, const std::string& word,
                          const std::string& reason)
{
    return "Error reading state space file " + dataDir() + name + ".arm, line " +
           std::to_string(line) + ", at \"" + word + "\": " + reason + ".\n";
}

TEST(FlatFileFaults, NumbersRunTogetherAreRefusedWithTheirWord)
{
    const std::string why = "the word is not one number: numbers are separated by blanks";
    // the last three were read as other chains: 1.5 then state 3, state 2 with rate .5
    const struct {
        const char* name;
        int line;
        const char* word;
    } cases[] = {{"arm_rates_run_together", 2, "2.02.0"},
                 {"arm_exponent_twice", 2, "1e5e3"},
                 {"arm_rate_into_state", 2, "3.0-1"},
                 {"arm_rate_then_signed_state", 2, "1.5+3"},
                 {"arm_state_with_fraction", 2, "2.5"}};
    for (const auto& c : cases) expectFault(c.name, "", placed(c.name, c.line, c.word, why));
}

TEST(FlatFileFaults, PositiveRatesThatUnderflowAreRefusedWithTheirLine)
{
    const std::string why =
        "a positive rate below 2.2250738585072014e-308, the smallest normal double, would be "
        "read as ";
    expectFault("arm_rate_underflow", "", placed("arm_rate_underflow", 2, "1e-330", why + "0"));
    // the record of state 2 spreads over lines 3 and 4
    expectFault("arm_rate_subnormal", "",
                placed("arm_rate_subnormal", 4, "1e-310", why + "the subnormal 9.9999999999999694e-311"));
}

TEST(FlatFileFaults, WordsAfterTheLastRecordAreRefusedWithTheirLine)
{
    const std::string why = "the file goes on after the records of its 2 states";
    expectFault("arm_row_past_n", "", placed("arm_row_past_n", 4, "3", why));
    expectFault("arm_trailing_word", "", placed("arm_trailing_word", 3, "end", why));
}

TEST(FlatFileFaults, VarFileShapeFaultsSayTheLineTheWordAndWhy)
{
    const std::string number = ": the record number is not a whole number from 1 to 2.";
    const char* const cases[][2] = {
        {"var_state_high", ", line 3, at \"3\""},
        {"var_state_zero", ", line 2, at \"0\""},
        {"var_state_negative", ", line 3, at \"-2\""},
        {"var_first_not_number", ", line 2, at \"#1\""},
    };
    for (const auto& c : cases) expectFault(c[0], "", VAR_CORRUPT + at(std::string(c[0]) + ".var", c[1] + number));
    expectFault("var_word", "",
                VAR_CORRUPT + at("var_word.var", ", line 2, at \"one\": expected a value of PV Q for state 1, a finite number."));
    // a value too large for a double is named whole, on its own line
    expectFault("var_huge_value", "",
                VAR_CORRUPT + at("var_huge_value.var", ", line 2, at \"1e999\": expected a value of PV Up for state 1, a finite number."));
    expectFault("var_eof_in_record", "",
                VAR_CORRUPT + at("var_eof_in_record.var",
                                 ", line 3: the file ends where a value of PV Q for state 2 was expected."));
}

TEST(FlatFileFaults, PVNamesThatCouldLeaveTheSolverDirectoryAreRefused)
{
    std::string tail = " holds a path separator or is longer than 103 characters.\n";
    std::string head = "Error reading performance variable file (.var file): the PV name ";
    expectFault("var_slash_name", "", head + "Up/../../evil" + tail + at("var_slash_name.var", ", line 1."));
    expectFault("var_backslash_name", "", head + "a\\b" + tail + at("var_backslash_name.var", ", line 1."));
    expectFault("var_long_name", "", head + "Q" + std::string(103, 'x') + tail + at("var_long_name.var", ", line 1."));
}

// A missing .var file: the run goes on and its report is written, but no PV has a value,
// and the run ends with the file and the reason on standard error and status 1.
TEST(FlatFileFaults, MissingOrRecordlessVarFileWarnsAndTheRunGoesOn)
{
    DssRun missing = runDss(dataDir(), "var_missing");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "Warning: cannot open " + dataDir() +
                               "var_missing.var; the state space has no PV values.\n"
                               "Error: no PV was evaluated: cannot open " + dataDir() +
                               "var_missing.var: No such file or directory\n");
    EXPECT_NE(missing.out.find("DSSSolver done"), std::string::npos);

    DssRun header = runDss(dataDir(), "var_header_only");
    EXPECT_EQ(header.status, 0);
    EXPECT_EQ(header.err, "Warning: " + dataDir() +
                              "var_header_only.var holds no state records; every PV value is 0.\n");
}

TEST(FlatFileFaults, ZeroRatesAreLegal)
{
    DssRun run = runDss(dataDir(), "zero_rates");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
}

// A record number of a .var file is a whole word of digits: "1.9" and "1x" are not state 1
// (they were read as 1, the rest taken for the values), and neither is a state past N.
TEST(FlatFileFaults, VarRecordNumbersThatAreNotWholeNumbersAreRefused)
{
    const std::string head = "Error reading performance variable file (.var file) possibly due to corruption.\n";
    for (std::string number : {"1.9", "1x", "+1", "3", "4294967297"}) {
        for (bool firstRecord : {true, false}) {
            TempDir dir;
            dir.write("v.arm", "1 2\n1 2 1.0 0\n2 1 3.0 0\n");
            dir.write("v.pvtype", "Version:1\nNumPV:1\nName:Up\nType:3\nNumTimes:0\n");
            std::string records = firstRecord ? number + " 0 1\n2 0 0\n" : "2 0 0\n" + number + " 0 1\n";
            dir.write("v.var", "Up\n" + records);
            DssRun r = runDss(dir.dir(), "v");
            EXPECT_EQ(r.status, 1) << number;
            EXPECT_EQ(r.err, head + dir.file("v.var") + ", line " + (firstRecord ? "2" : "3") +
                                 ", at \"" + number + "\": the record number is not a whole number from 1 to 2.\n")
                << number;
        }
    }
}

// The smallest int as the initial state is refused as any other state out of range (its
// state number minus one overflowed).
TEST(FlatFileFaults, InitialStateOfTheSmallestIntIsOutOfRange)
{
    TempDir dir;
    dir.write("i.arm", "-2147483648 2\n1 2 1.0 0\n2 1 3.0 0\n");
    dir.write("i.var", "Up\n1 0 1\n2 0 0\n");
    dir.write("i.pvtype", "Version:1\nNumPV:1\nName:Up\nType:3\nNumTimes:0\n");
    DssRun r = runDss(dir.dir(), "i");
    EXPECT_EQ(r.status, 1);
    // the sanitizer build catches the overflow this once was
    EXPECT_EQ(r.err, "Error reading state space file (.arm file) possibly due to corruption.\n" +
                         dir.file("i.arm") + ", line 1, at \"-2147483648\": the initial state is a state from 1 to 2.\n");
}
