// Inputs that are incomplete or never end: gaps in the ".var" file and PVs
// the ".pvtype" file leaves without a type are said on standard error and in
// the report; a PV name given twice, and inputs that are devices, pipes or
// directories, are refused with status 1 before anything is written.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/run_program.h"

namespace {

std::string data_dir() { return std::string(VELMAR_TEST_DATA) + "/statelevel/"; }

ProgramResult run_on(const std::string& dir, const std::string& name, const TempDir& out,
                     std::vector<std::string> more = {})
{
    std::vector<std::string> args = {"-P", "p", "-S", "s", "-E", name, "-G", dir, "-s",
                                     out.dir(), "-o", out.file("r.txt")};
    args.insert(args.end(), more.begin(), more.end());
    return run_program(DSS_BINARY, args);
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// A two-state chain with one PV, experiment "two" in dir.
void write_two_state_model(const TempDir& dir)
{
    dir.write("two.arm", "1 2\n1 2 1.0 0\n2 1 3.0 0\n");
    dir.write("two.var", "Up\n1 0 1\n2 0 0\n");
    dir.write("two.pvtype", "Version:1\nNumPV:1\nName:Up\nType:3\nNumTimes:0\n");
}

}  // namespace

TEST(IncompleteInput, VarFileWithoutRecordsForSomeStatesSaysHowMany)
{
    TempDir out;
    ProgramResult r = run_on(data_dir(), "var_truncated", out);
    const std::string warning = "Warning: " + data_dir() +
                                "var_truncated.var has no record for 2 of the 4 states; their "
                                "PV values are 0.\n";
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, warning);
    std::string report = slurp(out.file("r.txt"));
    EXPECT_TRUE(contains(report, "Entries in the factors: 12\nResolution floor: ")) << report;
    EXPECT_TRUE(contains(report, " (probabilities below it carry no accuracy)\n" + warning)) << report;
    // the four states are equally likely: Up is 1 in two of them, 0 in the missing ones
    EXPECT_TRUE(contains(report, "Mean                 :  5.000000e-01\n"));
    EXPECT_TRUE(contains(report, "Finished: "));
}

TEST(IncompleteInput, PVNameGivenTwiceIsRefused)
{
    TempDir out;
    ProgramResult r = run_on(data_dir(), "var_duplicate_name", out);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Error reading performance variable file (.var file): the PV name Up "
                     "appears more than once.\n" + data_dir() + "var_duplicate_name.var, line 1.\n");
    EXPECT_TRUE(std::filesystem::is_empty(out.path));
}

TEST(IncompleteInput, PVTypeFileWithOtherLineEndsAndTrailingBlanksEvaluatesEveryPV)
{
    TempDir out;
    ProgramResult r = run_on(data_dir(), "pvtype_crlf", out);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    std::string report = slurp(out.file("r.txt"));
    EXPECT_TRUE(contains(report, "Performance variable :  Up\nMean                 :  7.5"));
    EXPECT_TRUE(contains(report, "Performance variable :  Busy\nMean                 :  2.5"));
    EXPECT_FALSE(contains(report, "Warning"));
}

TEST(IncompleteInput, ReportNamesThePVsThePVTypeFileLeftOutAndWhy)
{
    TempDir out;
    ProgramResult r = run_on(data_dir(), "pvtype_cut", out);
    EXPECT_EQ(r.status, 1);  // after the report has said which PVs were left out
    std::string reason = "Error reading " + data_dir() +
                         "pvtype_cut.pvtype. Expected a line Type:value of at most 499 "
                         "characters.";
    std::string report = slurp(out.file("r.txt"));
    EXPECT_TRUE(contains(report, "Entries in the factors: 4\nResolution floor: ")) << report;
    EXPECT_TRUE(contains(report, " (probabilities below it carry no accuracy)\n"
                                 "Warning: not evaluated, since the PV type file gives them no "
                                 "type: Up\nReason: " + reason + "\nPhases (wall seconds): "))
        << report;
    TempDir missing;
    r = run_on(data_dir(), "pvtype_missing", missing);
    EXPECT_TRUE(contains(slurp(missing.file("r.txt")),
                         "type: Up\nReason: Error opening file " + data_dir() +
                             "pvtype_missing.pvtype\n"));
}

TEST(IncompleteInput, InputsThatAreNotRegularFilesAreRefused)
{
    struct Case {
        std::string file, kind;
    };
    for (const Case& c : {Case{"two.parm", "a named pipe"}, Case{"two.arm", "a named pipe"},
                          Case{"two.det", "a named pipe"},
                          Case{"two.var", "a character device"},
                          Case{"two.pvtype", "a directory"}}) {
        TempDir model, out;
        write_two_state_model(model);
        std::string path = model.file(c.file);
        std::filesystem::remove(path);
        int made = 0;
        if (c.kind == "a named pipe") made = mkfifo(path.c_str(), 0600);
        if (c.kind == "a character device") made = symlink("/dev/zero", path.c_str());
        if (c.kind == "a directory") std::filesystem::create_directory(path);
        ASSERT_EQ(made, 0) << c.file;
        ProgramResult r = run_on(model.dir(), "two", out);
        EXPECT_EQ(r.status, 1) << c.file;
        EXPECT_EQ(r.out, "") << c.file;
        EXPECT_EQ(r.err, "Error reading file " + model.dir() + c.file + ": it is " + c.kind +
                             ", not a regular file.\n");
        EXPECT_TRUE(std::filesystem::is_empty(out.path)) << c.file;
    }
    TempDir model, out;
    write_two_state_model(model);
    std::filesystem::create_directory(out.file("notes"));
    ProgramResult r = run_on(model.dir(), "two", out, {"-K", "notes"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Error reading file " + out.dir() + "notes: it is a directory, not a "
                     "regular file.\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out.path),
                            std::filesystem::directory_iterator()),
              1);
}

TEST(IncompleteInput, MissingInputsKeepTheirMessages)
{
    TempDir model, out;
    write_two_state_model(model);
    ProgramResult r = run_on(model.dir(), "two", out, {"-K", "absent"});
    EXPECT_EQ(r.status, 0);
    std::string report = slurp(out.file("r.txt"));
    EXPECT_TRUE(contains(report, "Comments:\n     Could not open comments file:\n     " +
                                     out.dir() + "absent\n"));
    EXPECT_TRUE(contains(report, "dss: Could not open file " + model.dir() + "two.parm.\n"));
    // the reason of the comments file beside the report's lines; a missing .parm is common
    EXPECT_EQ(r.err, "Warning: cannot open comments file " + out.dir() + "absent: No such file or directory.\n");
}
