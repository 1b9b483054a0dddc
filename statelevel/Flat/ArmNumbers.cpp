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

ChainFault word_place(const std::string& path, long long end, bool fileEnded)
{
    ChainFault f{path, 0, "", ""};
    FILE* file = fopen(path.c_str(), "rb");
    if (file == nullptr) return f;
    // the word starts after the last blank before `end`; its line counts the breaks before it
    long line = 1, lastWordLine = 0;
    int c = EOF;
    for (long long at = 0; at < end && (c = getc_unlocked(file)) != EOF; ++at) {
        if (!isBlank(c)) {
            if (f.token.size() < KEPT_WORD) f.token.push_back((char)c);
            lastWordLine = line;
            continue;
        }
        if (c == '\n') ++line;
        f.token.clear();
    }
    if (fileEnded) {
        fclose(file);
        f.token.clear();
        f.line = lastWordLine;
        return f;
    }
    c = getc_unlocked(file);
    if (f.token.empty()) {  // blanks, then the word that starts after them
        for (; c != EOF && isBlank(c); c = getc_unlocked(file))
            if (c == '\n') ++line;
    }
    for (; c != EOF && !isBlank(c) && f.token.size() < KEPT_WORD; c = getc_unlocked(file))
        f.token.push_back((char)c);
    fclose(file);
    f.line = line;
    return f;
}

ChainFault arm_trailing_fault(const std::string& path, long long end, int n)
{
    ChainFault f = word_place(path, end);
    f.reason = "the file goes on after the records of its " + std::to_string(n) + " states";
    return f;
}

ChainFault arm_number_fault(const std::string& path, long long end, ArmNumber fault)
{
    ChainFault f = word_place(path, end);
    if (fault == ArmNumber::RunTogether)
        f.reason = "the word is not one number: numbers are separated by blanks";
    else
        f.reason = rate_underflow_reason(strtod(f.token.c_str(), nullptr));
    return f;
}
