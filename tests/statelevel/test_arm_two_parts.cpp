// A .arm file read in two parts at once: wherever the later part is made to start, the level
// holds the rows of the reading in one part, and a fault in either part is refused with the
// very message the reading in one part gives.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "framework/InputError.h"
#include "statelevel/Flat/ArmScan.h"
#include "statelevel/Flat/FlatStateLevel.h"
#include "tests/statelevel/FlatWalkHelpers.h"
#include "tests/support/TempDir.h"

namespace {

// Forces every reading to split at byte `at` while it lives.
struct SplitAt {
    explicit SplitAt(long long at)
    {
        arm_split().from = 0;
        arm_split().at = at;
    }
    ~SplitAt() { arm_split() = ArmSplit(); }
};

// The records as handed on, the later part kept apart until joined.
class Kept : public ArmRecords {
public:
    void header(int, int states) override
    {
        rows.assign(states, {});
        ++headers;
    }
    void record(int row, int count, const int* dest, const double* rate) override
    {
        if ((size_t)row >= rows.size()) rows.resize((size_t)row + 1);  // a later part has no header
        for (int k = 0; k < count; ++k) rows[row].emplace_back(dest[k], rate[k]);
    }
    std::unique_ptr<ArmRecords> laterRecords() override { return std::unique_ptr<ArmRecords>(new Kept); }
    void joinLater(std::unique_ptr<ArmRecords> part) override
    {
        Kept& later = static_cast<Kept&>(*part);
        for (size_t i = 0; i < later.rows.size(); ++i)
            if (!later.rows[i].empty()) rows[i] = later.rows[i];
    }
    std::vector<std::vector<std::pair<int, double>>> rows;
    int headers = 0;
};

// n records, each on its own line unless `spread`, when a record runs over several lines.
std::string armText(int n, unsigned seed, bool spread, std::vector<Entry>& written)
{
    std::mt19937 gen(seed);
    std::ostringstream arm;
    const char* gap = spread ? "\n" : " ";
    arm << "1 " << n << "\n";
    for (int i = 0; i < n; ++i) {
        arm << i + 1;
        for (int k = (int)(gen() % 5); k > 0; --k) {
            const int j = (int)(gen() % n);
            const double r = 0.125 * (1 + gen() % 80);
            arm << gap << j + 1 << " " << r;
            written.emplace_back(i, j, r);
        }
        arm << " 0\n";
    }
    return arm.str();
}

// The byte after each line end of text.
std::vector<long long> lineStarts(const std::string& text)
{
    std::vector<long long> at;
    for (size_t p = text.find('\n'); p != std::string::npos; p = text.find('\n', p + 1)) at.push_back((long long)p + 1);
    return at;
}

std::vector<Entry> rowsRead(const std::string& base)
{
    testing::internal::CaptureStderr();
    FlatStateLevel level(base.c_str());
    testing::internal::GetCapturedStderr();
    return allRows(level);
}

}  // namespace

TEST(ArmTwoParts, EverySplitGivesTheRowsOfOneReading)
{
    for (bool spread : {false, true}) {
        std::vector<Entry> written;
        const int n = 400;
        const std::string arm = armText(n, spread ? 11 : 7, spread, written);
        TempDir dir;
        dir.write("r.arm", arm);
        const std::vector<long long> starts = lineStarts(arm);
        int split = 0;
        for (size_t l = 0; l < starts.size(); l += spread ? 7 : 13) {
            SplitAt at(starts[l]);
            ASSERT_EQ(rowsRead(dir.dir() + "r"), written) << "split at byte " << starts[l];
            Kept kept;
            const bool two = scan_arm_file(dir.file("r.arm"), kept);
            split += two;
            std::vector<Entry> seen;
            for (int i = 0; i < n; ++i)
                for (const auto& e : kept.rows[i]) seen.emplace_back(i, e.first, e.second);
            ASSERT_EQ(seen, written) << "split at byte " << starts[l];
            // a file of one record per line always splits where a record starts after the header
            if (!spread && l >= 1 && starts[l] < (long long)arm.size()) {
                EXPECT_TRUE(two) << starts[l];
            }
        }
        EXPECT_GT(split, 5);  // a record over several lines still splits where one starts
        for (long long at : {0ll, 1ll, 2ll, (long long)arm.size() - 3, (long long)arm.size() + 10}) {
            SplitAt a(at);
            ASSERT_EQ(rowsRead(dir.dir() + "r"), written) << "split at byte " << at;
        }
    }
}

TEST(ArmTwoParts, AFaultInEitherPartIsRefusedAsInOneReading)
{
    std::vector<Entry> written;
    const int n = 300, line = 151;  // the record of state 150
    const std::string arm = armText(n, 3, false, written);
    const std::vector<long long> starts = lineStarts(arm);
    const struct {
        std::string record;
    } faults[] = {{"150 7 -1.0 0"}, {"150 7 2.02.0 0"}, {"150 301 1 0"}, {"151 7 1 0"}, {"150 7"}, {"150 7 1 0 9"}};
    TempDir dir;
    const std::string path = dir.file("f.arm");
    for (const auto& f : faults) {
        std::string text = arm;
        const size_t from = (size_t)starts[line - 2], to = text.find('\n', from);
        text = text.substr(0, from) + f.record + text.substr(to);
        dir.write("f.arm", text);
        InputError alone("", InputError::STANDARD_ERROR);
        ASSERT_TRUE(arm_file_fault(path, alone)) << f.record;
        for (int l : {2, 60, line - 2, line - 1, line, 250}) {
            SplitAt at(starts[l - 1]);
            InputError split("", InputError::STANDARD_ERROR);
            ASSERT_TRUE(arm_file_fault(path, split)) << f.record << ", split at line " << l + 1;
            EXPECT_EQ(split.text(), alone.text()) << f.record << ", split at line " << l + 1;
            EXPECT_EQ(split.detail(), alone.detail()) << f.record << ", split at line " << l + 1;
        }
    }
    // what follows the last record, in the later part
    dir.write("f.arm", arm + "17\n");
    InputError alone("", InputError::STANDARD_ERROR);
    ASSERT_TRUE(arm_file_fault(path, alone));
    SplitAt at(starts[200]);
    InputError split("", InputError::STANDARD_ERROR);
    ASSERT_TRUE(arm_file_fault(path, split));
    EXPECT_EQ(split.text(), alone.text());
    EXPECT_EQ(split.detail(), alone.detail());
}
