// The buffered token reader accepts and rejects exactly the numbers that
// formatted stream extraction does, yields the same value bit for bit, and
// stops at the same character.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cfloat>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "statelevel/Flat/FlatTokenReader.h"

namespace {

// What one extraction gave: failure, or the value and the next word after it.
struct Outcome {
    bool ok = false;
    std::string bits;  // the value's bytes, so that -0 and 0 differ
    std::string rest;

    bool operator==(const Outcome& o) const
    {
        return ok == o.ok && (!ok || (bits == o.bits && rest == o.rest));
    }
};

template <class T> std::string bytesOf(T v)
{
    return std::string(reinterpret_cast<const char*>(&v), sizeof v);
}

// Writes texts to one scratch file and reads them back through the reader.
class ScratchFile {
public:
    ScratchFile()
    {
        // memory-backed when the machine has it: thousands of tiny files follow
        char shm[] = "/dev/shm/velmar_numXXXXXX", tmp[] = "/tmp/velmar_numXXXXXX";
        int fd = mkstemp(shm);
        path = shm;
        if (fd < 0) {
            fd = mkstemp(tmp);
            path = tmp;
        }
        if (fd >= 0) close(fd);
    }
    ~ScratchFile() { unlink(path.c_str()); }

    // Writes text as the file's whole content.
    void write(const std::string& text)
    {
        FILE* f = fopen(path.c_str(), "wb");
        fwrite(text.data(), 1, text.size(), f);
        fclose(f);
    }
    const std::string& name() const { return path; }

    template <class T> Outcome read(const std::string& text)
    {
        write(text);
        Outcome o;
        T v{};
        if (!in.open(path.c_str())) return o;
        o.ok = take(in, v);
        if (!o.ok) return o;
        o.bits = bytesOf(v);
        in.readWord(o.rest);
        return o;
    }

private:
    static bool take(FlatTokenReader& in, int& v) { return in.readInt(v); }
    static bool take(FlatTokenReader& in, double& v) { return in.readDouble(v); }
    std::string path;
    FlatTokenReader in;  // one reader reopened for every text, as its buffer is large
};

// The same text through std::istringstream.
template <class T> Outcome streamRead(const std::string& text)
{
    std::istringstream s(text);
    Outcome o;
    T v{};
    if (!(s >> v)) return o;
    o.ok = true;
    o.bits = bytesOf(v);
    s >> o.rest;
    return o;
}

template <class T> void expectSameAsStream(ScratchFile& f, const std::string& text)
{
    // a text that ends the file, and the same with a line break after it
    Outcome ended = f.read<T>(text), mine = f.read<T>(text + "\n"), theirs = streamRead<T>(text);
    EXPECT_TRUE(ended == mine) << "\"" << text << "\" reads otherwise before a line break";
    EXPECT_TRUE(mine == theirs) << (sizeof(T) == sizeof(int) ? "int" : "double") << " \""
                                << text << "\": reader " << (mine.ok ? "accepts" : "rejects")
                                << " rest \"" << mine.rest << "\", stream "
                                << (theirs.ok ? "accepts" : "rejects") << " rest \""
                                << theirs.rest << "\"";
}

const char* const FORMS[] = {
    "0", "-0", "+0", "5", "+5", "-5", "007", "-007", "5.", ".5", "-.5", "+.5", "5.25", "1e5",
    "1E5", "1e+5", "1e-5", "1.5e3", ".5e1", "5.e1", "-5.e-1", "1e", "1e+", "1e-", "1ex", "1.2.3",
    "5x", "x5", "0x10", "0X1p3", "inf", "-inf", "INF", "nan", "NaN", "infinity", ".", "-.", "+",
    "-", "--5", "+-5", "e5", ".e5", "-e5", " \t\n 42 7", "\v\f\r3", "1,5", "1 5", "", "   ",
    "2147483647", "2147483648", "-2147483648", "-2147483649", "99999999999999999999",
    "-99999999999999999999", "1e308", "1.7976931348623157e308", "1.7976931348623159e308",
    "1e309", "-1e309", "4.9e-324", "2e-324", "1e-400", "-1e-400", "0e999999999999",
    "1e-99999999999", "0.1", "0.3", "3.141592653589793238462643383279",
    "0.90000000000000002", "9007199254740993", "123456789012345678901234567890",
    "0.000000000000000000000000000001", "1e22", "1e23", "8.5e-23", "12345678.9e-7",
    "5\xc2\xa0", "5e5e5", "1..5", "1.e", "+e", "0.5 0",
    // digits past 2^64: 2^64, 2^65 + 1 and 2^64 + 3 times ten to the -1
    "18446744073709551616", "36893488147419103233", "1844674407370955161.9e1",
};

TEST(NumberForms, TableOfFormsReadsAsFormattedStreamExtraction)
{
    ScratchFile f;
    for (const char* text : FORMS) {
        expectSameAsStream<int>(f, text);
        expectSameAsStream<double>(f, text);
    }
}

TEST(NumberForms, RandomStringsReadAsFormattedStreamExtraction)
{
    const std::string alphabet = "0123456789000111+-..eeEExXpinfaN \t\n";
    std::mt19937 gen(20240531);
    std::uniform_int_distribution<int> length(0, 14), pick(0, (int)alphabet.size() - 1);
    ScratchFile f;
    for (int t = 0; t < 5000; ++t) {
        std::string text;
        for (int k = length(gen); k > 0; --k) text.push_back(alphabet[pick(gen)]);
        expectSameAsStream<int>(f, text);
        expectSameAsStream<double>(f, text);
    }
}

TEST(NumberForms, RandomDecimalsKeepEveryBit)
{
    std::mt19937_64 gen(77);
    std::uniform_int_distribution<int> digits(1, 20), exponent(-330, 310), style(0, 5);
    ScratchFile f;
    char text[64];
    for (int t = 0; t < 3000; ++t) {
        double v = std::ldexp((double)(gen() >> 11), (int)(gen() % 200) - 100);
        unsigned long long m = gen() % 100000000000ULL;
        unsigned long long near53 = gen() % (1ULL << 54);  // mantissas around 2^53
        int near22 = (int)(gen() % 51) - 25;                // scales around 10^22
        switch (style(gen)) {
        case 0: snprintf(text, sizeof text, "%.*g", digits(gen), v); break;
        case 1: snprintf(text, sizeof text, "%.*e", digits(gen), v); break;
        case 2: snprintf(text, sizeof text, "%llue%d", m, exponent(gen)); break;
        case 3: snprintf(text, sizeof text, "-%.*f", digits(gen) % 8, v * 1e-20); break;
        case 4:
            snprintf(text, sizeof text, "%.*f", digits(gen) % 12, (double)(m % 10000000) / 1000);
            break;
        default: snprintf(text, sizeof text, "%llue%d", near53, near22);
        }
        expectSameAsStream<double>(f, text);
    }
}

TEST(NumberForms, TokensStraddlingTheReadBlockAreWhole)
{
    // the reader fills its buffer a mebibyte at a time
    std::string text(1 << 20, ' ');
    text.replace(text.size() - 3, 3, "-12");
    text += "345.5e-1 77";
    ScratchFile f;
    expectSameAsStream<double>(f, text);
    text.replace(text.size() - 11, 8, "345x    ");
    expectSameAsStream<int>(f, text);
}

// What one read gave, wherever it stopped: failure or the value, how far the reader went,
// the text it kept of a number and the next word.
struct Stop {
    bool ok = false;
    std::string bits, kept, rest;
    long long taken = 0;

