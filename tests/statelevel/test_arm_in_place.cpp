// Records read in place from the loaded block: a file of over a mebibyte, so that records lie
// deep inside blocks and across their ends, gives every destination and every rate as strtod
// reads its text, whatever legal form the numbers take; and a fault deep inside it is refused
// with the line, the word and the reason a small file gets.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "framework/InputError.h"
#include "statelevel/Flat/ArmScan.h"
#include "tests/support/TempDir.h"

namespace {

const char* const ARM_CORRUPT = "Error reading state space file (.arm file) possibly due to corruption.\n";

struct Written {
    std::vector<std::vector<int>> dest;  // from 0
    std::vector<std::vector<std::string>> rate;
};

class Kept : public ArmRecords {
public:
    void header(int, int states) override { rows.assign(states, {}); }
    void record(int row, int count, const int* dest, const double* rate) override
    {
        for (int k = 0; k < count; ++k) rows[row].emplace_back(dest[k], rate[k]);
    }
    std::vector<std::vector<std::pair<int, double>>> rows;
};

// A rate in one of the forms a file may hold, legal all of them.
std::string rateText(std::mt19937& gen)
{
    static const char* const forms[] = {"0.84", "1", "1E2", ".5", "5.", "0005", "1.5e+2", "2.5e-3", "0", "0.0",
                                        "0.1000000000000000000000001", "1e23", "1e-22", "9007199254740993",
                                        "+0.25", "3.14159265358979323846", "1e-307", "1.7e308", "123456789012"};
    if (gen() % 2 == 0) return std::to_string(1 + gen() % 1000) + "." + std::to_string(gen() % 100);
    return forms[gen() % (sizeof forms / sizeof forms[0])];
}

// A blank, line ends among them unless each record keeps to its line.
const char* blank(std::mt19937& gen, bool lineBreaks)
{
    static const char* const blanks[] = {" ", " ", " ", "  ", "\t", "\n", " \r\n "};
    return blanks[gen() % (lineBreaks ? 7 : 5)];
}

// n records with a few transitions each, numbers in their many forms; destinations now and
// then signed or with leading zeros.
std::string bigArm(std::mt19937& gen, int n, Written& w, bool lineBreaks = true)
{
    std::string arm = "1 " + std::to_string(n) + "\n";
    w.dest.assign(n, {});
    w.rate.assign(n, {});
    for (int i = 0; i < n; ++i) {
        arm += std::to_string(i + 1);
        for (int k = (int)(gen() % 5); k > 0; --k) {
            const int j = (int)(gen() % (unsigned)n);
            const int form = (int)(gen() % 20);
            std::string to = std::to_string(j + 1);
            if (form == 0) to = "+" + to;
            if (form == 1) to = "00" + to;
            w.dest[i].push_back(j);
            w.rate[i].push_back(rateText(gen));
            arm += blank(gen, lineBreaks) + to + blank(gen, lineBreaks) + w.rate[i].back();
        }
        arm += std::string(blank(gen, lineBreaks)) + "0\n";
    }
    return arm;
}

// Line l (from 1) of text replaced by `with`.
std::string replaceLine(const std::string& text, int l, const std::string& with)
{
    size_t from = 0;
    for (int k = 1; k < l; ++k) from = text.find('\n', from) + 1;
    return text.substr(0, from) + with + text.substr(text.find('\n', from));
}

}  // namespace

TEST(ArmInPlace, EveryNumberOfABigFileIsReadAsItsText)
{
    std::mt19937 gen(2718);
    Written w;
    const int n = 60000;
    TempDir dir;
    const std::string arm = bigArm(gen, n, w);
    ASSERT_GT(arm.size(), (size_t)(1 << 20) + (1 << 19));  // records across the end of a block
    dir.write("big.arm", arm);
    Kept kept;
    scan_arm_file(dir.file("big.arm"), kept);
    ASSERT_EQ((int)kept.rows.size(), n);
    for (int i = 0; i < n; ++i) {
        ASSERT_EQ(kept.rows[i].size(), w.dest[i].size()) << "state " << i + 1;
        for (size_t k = 0; k < w.dest[i].size(); ++k) {
            ASSERT_EQ(kept.rows[i][k].first, w.dest[i][k]) << "state " << i + 1;
            const double expected = strtod(w.rate[i][k].c_str(), nullptr);
            ASSERT_EQ(std::memcmp(&kept.rows[i][k].second, &expected, sizeof expected), 0)
                << "state " << i + 1 << ", rate " << w.rate[i][k] << " read as " << kept.rows[i][k].second;
        }
    }
}

TEST(ArmInPlace, AFaultDeepInABigFileIsRefusedAsInASmallOne)
{
    std::mt19937 gen(31);
    Written w;
    const int n = 60000, line = 40001, state = line - 1;  // deep inside the second block
    const std::string arm = bigArm(gen, n, w, false);  // record i on line i + 1
    const std::string s = std::to_string(state);
    const std::string rateWhy = ": expected the rate from state " + s + " to state 7, a finite number of at least zero.\n";
    const std::string underflow = "a positive rate below 2.2250738585072014e-308, the smallest normal double, would be read as 0";
    TempDir dir;
    const std::string path = dir.file("f.arm");
    const std::string at = path + ", line " + std::to_string(line) + ", at \"";
    const struct {
        std::string record, text, detail;
    } cases[] = {
        {s + " 7 -1.0 0", ARM_CORRUPT + at + "-1.0\"" + rateWhy, ""},
        {s + " 7 nan 0", ARM_CORRUPT + at + "nan\"" + rateWhy, ""},
        {s + " 7 1e999 0", ARM_CORRUPT + at + "1e999\"" + rateWhy, ""},
        {s + " 7 2.02.0 0",
         "Error reading state space file " + at + "2.02.0\": the word is not one number: numbers are separated by blanks.\n", ""},
        {s + " 7 1e-330 0", "Error reading state space file " + at + "1e-330\": " + underflow + ".\n", ""},
        {s + " 60001 1 0", ARM_CORRUPT + at + "60001\": a destination is a state from 1 to 60000.\n", ""},
        {s + " 2.5 1 0", "Error reading state space file " + at +
                             "2.5\": the word is not one number: numbers are separated by blanks.\n", ""},
        {std::to_string(state + 1) + " 7 1 0", "There is a missing row in the matrix.\n",
         at + std::to_string(state + 1) + "\": the record of state " + s + " was expected.\n"},
    };
    for (const auto& c : cases) {
        dir.write("f.arm", replaceLine(arm, line, c.record));
        InputError fault("", InputError::STANDARD_ERROR);
        ASSERT_TRUE(arm_file_fault(path, fault)) << c.record;
        EXPECT_EQ(fault.text(), c.text) << c.record;
        EXPECT_EQ(fault.detail(), c.detail) << c.record;
    }
}
