// Number checks of the .arm readers, and where a refused number stands in its file.
#include "statelevel/Flat/ArmNumbers.h"

#include <cstdio>
#include <cstdlib>

#include "statelevel/Flat/FlatTokenReader.h"
#include "statelevel/RateText.h"

static bool isBlank(int c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Longest part of a word kept for a message (which shows less of it).
static const size_t KEPT_WORD = 1 << 16;

namespace {

// The line and the whole word of the .arm file at path that ends at offset `end`.
ChainFault placeOf(const std::string& path, long long end)
{
    ChainFault f{path, 0, "", ""};
    FILE* file = fopen(path.c_str(), "rb");
    if (file != nullptr) {
        f.line = 1;
        // the word starts after the last blank before `end`; its line counts the breaks before it
        int c;
        for (long long at = 0; at < end && (c = getc_unlocked(file)) != EOF; ++at) {
            if (!isBlank(c)) {
                if (f.token.size() < KEPT_WORD) f.token.push_back((char)c);
                continue;
            }
            if (c == '\n') ++f.line;
            f.token.clear();
        }
        while ((c = getc_unlocked(file)) != EOF && !isBlank(c) && f.token.size() < KEPT_WORD)
            f.token.push_back((char)c);
        fclose(file);
    }
    return f;
}

}  // namespace

ChainFault arm_trailing_fault(const std::string& path, long long end, int n)
{
    ChainFault f = placeOf(path, end);
    f.reason = "the file goes on after the records of its " + std::to_string(n) + " states";
    return f;
}

ChainFault arm_number_fault(const std::string& path, long long end, ArmNumber fault)
{
    ChainFault f = placeOf(path, end);
    if (fault == ArmNumber::RunTogether)
        f.reason = "the word is not one number: numbers are separated by blanks";
    else
        f.reason = rate_underflow_reason(strtod(f.token.c_str(), nullptr));
    return f;
}
