// Buffered number and word reading for the state-space files.
#include "statelevel/Flat/FlatTokenReader.h"

#include "statelevel/Flat/DecimalScan.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sys/stat.h>

bool FlatTokenReader::open(const char* path)
{
    close();
    file = fopen(path, "rb");
    if (file == nullptr) return false;
    pos = len = 0;
    loaded = 0;
    struct stat st;
    size = fstat(fileno(file), &st) == 0 && S_ISREG(st.st_mode) ? (long long)st.st_size : -1;
    // a small file needs no block of full size; one byte more for the '\0' after the block
    buffer.resize((size >= 0 && size < (long long)block ? (size_t)size + 1 : block) + 1);
    buffer[0] = '\0';
    return true;
}

void FlatTokenReader::close()
{
    if (numberInBlock) keepNumber();
    if (file != nullptr) fclose(file);
    file = nullptr;
    pos = len = 0;
}

// Loads the next block of the file; false at its end.
bool FlatTokenReader::refill()
{
    if (file == nullptr) return false;
    if (numberInBlock) keepNumber();
    len = fread(buffer.data(), 1, buffer.size() - 1, file);
    buffer[len] = '\0';
    loaded += (long long)len;
    pos = 0;
    return len > 0;
}

bool FlatTokenReader::seek(long long offset)
{
    if (file == nullptr || offset < 0 || fseeko(file, (off_t)offset, SEEK_SET) != 0) return false;
    if (numberInBlock) keepNumber();
    pos = len = 0;
    loaded = offset;
    return true;
}

long long FlatTokenReader::bytesLeft() const
{
    if (size < 0) return -1;
    return size - (loaded - (long long)(len - pos));
}

void FlatTokenReader::skipSpaceAcrossBlocks()
{
    int c;
    while ((c = peek()) != -1 && isBlank(c)) ++pos;
}

bool FlatTokenReader::atEnd()
{
    skipSpace();
    return peek() == -1;
}

size_t FlatTokenReader::takeDigits()
{
    size_t n = 0;
    int c;
    while ((c = peek()) >= '0' && c <= '9') {
        number.push_back((char)c);
        ++pos;
        ++n;
    }
    return n;
}

static bool isDigit(char c) { return (unsigned)(c - '0') <= 9u; }

// The quick paths below read a word inside the loaded block. One that runs into the '\0'
// after the block may go on in the next one: it is read again from its start, character by
// character, and so is taken and refused exactly as a word inside the block.

bool FlatTokenReader::readInt(int& v)
{
    skipSpace();
    if (pos == len) return readIntByChar(v);
    const char* const base = buffer.data();
    const char* p = base + pos;
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    const char* const digits = p;
    unsigned long long value = 0;  // exact up to 19 digits
    for (; isDigit(*p); ++p) value = value * 10 + (unsigned)(*p - '0');
    // many digits may still be a small number, after zeros
    if (p == base + len || p - digits > 18) return readIntByChar(v);
    pos = (size_t)(p - base);
    if (p == digits || value > (unsigned long long)INT_MAX + (negative ? 1 : 0)) return false;
    v = negative ? (int)-(long long)value : (int)value;
    return true;
}

bool FlatTokenReader::readIntByChar(int& v)
{
    skipSpace();
    int c = peek();
    bool negative = c == '-';
    if (c == '-' || c == '+') ++pos;
    long long value = 0;
    bool any = false, overflow = false;
    while ((c = peek()) >= '0' && c <= '9') {
        ++pos;
        any = true;
        if (!overflow) value = value * 10 + (c - '0');
        if (value > (long long)INT_MAX + 1) overflow = true;
    }
    if (!any || overflow) return false;
    if (negative) value = -value;
    if (value > INT_MAX || value < INT_MIN) return false;
    v = (int)value;
    return true;
}

bool FlatTokenReader::readDigits(long long& v)
{
    skipSpace();
    if (pos == len) return readDigitsByChar(v);
    const char* const base = buffer.data();
    const char* const start = base + pos;
    const char* p = start;
    unsigned long long value = 0;  // exact up to 18 digits, which are all it takes
    for (; isDigit(*p); ++p) value = value * 10 + (unsigned)(*p - '0');
    if (p == base + len) return readDigitsByChar(v);
    pos = (size_t)(p - base);
    if (p == start || p - start > 18) return false;
    v = (long long)value;
    return true;
}