    bool operator==(const Stop& o) const
    {
        return ok == o.ok && bits == o.bits && kept == o.kept && rest == o.rest && taken == o.taken;
    }
};

enum class Kind { Int, Digits, Double };

// Reads one number of `kind` from the start of the file at path, and the word after it.
Stop readFirst(FlatTokenReader& in, const std::string& path, Kind kind)
{
    Stop s;
    if (!in.open(path.c_str())) return s;
    int i = 0;
    long long d = 0;
    double x = 0.0;
    switch (kind) {
    case Kind::Int: s.ok = in.readInt(i), s.bits = s.ok ? bytesOf(i) : ""; break;
    case Kind::Digits: s.ok = in.readDigits(d), s.bits = s.ok ? bytesOf(d) : ""; break;
    case Kind::Double:
        s.ok = in.readDouble(x);
        s.bits = s.ok ? bytesOf(x) : "";
        s.kept = in.lastNumber();
        break;
    }
    s.taken = in.tell();
    in.readWord(s.rest);
    if (kind == Kind::Double) s.kept += "|" + in.lastNumber();  // the same after another block
    return s;
}

TEST(NumberForms, AWordReadsTheSameWhereverAReadBlockEnds)
{
    // Every form is read in one block and then in blocks of 1 to 24 bytes, which end at
    // every place in it and just after it: the value, the place the reader stops at (also
    // after a refusal), the text it keeps and the next word all agree.
    std::vector<std::string> texts(std::begin(FORMS), std::end(FORMS));
    for (const char* t : {"0.000e-400", "-0e5", "1e-310", "-1e-310", "4E-324", "0E0",
                          "000000000000000000003", "12345678901234567890", "1234567890123456789",
                          "99999999999999999999e-5", "1.e+", "-.e1", "7 ", "123456789012345678",
                          "9007199254740992", "9007199254740993", "90071992547409921e-1",
                          "0.9007199254740993", "1E-22", "1e-23", "2.5E+22"})
        texts.push_back(t);
    std::mt19937 gen(4711);
    const std::string alphabet = "0123456789000+-..eE ";
    std::uniform_int_distribution<int> length(1, 14), pick(0, (int)alphabet.size() - 1);
    for (int t = 0; t < 200; ++t) {
        std::string text;
        for (int k = length(gen); k > 0; --k) text.push_back(alphabet[pick(gen)]);
        texts.push_back(text);
    }
    ScratchFile file;
    FlatTokenReader whole;
    const Kind kinds[] = {Kind::Int, Kind::Digits, Kind::Double};
    for (const std::string& form : texts) {
        for (size_t lead = 0; lead < 3; ++lead) {
            file.write(std::string(lead, ' ') + form + " next");
            for (Kind kind : kinds) {
                const Stop first = readFirst(whole, file.name(), kind);
                for (size_t block = 1; block <= 24; ++block) {
                    FlatTokenReader in(block);
                    Stop there = readFirst(in, file.name(), kind);
                    EXPECT_TRUE(there == first)
                        << "kind " << (int)kind << " \"" << form << "\" after " << lead
                        << " blanks in blocks of " << block << ": "
                        << (there.ok ? "read" : "refused") << ", taken " << there.taken
                        << " kept \"" << there.kept << "\" rest \"" << there.rest
                        << "\"; in one block: " << (first.ok ? "read" : "refused") << ", taken "
                        << first.taken << " kept \"" << first.kept << "\" rest \"" << first.rest
                        << "\"";
                }
            }
        }
    }
}

}  // namespace
