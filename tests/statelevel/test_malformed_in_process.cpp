// The malformed-file corpus loaded in-process: every refusal is the typed
// bad-input error with the exact message and stream the program writes, and
// a refused load leaves nothing behind (the sanitizer build checks for leaks).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/InputError.h"
#include "statelevel/Flat/FlatStateLevel.h"

namespace {

const std::string ARM_CORRUPT =
    "Error reading state space file (.arm file) possibly due to corruption.\n";
const std::string VAR_CORRUPT =
    "Error reading performance variable file (.var file) possibly due to corruption.\n";
const std::string BAD_NAME = "Error reading performance variable file (.var file): the PV name ";

std::string data_dir() { return std::string(VELMAR_TEST_DATA) + "/statelevel/"; }

struct Refusal {
    std::string text;
    InputError::Stream where;
    std::string detail;
};

// Loads the test state space `name` and returns the error it is refused with.
Refusal refusal_of(const std::string& name)
{
    try {
        FlatStateLevel level((data_dir() + name).c_str());
    } catch (const InputError& e) {
        return {e.text(), e.where(), e.detail()};
    }
    return {"(accepted)", InputError::STANDARD_ERROR, ""};
}

void expect_refusal(const std::string& name, const std::string& text, InputError::Stream where,
                    const std::string& detail = "")
{
    Refusal r = refusal_of(name);
    EXPECT_EQ(r.text, text) << name;
    EXPECT_EQ(r.where, where) << name;
    EXPECT_EQ(r.detail, detail) << name;
}

// The first line of a refusal on standard error (the place follows it).
std::string first_line(const std::string& name)
{
    std::string text = refusal_of(name).text;
    return text.substr(0, text.find('\n') + 1);
}

}  // namespace

TEST(MalformedInProcess, RefusalsOnStandardOutput)
{
    const InputError::Stream OUT = InputError::STANDARD_OUTPUT;
    expect_refusal("det",
                   "Cannot use this solver since deterministic activities exist\n"
                   "in the model. Only deterministic steady state solver can be used.\n",
                   OUT);
    // where and why follow on standard error
    expect_refusal("absent", "Error reading file " + data_dir() + "absent.arm.\n", OUT,
                   data_dir() + "absent.arm: No such file or directory.\n");
    expect_refusal("missingrow", "There is a missing row in the matrix.\n", OUT,
                   data_dir() + "missingrow.arm, line 4, at \"4\": the record of state 3 was expected.\n");
    expect_refusal("arm_rows_swapped", "There is a missing row in the matrix.\n", OUT,
                   data_dir() + "arm_rows_swapped.arm, line 3, at \"3\": the record of state 2 was expected.\n");
}

TEST(MalformedInProcess, ArmFileRefusalsOnStandardError)
{
    const InputError::Stream ERR = InputError::STANDARD_ERROR;
    EXPECT_EQ(first_line("onestate"), "Corrupt state space file or state space has only one state.\n");
    EXPECT_EQ(refusal_of("onestate").where, ERR);
    for (const char* name :
         {"arm_empty", "arm_header_cut", "arm_inf_rate", "arm_huge_n", "arm_word", "arm_eof",
          "arm_zero_n", "arm_negative_n", "arm_dest_high", "arm_dest_negative",
          "arm_row_overfull", "arm_negative_rate", "arm_nan_rate", "arm_huge_rate",
          "arm_header_word"}) {
        EXPECT_EQ(first_line(name), ARM_CORRUPT) << name;
        EXPECT_EQ(refusal_of(name).where, ERR) << name;
    }
}

TEST(MalformedInProcess, VarFileRefusalsOnStandardError)
{
    const InputError::Stream ERR = InputError::STANDARD_ERROR;
    for (const char* name : {"var_state_high", "var_state_zero", "var_word", "var_eof_in_record",
                             "var_first_not_number", "var_state_negative", "var_huge_value"}) {
        EXPECT_EQ(first_line(name), VAR_CORRUPT) << name;
        EXPECT_EQ(refusal_of(name).where, ERR) << name;
    }
    std::string tail = " holds a path separator or is longer than 103 characters.\n";
    auto line1 = [](const char* name) { return data_dir() + name + ".var, line 1.\n"; };
    expect_refusal("var_slash_name", BAD_NAME + "Up/../../evil" + tail + line1("var_slash_name"), ERR);
    expect_refusal("var_backslash_name", BAD_NAME + "a\\b" + tail + line1("var_backslash_name"), ERR);
    expect_refusal("var_long_name", BAD_NAME + "Q" + std::string(103, 'x') + tail + line1("var_long_name"), ERR);
    expect_refusal("var_duplicate_name", BAD_NAME + "Up appears more than once.\n" + line1("var_duplicate_name"), ERR);
}

TEST(MalformedInProcess, ReportWritesTheMessageOnItsStream)
{
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    InputError("to the output\n", InputError::STANDARD_OUTPUT).report();
    InputError("to the errors\n", InputError::STANDARD_ERROR).report();
    InputError("", InputError::STANDARD_OUTPUT, "and where\n").report();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "to the errors\nand where\n");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "to the output\n");
}

TEST(MalformedInProcess, WarningsAreKeptForTheReport)
{
    testing::internal::CaptureStderr();
    FlatStateLevel level((data_dir() + "var_truncated").c_str());
    std::string err = testing::internal::GetCapturedStderr();
    ASSERT_EQ(level.input_warnings.size(), 1u);
    EXPECT_EQ(err, level.input_warnings[0] + "\n");
    EXPECT_EQ(level.input_warnings[0], "Warning: " + data_dir() +
                                           "var_truncated.var has no record for 2 of the 4 "
                                           "states; their PV values are 0.");
    EXPECT_TRUE(level.pvtype_failure.empty());
}
