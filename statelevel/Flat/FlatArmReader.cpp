// Reading of the rate matrix from B.arm into row order.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <thread>
#include <vector>

#include "statelevel/Flat/ArmNumbers.h"
#include "statelevel/Flat/ArmScan.h"
#include "statelevel/Flat/DecimalScan.h"
#include "statelevel/Flat/FlatStateLevel.h"
#include "statelevel/Flat/FlatTokenReader.h"
#include "framework/InputError.h"
#include "framework/InputFiles.h"

namespace {

const char* const ARM_CORRUPT =
    "Error reading state space file (.arm file) possibly due to corruption.\n";

// Reading position and the file's name, for the messages.
struct ArmReading {
    FlatTokenReader in;
    std::string path;

    // The place of the word just read (or that failed to read), with a reason.
    std::string placeAt(long long end, const std::string& reason, bool fileEnded = false) const
    {
        ChainFault f = word_place(path, end, fileEnded);
        f.reason = reason;
        return f.place() + "\n";
    }

    // Refuses the file with the corruption message and, on the next line, where and why.
    [[noreturn]] void corrupt(long long end, const std::string& reason) const
    {
        throw InputError(ARM_CORRUPT + placeAt(end, reason), InputError::STANDARD_ERROR);
    }

    // Refuses the file unless the number just read may be used: a number that is not whole
    // or a rate that underflows has its own message; anything else, where `what` was expected.
    template <class What>
    void take(ArmNumber got, What what)
    {
        if (got == ArmNumber::Read) return;
        if (got != ArmNumber::Corrupt) chain_file_fault(arm_number_fault(path, in.tell(), got));
        long long end = in.tell();
        if (in.atEnd())
            throw InputError(ARM_CORRUPT +
                                 placeAt(end, "the file ends where " + what() + " was expected", true),
                             InputError::STANDARD_ERROR);
        corrupt(end, "expected " + what());
    }
};

std::string stateName(int i) { return "state " + std::to_string(i); }

// Reads the record of state i (from 1) word by word, each number checked as it is taken.
int readRecord(ArmReading& r, int i, int n, int* dest, double* rate)
{
    int number = 0;
    r.take(read_arm_int(r.in, number), [&] { return "the record of " + stateName(i); });
    if (number != i)
        throw InputError("There is a missing row in the matrix.\n", InputError::STANDARD_OUTPUT,
                         r.placeAt(r.in.tell(), "the record of " + stateName(i) + " was expected"));
    int count = 0;
    for (;;) {
        int j = 0;
        double rt = 0.0;
        r.take(read_arm_int(r.in, j), [&] {
            return "a destination state or the 0 that ends the record of " + stateName(i);
        });
        if (j == 0) break;
        if (j < 0 || j > n) r.corrupt(r.in.tell(), "a destination is a state from 1 to " + std::to_string(n));
        if (count == n)
            r.corrupt(r.in.tell(), "the record of " + stateName(i) + " holds more than " + std::to_string(n) +
                                       " transitions");
        r.take(read_arm_rate(r.in, rt), [&] {
            return "the rate from " + stateName(i) + " to " + stateName(j) + ", a finite number of at least zero";
        });
        dest[count] = j - 1;
        rate[count] = rt;
        ++count;
    }
    return count;
}

bool isArmBlank(char c) { return c == ' ' || (unsigned)(c - '\t') <= 4u; }

const char* skipBlanks(const char* p)
{
    while (isArmBlank(*p)) ++p;
    return p;
}

// A whole number of at most nine digits, no sign, with a blank after it; false otherwise.
bool plainWhole(const char*& p, int& v)
{
    const char* q = p;
    uint64_t value = 0;  // the digits of a longer word wrap, and it is refused by its length
    for (; isDecimalDigit(*q); ++q) value = value * 10 + (uint64_t)(*q - '0');
    if (q == p || q - p > 9 || !isArmBlank(*q)) return false;
    p = q;
    v = (int)value;
    return true;
}

// Room in the block for a record to be read in place: one that runs into its end is read
// word by word instead, across the blocks.
const size_t inPlaceRoom = 4096;

// The record of state i read in place from the loaded block, when it is of the plain kind a
// generated file holds throughout: unsigned numbers each followed by a blank, destinations
// from 1 to n, rates of normal size held exactly as written. Anything else (a fault, or a
// number only its text can give) leaves the reader where it was and returns -1, and the
// record is read word by word, which takes or refuses it as the file's reader always has.
int readRecordInPlace(FlatTokenReader& in, int i, int n, int* dest, double* rate)
{
    if (in.leftInBlock() < inPlaceRoom) return -1;
    const char* p = skipBlanks(in.inBlock());
    int number = 0;
    if (!plainWhole(p, number) || number != i) return -1;
    int count = 0;
    for (;;) {
        int j = 0;
        p = skipBlanks(p);
        if (!plainWhole(p, j)) return -1;
        if (j == 0) break;
        if (j > n || count == n) return -1;
        p = skipBlanks(p);
        if (*p == '-' || *p == '+') return -1;
        const DecimalScan d = scanDecimal(p);
        double rt = 0.0;
        // digits not all zero at a scale of at most 22 either way make a normal number (from
        // 1e-22 to below 1e38): the check needs no wait for the division that gives the value
        if (!d.shaped || !isArmBlank(*d.end) || d.m == 0 || !exactDecimal(d, rt)) return -1;
        p = d.end;
        dest[count] = j - 1;
        rate[count] = rt;
        ++count;
    }
    in.moveTo(p);
    return count;
}

// Each record goes through scratch arrays of N entries (only the pages a record reaches are
// ever touched).
struct Scratch {
    explicit Scratch(int n) : dest(new int[n]), rate(new double[n]) {}
    std::unique_ptr<int[]> dest;
    std::unique_ptr<double[]> rate;
};

// Reads the record of state i and hands it on.
void readRow(ArmReading& r, int i, int n, Scratch& s, ArmRecords& to)
{
    int count = readRecordInPlace(r.in, i, n, s.dest.get(), s.rate.get());
    if (count < 0) count = readRecord(r, i, n, s.dest.get(), s.rate.get());
    to.record(i - 1, count, s.dest.get(), s.rate.get());
}

// Reads the row records from state `first` to state n.
void readRows(ArmReading& r, int first, int n, ArmRecords& to)
{
    Scratch s(n);
    for (int i = first; i <= n; ++i) readRow(r, i, n, s, to);
}

// Keeps nothing.
class Dropped : public ArmRecords {
public:
    void header(int, int) override {}
    void record(int, int, const int*, const double*) override {}
    std::unique_ptr<ArmRecords> laterRecords() override { return std::unique_ptr<ArmRecords>(new Dropped); }
};

// Reads the initial state and the number of states, checks them and hands them on; returns
// the number of states.
int readHeader(ArmReading& r, ArmRecords& to)
{
    int initial = 0, n = 0;
    r.take(read_arm_int(r.in, initial), [] { return std::string("the initial state"); });
    const long long initialEnd = r.in.tell();
    r.take(read_arm_int(r.in, n), [] { return std::string("the number of states"); });
    const long long nEnd = r.in.tell();
    if (n == 1)
        throw InputError("Corrupt state space file or state space has only one state.\n" +
                             r.placeAt(nEnd, "the number of states"),
                         InputError::STANDARD_ERROR);
    if (n <= 0) r.corrupt(nEnd, "the number of states is at least 2");
    // the initial state decides the long run of a chain with several closed classes
    if (initial < 1 || initial > n)
        r.corrupt(initialEnd, "the initial state is a state from 1 to " + std::to_string(n));
    // every row record takes at least four bytes ("i 0" and a blank): a file
    // too short for N rows is refused before anything of size N is allocated
    long long left = r.in.bytesLeft();
    if (left >= 0 && (long long)n > left / 4)
        r.corrupt(nEnd, "the file is too short for the records of " + std::to_string(n) + " states");
    to.header(initial - 1, n);  // after the check: -2147483648 - 1 would overflow
    return n;
}

// Where a part of the file meets the next: the number of the record there and its first byte.
struct Seam {
    int row = 0;
    long long at = -1;
};

// Reads the records from state 1 on up to the first that starts at or after byte `split`,
// which it leaves unread; false when the file ends or every record comes before `split`.
bool readRowsBefore(ArmReading& r, int n, long long split, ArmRecords& to, Seam& seam)
{
    Scratch s(n);
    for (int i = 1; i <= n; ++i) {
        if (r.in.atEnd()) return false;
        if (r.in.tell() >= split) {
            seam.row = i;
            seam.at = r.in.tell();
            return true;
        }
        readRow(r, i, n, s, to);
    }
    return false;
}

// Reads the file from its first word at or after byte `split` as the records from the one
// that word numbers to state n, with nothing after them; false when it does not read so.
bool readRowsFrom(const std::string& path, long long split, int n, ArmRecords& to, Seam& seam)
{
    ArmReading r;
    r.path = path;
    if (!r.in.open(path.c_str()) || !r.in.seek(split) || r.in.atEnd()) return false;
    seam.at = r.in.tell();
    if (!r.in.readInt(seam.row) || seam.row < 1 || seam.row > n || !r.in.seek(seam.at)) return false;
    readRows(r, seam.row, n, to);
    return r.in.atEnd();
}

// The byte after the first line end at or after byte `from`, looked for within a mebibyte;
// -1 when there is none.
long long lineAfter(const std::string& path, long long from)
{
    FILE* f = fopen(path.c_str(), "rb");
    if (f == nullptr) return -1;
    std::vector<char> bytes(1 << 20);
    size_t got = fseeko(f, (off_t)from, SEEK_SET) == 0 ? fread(bytes.data(), 1, bytes.size(), f) : 0;
    fclose(f);
    const void* end = memchr(bytes.data(), '\n', got);
    return end == nullptr ? -1 : from + ((const char*)end - bytes.data()) + 1;
}

// Reads the records in two parts at once, the later one in a thread of its own, and joins
// them; false, with the records given to `to` so far to be read again, unless the parts meet
// exactly and both read without a fault. Faults of the header are thrown as they are.
bool readInTwoParts(const std::string& path, ArmRecords& to)
{
    const ArmSplit split = arm_split();
    ArmReading r;
    r.path = path;
    if (!r.in.open(path.c_str())) return false;
    const long long size = r.in.bytesLeft();
    if (size < 0 || size < split.from) return false;
    std::unique_ptr<ArmRecords> later = to.laterRecords();
    if (!later) return false;
    const int n = readHeader(r, to);
    const long long at = split.at >= 0 ? split.at : lineAfter(path, size / 2);
    if (at < 0) return false;
    Seam second;
    bool secondRead = false;
    std::thread reader([&] {
        try {
            secondRead = readRowsFrom(path, at, n, *later, second);
        } catch (...) {  // the reading in one part gives the fault
        }
    });
    Seam first;
    bool firstRead = false;
    try {
        firstRead = readRowsBefore(r, n, at, to, first);
    } catch (...) {
    }
    reader.join();
    if (!firstRead || !secondRead || first.row != second.row || first.at != second.at) return false;
    to.joinLater(std::move(later));
    return true;
}

}  // namespace