bool FlatTokenReader::readDigitsByChar(long long& v)
{
    long long value = 0;
    int digits = 0, c;
    while ((c = peek()) >= '0' && c <= '9') {
        ++pos;
        if (++digits <= 18) value = value * 10 + (c - '0');
    }
    if (digits == 0 || digits > 18) return false;
    v = value;
    return true;
}

static const double tens[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                              1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                              1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The value of a well-formed decimal whose digits fit below 2^53 and whose scale is a power
// of ten up to 22: both are exact doubles, so one multiplication or division rounds it as
// strtod does. False for any other number, which strtod then reads.
static bool shortDecimal(const char* s, double& v)
{
    const bool negative = *s == '-';
    if (*s == '-' || *s == '+') ++s;
    uint64_t m = 0;
    int significant = 0, scale = 0;
    for (bool fraction = false;; ++s) {
        if (*s == '.') {
            fraction = true;
            continue;
        }
        if (*s < '0' || *s > '9') break;
        if (m != 0 || *s != '0') ++significant;
        m = m * 10 + (uint64_t)(*s - '0');
        if (fraction) --scale;
        if (significant > 19) return false;
    }
    if (*s == 'e') {
        const bool down = *++s == '-';
        if (*s == '-' || *s == '+') ++s;
        int e = 0;
        for (; *s >= '0' && *s <= '9'; ++s)
            if (e < 100000) e = e * 10 + (*s - '0');
        scale += down ? -e : e;
    }
    if (m > ((uint64_t)1 << 53)) return false;
    if (m != 0 && (scale < -22 || scale > 22)) return false;
    double x = (double)m;
    if (m != 0) x = scale >= 0 ? x * tens[scale] : x / tens[-scale];
    v = negative ? -x : x;
    return true;
}

// The digits are taken as shortDecimal takes them while they are read: up to 19 of them, all
// significant or not, make the mantissa exactly. A number of more digits is read from its text.
bool FlatTokenReader::readDouble(double& v)
{
    skipSpace();
    if (pos == len) return readDoubleByChar(v);
    const char* const base = buffer.data();
    const char* const start = base + pos;
    const DecimalScan d = scanDecimal(start);
    if (d.end == base + len) return readDoubleByChar(v);
    pos = (size_t)(d.end - base);
    numberFrom = (size_t)(start - base);
    numberTo = pos;
    numberInBlock = true;
    if (!d.shaped) return false;
    if (exactDecimal(d, v)) return true;
    keepNumber();
    return readText(v);
}

void FlatTokenReader::keepNumber()
{
    numberInBlock = false;
    number.assign(buffer.data() + numberFrom, buffer.data() + numberTo);
    for (char& c : number)
        if (c == 'E') c = 'e';
}

bool FlatTokenReader::readDoubleByChar(double& v)
{
    skipSpace();
    numberInBlock = false;
    number.clear();
    int c = peek();
    if (c == '-' || c == '+') {
        number.push_back((char)c);
        ++pos;
    }
    size_t digits = takeDigits();
    if (peek() == '.') {
        number.push_back('.');
        ++pos;
        digits += takeDigits();
    }
    if (digits == 0) return false;
    c = peek();
    if (c == 'e' || c == 'E') {
        number.push_back('e');
        ++pos;
        c = peek();
        if (c == '-' || c == '+') {
            number.push_back((char)c);
            ++pos;
        }
        if (takeDigits() == 0) return false;
    }
    return readText(v);
}

bool FlatTokenReader::readText(double& v) const
{
    if (shortDecimal(number.c_str(), v)) return true;
    char* stop = nullptr;
    errno = 0;
    double value = strtod(number.c_str(), &stop);
    if (*stop != '\0') return false;
    if (errno == ERANGE && std::isinf(value)) return false;
    v = value;
    return true;
}

bool FlatTokenReader::readWord(std::string& w)
{
    skipSpace();
    w.clear();
    int c;
    while ((c = peek()) != -1 && !isBlank(c)) {
        w.push_back((char)c);
        ++pos;
    }
    return !w.empty();
}
