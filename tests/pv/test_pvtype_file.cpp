// The PV type file: accepted files, the four refusals, the key-mismatch
// message, and lines that are not "key:value" lines.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/MemoryStateLevel.h"

struct PVTypeRead {
    bool ok;
    std::string err;
};

static std::string pvtypePath(const char* name)
{
    return std::string(VELMAR_TEST_DATA) + "/pvtype/" + name + ".pvtype";
}

// Reads the named file for a state level whose PVs are named `names`.
static PVTypeRead readFor(MemoryStateLevel& level, const char* name)
{
    testing::internal::CaptureStderr();
    bool ok = level.readPVTypeFile(pvtypePath(name).c_str());
    return {ok, testing::internal::GetCapturedStderr()};
}

// A state level with the PVs A, B and C.
struct ABC : MemoryStateLevel {
    ABC() : MemoryStateLevel(2, {})
    {
        for (const char* n : {"A", "B", "C"}) names.push_back(n);
    }
};

static std::string errorReading(const char* name) { return "Error reading " + pvtypePath(name); }

TEST(PVTypeFile, StoresTypesAndTimePoints)
{
    for (const char* name : {"good", "numpv_blanks", "last_line_no_newline"}) {
        ABC level;
        PVTypeRead r = readFor(level, name);
        EXPECT_TRUE(r.ok) << name;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(level.pv_type, (std::vector<int>{3, 1, 3}));
        ASSERT_EQ(level.num_times, (std::vector<int>{0, 2, 0}));
        EXPECT_EQ(level.start_times[1][1], 30.0);
        EXPECT_EQ(level.stop_times[1][1], 40.0);
    }
    MemoryStateLevel none(2, {});
    PVTypeRead r = readFor(none, "numpv_zero");
    EXPECT_TRUE(r.ok);
    EXPECT_TRUE(none.pv_type.empty() && none.num_times.empty());
    // abc reads as 0 and so suits a state level without PVs
    EXPECT_TRUE(readFor(none, "numpv_word").ok);
}

TEST(PVTypeFile, RefusalsOfOpenVersionCountAndName)
{
    ABC level;
    PVTypeRead r = readFor(level, "absent");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.err, "Error opening file " + pvtypePath("absent") + "\nNo such file or directory.\n");
    for (const char* name : {"version_blank", "version_real"}) {
        r = readFor(level, name);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.err, errorReading(name) + ".\nFile is not a supported version.\n" +
                             pvtypePath(name) + ", line 1, at \"" + (name[8] == 'b' ? " 1" : "1.0") + "\".\n");
    }
    r = readFor(level, "numpv_word");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.err, errorReading("numpv_word") +
                         ".\nFile contains the wrong number of PV variables.\n"
                         "Expected 3 but file contains 0\n" +
                         pvtypePath("numpv_word") + ", line 2, at \"abc\".\n");
    r = readFor(level, "name_leading_space");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.err, errorReading("name_leading_space") +
                         "\n. Expected PV named A but found PV named  A\n" +
                         pvtypePath("name_leading_space") + ", line 3.\n");
    // the reason is kept for the report, in one line
    EXPECT_EQ(level.pvtype_failure, errorReading("name_leading_space") +
                                        ". Expected PV named A but found PV named  A");
}

TEST(PVTypeFile, LineEndsOfOtherSystemsAndTrailingBlanksAreAccepted)
{
    // "Name:A " is the name A: a blank nobody sees does not refuse the file
    for (const char* name : {"name_trailing_space", "crlf"}) {
        ABC level;
        PVTypeRead r = readFor(level, name);
        EXPECT_TRUE(r.ok) << name;
        EXPECT_EQ(r.err, "") << name;
        EXPECT_EQ(level.pv_type, (std::vector<int>{3, 1, 3})) << name;
        ASSERT_EQ(level.num_times, (std::vector<int>{0, 2, 0})) << name;
        EXPECT_EQ(level.stop_times[1][1], 40.0) << name;
        EXPECT_TRUE(level.pvtype_failure.empty()) << name;
    }
}

TEST(PVTypeFile, NameMismatchAtTheThirdPVKeepsTheFirstTwo)
{
    ABC level;
    PVTypeRead r = readFor(level, "third_name_wrong");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.err, errorReading("third_name_wrong") +
                         "\n. Expected PV named C but found PV named D\n" +
                         pvtypePath("third_name_wrong") + ", line 13.\n");
    EXPECT_EQ(level.pv_type, (std::vector<int>{3, 1}));
    EXPECT_EQ(level.num_times, (std::vector<int>{0, 2}));
}

TEST(PVTypeFile, MisspeltKeyIsReportedAndItsValueUsed)
{
    ABC level;
    PVTypeRead r = readFor(level, "misspelt_key");
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.err, "Error reading PV file.\n  Expected key: Type\n  but read key: Typ\n" +
                         pvtypePath("misspelt_key") + ", line 7.\n");
    EXPECT_EQ(level.pv_type[1], 2);
}

TEST(PVTypeFile, LinesThatAreNotKeyValueLinesStopTheReading)
{
    struct Case {
        const char* name;
        std::string second;
        std::string place;  // after the file's name
    } cases[] = {
        {"no_colon", "Expected a line Type:value of at most 499 characters.\n", ", line 7, at \"Type 1\""},
        // the line is shown cut
        {"long_line", "Expected a line Name:value of at most 499 characters.\n",
         ", line 6, at \"Name:B" + std::string(34, ' ') + "...\""},
        {"early_end", "The file ends where the key Stop was expected.\n", ": the file ends after line 11"},
        {"negative_times", "Negative number of time points for PV B.\n", ", line 8, at \"-1\""},
        // a count the file cannot back allocates nothing of its size
        {"numtimes_huge", "The file ends where the key Stop was expected.\n", ": the file ends after line 9"},
    };
    for (const Case& c : cases) {
        ABC level;
        PVTypeRead r = readFor(level, c.name);
        EXPECT_FALSE(r.ok) << c.name;
        EXPECT_EQ(r.err, errorReading(c.name) + ".\n" + c.second + pvtypePath(c.name) + c.place + ".\n");
        EXPECT_EQ(level.num_times, (std::vector<int>{0}));  // PV A stays stored
    }
}