ArmSplit& arm_split()
{
    static ArmSplit split;
    return split;
}

bool scan_arm_file(const std::string& path, ArmRecords& to)
{
    require_regular_file(path);
    try {
        if (readInTwoParts(path, to)) return true;
    } catch (const std::exception&) {  // read again in one part, which gives any fault
    }
    ArmReading r;
    r.path = path;
    if (!r.in.open(path.c_str()))
        throw InputError("Error reading file " + path + ".\n", InputError::STANDARD_OUTPUT,
                         path + ": " + strerror(errno) + ".\n");
    const int n = readHeader(r, to);
    readRows(r, 1, n, to);
    std::string word;
    if (!r.in.atEnd() && r.in.readWord(word)) chain_file_fault(arm_trailing_fault(path, r.in.tell(), n));
    return false;
}

bool arm_file_fault(const std::string& path, InputError& fault)
{
    Dropped none;
    try {
        scan_arm_file(path, none);
    } catch (const InputError& e) {
        fault = e;
        return true;
    }
    return false;
}

namespace {

// Entries kept in pieces of a fixed size, each handed back to the system once moved on:
// pieces of 32 MiB and more are mappings of their own, which freeing unmaps.
template <class T>
class Pieces {
public:
    void append(const T* from, size_t count)
    {
        while (count > 0) {
            if (pieces.empty() || used == pieceSize) {
                pieces.push_back(std::unique_ptr<T[]>(new T[pieceSize]));
                used = 0;
            }
            const size_t take = std::min(count, pieceSize - used);
            memcpy(pieces.back().get() + used, from, take * sizeof(T));
            used += take;
            from += take;
            count -= take;
        }
    }
    // Moves every entry onto the end of `to`, piece by piece, freeing each as it goes.
    void moveOnto(std::vector<T>& to)
    {
        for (size_t k = 0; k < pieces.size(); ++k) {
            const T* from = pieces[k].get();
            to.insert(to.end(), from, from + (k + 1 == pieces.size() ? used : pieceSize));
            pieces[k].reset();
        }
        pieces.clear();
        used = 0;
    }

private:
    static const size_t pieceSize = size_t(1) << 23;
    std::vector<std::unique_ptr<T[]>> pieces;
    size_t used = 0;
};

// The records of the file's later part, kept apart until the earlier part is in.
class LaterRows : public ArmRecords {
public:
    void header(int, int) override {}
    void record(int row, int count, const int* dest, const double* rate) override
    {
        if (counts.empty()) first = row;
        counts.push_back(count);
        dests.append(dest, (size_t)count);
        rates.append(rate, (size_t)count);
        entries += count;
    }

