// Line reading, word splitting and number parsing for the chain files.
#include "statelevel/Chain/ChainLineReader.h"

#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "statelevel/Chain/chain_file_fault.h"

// Longest PV name: names become parts of plot file names.
static const size_t MAX_PV_NAME = 103;

static bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

ChainLineReader::~ChainLineReader()
{
    if (file != nullptr) fclose(file);
}

bool ChainLineReader::open()
{
    file = fopen(name.c_str(), "rb");
    if (file == nullptr) return false;
    struct stat st;
    if (fstat(fileno(file), &st) == 0 && S_ISREG(st.st_mode)) size = (long long)st.st_size;
    while (line_number + 1 < first_line && next()) {
    }
    return true;
}

void ChainLineReader::openOrFault()
{
    if (open()) return;
    chain_file_fault({name, 0, "", std::string("cannot open it: ") + strerror(errno)});
}

bool ChainLineReader::openIfPresent()
{
    if (open()) return true;
    if (errno == ENOENT) return false;
    chain_file_fault({name, 0, "", std::string("cannot open it: ") + strerror(errno)});
}

bool ChainLineReader::next()
{
    line.clear();
    if (file == nullptr || (last_line >= 0 && line_number >= last_line)) return false;
    int c;
    bool any = false;
    while ((c = getc_unlocked(file)) != EOF) {
        any = true;
        ++consumed;
        if (c == '\n') break;
        line.push_back((char)c);
    }
    if (!any) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    ++line_number;
    return true;
}

bool ChainLineReader::nextContent(const char* comment)
{
    while (next()) {
        size_t first = 0;
        while (first < line.size() && isBlank(line[first])) ++first;
        if (first == line.size()) continue;
        if (comment != nullptr && line.compare(first, strlen(comment), comment) == 0) continue;
        return true;
    }
    return false;
}

long long ChainLineReader::bytesLeft() const { return size < 0 ? -1 : size - consumed; }

void ChainLineReader::fault(const std::string& token, const std::string& reason) const
{
    chain_file_fault({name, line_number, token, reason});
}

void ChainLineReader::faultAtEnd(const std::string& reason) const
{
    chain_file_fault({name, line_number + 1, "", reason});
}

bool LineWords::next(std::string& word)
{
    while (pos < text.size() && isBlank(text[pos])) ++pos;
    size_t start = pos;
    while (pos < text.size() && !isBlank(text[pos])) ++pos;
    word.assign(text, start, pos - start);
    return pos > start;
}

std::string LineWords::rest()
{
    while (pos < text.size() && isBlank(text[pos])) ++pos;
    return text.substr(pos);
}

bool parse_index(const std::string& token, int& value)
{
    if (token.empty() || token.size() > 10) return false;
    long long v = 0;
    for (char c : token) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    if (v > INT_MAX) return false;
    value = (int)v;
    return true;
}

// Whether the token has the shape [sign] digits [. digits] [e [sign] digits] with some digit.
static bool decimalShape(const std::string& t)
{
    size_t i = 0, n = t.size();
    if (i < n && (t[i] == '+' || t[i] == '-')) ++i;
    size_t digits = 0;
    while (i < n && t[i] >= '0' && t[i] <= '9') ++i, ++digits;
    if (i < n && t[i] == '.') {
        ++i;
        while (i < n && t[i] >= '0' && t[i] <= '9') ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < n && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < n && (t[i] == '+' || t[i] == '-')) ++i;
        size_t exp = 0;
        while (i < n && t[i] >= '0' && t[i] <= '9') ++i, ++exp;
        if (exp == 0) return false;
    }
    return i == n;
}

bool parse_real(const std::string& token, double& value)
{
    if (!decimalShape(token)) return false;
    double v = strtod(token.c_str(), nullptr);
    if (!std::isfinite(v)) return false;
    value = v;
    return true;
}

bool usable_pv_name(const std::string& name)
{
    if (name.empty() || name.size() > MAX_PV_NAME) return false;
    for (char c : name)
        if (c == '/' || c == '\\' || isBlank(c) || c == '\n' || (unsigned char)c < 32 ||
            (unsigned char)c == 127)
            return false;
    return true;
}

std::string trim(const std::string& s)
{
    size_t a = 0, b = s.size();
    while (a < b && isBlank(s[a])) ++a;
    while (b > a && isBlank(s[b - 1])) --b;
    return s.substr(a, b - a);
}
