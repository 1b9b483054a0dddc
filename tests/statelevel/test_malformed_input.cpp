// Malformed state spaces through the whole program, with a report file asked
// for: each ends with its message, on its stream, with status 1, and leaves
// nothing behind in the solver directory; faults of the PV type file are
// reported and the run goes on.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/run_program.h"

namespace {

const std::string ARM_CORRUPT =
    "Error reading state space file (.arm file) possibly due to corruption.\n";
const std::string VAR_CORRUPT =
    "Error reading performance variable file (.var file) possibly due to corruption.\n";

std::string data_dir() { return std::string(VELMAR_TEST_DATA) + "/statelevel/"; }

// The names of the files in a directory.
std::vector<std::string> files_in(const std::string& dir)
{
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    return names;
}

// dss on the test state space `name`, solver files and the report in `out`,
// with the address space limited to `limit` bytes when it is not 0.
ProgramResult run_on(const std::string& name, const TempDir& out, rlim_t limit = 0)
{
    return run_program(DSS_BINARY, {"-P", "p", "-S", "s", "-E", name, "-G", data_dir(), "-s",
                                    out.path + "/", "-o", out.file("r.txt")},
                       "", {}, limit);
}

// Runs the state space `name` and expects a fault that writes nothing.
void expect_fault(const std::string& name, const std::string& out, const std::string& err,
                  rlim_t limit = 0)
{
    TempDir dir;
    ProgramResult r = run_on(name, dir, limit);
    EXPECT_EQ(r.status, 1) << name;
    EXPECT_EQ(r.out, out) << name;
    EXPECT_EQ(r.err, err) << name;
    EXPECT_TRUE(files_in(dir.path).empty()) << name << " left a file behind";
}

}  // namespace

TEST(MalformedInput, EmptyCutAndOversizedArmFiles)
{
    expect_fault("arm_empty", "", ARM_CORRUPT + data_dir() + "arm_empty.arm: the file ends where the initial state was expected.\n");
    expect_fault("arm_header_cut", "", ARM_CORRUPT + data_dir() +
                 "arm_header_cut.arm, line 1: the file ends where the number of states was expected.\n");
    expect_fault("arm_inf_rate", "", ARM_CORRUPT + data_dir() +
                 "arm_inf_rate.arm, line 2, at \"inf\": expected the rate from state 1 to state 2, a finite number of at least zero.\n");
}

TEST(MalformedInput, HugeStateCountInAShortFileIsRefusedBeforeAllocation)
{
    // N = 2000000000 in a file of three lines; in 256 MB of address space an
    // allocation of size N would end with the memory lines instead
#ifdef VELMAR_SANITIZE_BUILD
    rlim_t limit = 0;  // the sanitizers' shadow memory needs an unlimited address space
#else
    rlim_t limit = rlim_t(256) << 20;
#endif
    expect_fault("arm_huge_n", "", ARM_CORRUPT + data_dir() + "arm_huge_n.arm, line 1, at \"2000000000\": "
                 "the file is too short for the records of 2000000000 states.\n", limit);
}

TEST(MalformedInput, RowsOutOfOrderAreAMissingRow)
{
    expect_fault("arm_rows_swapped", "There is a missing row in the matrix.\n",
                 data_dir() + "arm_rows_swapped.arm, line 3, at \"3\": the record of state 2 was expected.\n");
}

TEST(MalformedInput, NegativeStateAndOverflowingValueInVarFile)
{
    expect_fault("var_state_negative", "", VAR_CORRUPT + data_dir() +
                 "var_state_negative.var, line 3, at \"-2\": the record number is not a whole number from 1 to 2.\n");
    expect_fault("var_huge_value", "", VAR_CORRUPT + data_dir() +
                 "var_huge_value.var, line 2, at \"1e999\": expected a value of PV Up for state 1, a finite number.\n");
}

TEST(MalformedInput, EarlierFaultFilesLeaveNothingBehind)
{
    for (const char* name :
         {"det", "absent", "onestate", "missingrow", "arm_word", "arm_eof", "arm_zero_n",
          "arm_negative_n", "arm_dest_high", "arm_dest_negative", "arm_row_overfull",
          "arm_negative_rate", "arm_nan_rate", "arm_huge_rate", "arm_header_word", "arm_initial_high", "arm_initial_zero",
          "var_state_high", "var_state_zero", "var_word", "var_eof_in_record",
          "var_first_not_number", "var_slash_name", "var_backslash_name", "var_long_name",
          "arm_rate_underflow", "arm_rate_subnormal", "arm_rates_run_together",
          "arm_state_with_fraction", "arm_negative_tiny_rate"}) {
        TempDir dir;
        ProgramResult r = run_on(name, dir);
        EXPECT_EQ(r.status, 1) << name;
        EXPECT_TRUE(files_in(dir.path).empty()) << name << " left a file behind";
    }
}

TEST(MalformedInput, EmptyVarFileGivesAStateSpaceWithoutPVs)
{
    TempDir dir;
    ProgramResult r = run_on("var_empty", dir);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "Warning: " + data_dir() +
                         "var_empty.var holds no state records; every PV value is 0.\n");
    EXPECT_NE(slurp(dir.file("r.txt")).find("Finished: "), std::string::npos);
}

TEST(MalformedInput, PVTypeFileFaultsAreReportedAndThePVIsLeftOut)
{
    struct Case {
        const char* name;
        std::string err;
    } cases[] = {
        {"pvtype_missing", "Error opening file " + data_dir() + "pvtype_missing.pvtype\nNo such file or directory.\n"
                           "Error: PVs were not evaluated: Error opening file " + data_dir() + "pvtype_missing.pvtype\n"},
        {"pvtype_empty", "Error reading " + data_dir() +
                             "pvtype_empty.pvtype.\nThe file ends where the key Version was "
                             "expected.\n" + data_dir() + "pvtype_empty.pvtype: the file is empty.\nError: PVs were not evaluated: Error reading " + data_dir() +
                             "pvtype_empty.pvtype. The file ends where the key Version was expected.\n"},
        {"pvtype_cut", "Error reading " + data_dir() +
                           "pvtype_cut.pvtype.\nExpected a line Type:value of at most 499 "
                           "characters.\n" + data_dir() + "pvtype_cut.pvtype, line 4, at \"Ty\".\nError: PVs were not evaluated: Error reading " + data_dir() +
                           "pvtype_cut.pvtype. Expected a line Type:value of at most 499 characters.\n"},
    };
    // the report is written and says which PVs were left out; the run is a failure
    for (const Case& c : cases) {
        TempDir dir;
        ProgramResult r = run_on(c.name, dir);
        EXPECT_EQ(r.status, 1) << c.name;
        EXPECT_EQ(r.err, c.err) << c.name;
        std::string report = slurp(dir.file("r.txt"));
        EXPECT_NE(report.find("Finished: "), std::string::npos) << c.name;
        // the PV's kind is unknown: no block, no plot file, no CSV block
        EXPECT_EQ(report.find("Performance variable :  Up"), std::string::npos) << c.name;
        EXPECT_EQ(slurp(dir.file("r.csv")), "") << c.name;
        EXPECT_EQ(files_in(dir.path).size(), 2u) << c.name;
    }
}