    int first = 0;
    std::vector<int> counts;  // of each row from `first` on
    size_t entries = 0;
    Pieces<int> dests;
    Pieces<double> rates;
};

}  // namespace

// Keeps the records in the level's rows, packed one after another in file order; each row's
// arrays point into them.
class FlatStateLevel::ArmRows : public ArmRecords {
public:
    ArmRows(FlatStateLevel& level, long long fileBytes) : level(level), fileBytes(fileBytes) {}
    void header(int initial, int states) override
    {
        level.initial_state = initial;
        level.num_states = states;
        level.major_size.assign(states, 0);
        level.minor_index.assign(states, nullptr);
        level.rates.assign(states, nullptr);
        RowStore& p = level.packed;
        p.n = states;
        p.start.assign((size_t)states + 1, 0);
        p.dest.clear();
        p.rate.clear();
        // room for the transitions a typical record takes (a dozen bytes each) up front: the
        // arrays then rarely move while they grow, and room never written takes no memory
        if (fileBytes > 0) {
            p.dest.reserve((size_t)(fileBytes / 12));
            p.rate.reserve((size_t)(fileBytes / 12));
        }
        level.rows_packed = true;
    }
    void record(int row, int count, const int* dest, const double* rate) override
    {
        RowStore& p = level.packed;
        p.dest.insert(p.dest.end(), dest, dest + count);
        p.rate.insert(p.rate.end(), rate, rate + count);
        p.start[row + 1] = (int64_t)p.dest.size();
        level.major_size[row] = count;
        if (row + 1 == level.num_states) pointIntoRows();
    }
    std::unique_ptr<ArmRecords> laterRecords() override { return std::unique_ptr<ArmRecords>(new LaterRows); }
    // The later rows go on after the earlier ones, their entries moved piece by piece.
    void joinLater(std::unique_ptr<ArmRecords> part) override
    {
        LaterRows& later = static_cast<LaterRows&>(*part);
        RowStore& p = level.packed;
        const size_t all = p.dest.size() + later.entries;
        if (p.dest.capacity() < all) p.dest.reserve(all);
        if (p.rate.capacity() < all) p.rate.reserve(all);
        later.dests.moveOnto(p.dest);
        later.rates.moveOnto(p.rate);
        int64_t end = p.start[later.first];
        for (size_t k = 0; k < later.counts.size(); ++k) {
            const int row = later.first + (int)k;
            level.major_size[row] = later.counts[k];
            end += later.counts[k];
            p.start[row + 1] = end;
        }
        pointIntoRows();
    }

private:
    // Once every row is in (the arrays no longer move), each row's pointers into them.
    void pointIntoRows()
    {
        RowStore& p = level.packed;
        for (int i = 0; i < level.num_states; ++i) {
            if (level.major_size[i] == 0) continue;
            level.minor_index[i] = p.dest.data() + p.start[i];
            level.rates[i] = p.rate.data() + p.start[i];
        }
    }

    FlatStateLevel& level;
    long long fileBytes;
};

void FlatStateLevel::readArmFile()
{
    struct stat st;
    const std::string path = base_name + ".arm";
    ArmRows rows(*this, stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? (long long)st.st_size : -1);
    scan_arm_file(path, rows);
}
