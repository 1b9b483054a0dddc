// Buffered number and word reading for the state-space files.
#include "statelevel/Flat/FlatTokenReader.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <sys/stat.h>

static const size_t BLOCK = 1 << 20;

// The blanks of the C locale.
static bool isBlank(int c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool FlatTokenReader::open(const char* path)
{
    close();
    file = fopen(path, "rb");
    if (file == nullptr) return false;
    pos = len = 0;
    loaded = 0;
    struct stat st;
    size = fstat(fileno(file), &st) == 0 && S_ISREG(st.st_mode) ? (long long)st.st_size : -1;
    // a small file needs no block of full size
    buffer.resize(size >= 0 && size < (long long)BLOCK ? (size_t)size + 1 : BLOCK);
    return true;
}

void FlatTokenReader::close()
{
    if (file != nullptr) fclose(file);
    file = nullptr;
    pos = len = 0;
}

// Loads the next block of the file; false at its end.
bool FlatTokenReader::refill()
{
    if (file == nullptr) return false;
    len = fread(buffer.data(), 1, buffer.size(), file);
    loaded += (long long)len;
    pos = 0;
    return len > 0;
}

long long FlatTokenReader::bytesLeft() const
{
    if (size < 0) return -1;
    return size - (loaded - (long long)(len - pos));
}

void FlatTokenReader::skipSpace()
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

bool FlatTokenReader::readInt(int& v)
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

bool FlatTokenReader::readDouble(double& v)
{
    skipSpace();
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
