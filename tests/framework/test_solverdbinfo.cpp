// The statistics record's capacity and name rules, and the -D globals.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "framework/SolverDBInfo.h"

namespace {

struct Record {
    SolverDBInfo* info = (SolverDBInfo*)malloc(sizeof(SolverDBInfo));
    Record() { SolverDBInfo_Init(info); }
    ~Record() { free(info); }
};

}  // namespace

TEST(SolverDBInfo, AFullGroupRefusesTheNinthEntryAndLeavesOthersAlone)
{
    Record r;
    testing::internal::CaptureStdout();
    for (int i = 0; i < 9; ++i) SolverDBInfo_AddInt4(r.info, ("n" + std::to_string(i)).c_str(), i);
    SolverDBInfo_AddFloat8(r.info, "f", 0.5);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "ERROR: Data is full.  Can not add n8=8\n");
    EXPECT_EQ(r.info->numInt4, 8);
    EXPECT_STREQ(r.info->int4Names[7], "n7");
    EXPECT_EQ(r.info->numFloat8, 1);
    EXPECT_EQ(SolverDBInfo_GetTotalNum(r.info), 9);
}

TEST(SolverDBInfo, FullGroupMessagesPerGroup)
{
    Record r;
    for (int i = 0; i < 8; ++i) {
        SolverDBInfo_AddInt8(r.info, "a", 1);
        SolverDBInfo_AddFloat8(r.info, "b", 1);
        SolverDBInfo_AddBoolean(r.info, "c", 1);
    }
    testing::internal::CaptureStdout();
    SolverDBInfo_AddInt8(r.info, "a-name-that-is-much-too-long-for-a-slot", 7);
    SolverDBInfo_AddFloat8(r.info, "b", 0.25);
    SolverDBInfo_AddBoolean(r.info, "c", 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "ERROR: Data is full.  Can not add a-name-that-is-much-too-long-for-a-slot=7\n"
              "ERROR: Data is full.  Can not add b=0.250000\n"
              "ERROR: Data is full.  Can not add c=1\n");
}

TEST(SolverDBInfo, NamesOfTwentyFourCharactersFitAndLongerOnesAreRefused)
{
    Record r;
    std::string fits(24, 'x'), tooLong(25, 'y');
    testing::internal::CaptureStdout();
    SolverDBInfo_AddInt4(r.info, fits.c_str(), 1);
    SolverDBInfo_AddInt4(r.info, tooLong.c_str(), 2);
    SolverDBInfo_AddBoolean(r.info, "ok", 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "ERROR: Name is too long: " + tooLong + "\n");
    EXPECT_EQ(SolverDBInfo_GetTotalNum(r.info), 2);
    EXPECT_STREQ(r.info->int4Names[0], fits.c_str());
}

TEST(SolverDBInfo, NullRecordIsReported)
{
    testing::internal::CaptureStdout();
    SolverDBInfo_Init(nullptr);
    EXPECT_EQ(SolverDBInfo_GetTotalNum(nullptr), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "ERROR: SolverDBInfo is NULL\nERROR: SolverDBInfo is NULL\n");
}

TEST(DBSwitches, FirstLetterChoosesTheGlobalAndIsKept)
{
    initDBGlobals();
    parseDBSwitches("ehost1");
    parseDBSwitches("sserver");
    parseDBSwitches("i42");
    parseDBSwitches("inot-a-number");
    parseDBSwitches("xignored");
    EXPECT_STREQ(db_entity, "ehost1");
    EXPECT_STREQ(db_host, "sserver");
    EXPECT_EQ(db_exp_index, 42);
    initDBGlobals();
    EXPECT_STREQ(db_entity, "");
    EXPECT_STREQ(db_host, "");
    EXPECT_EQ(db_exp_index, 0);
}

TEST(DBSwitches, OverlongValuesAreTruncatedWithAWarning)
{
    std::string value = "e" + std::string(200, 'z');
    testing::internal::CaptureStdout();
    parseDBSwitches(value.c_str());
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("truncated"), std::string::npos);
    EXPECT_EQ(std::string(db_entity), value.substr(0, 95));
    initDBGlobals();
}
