// Buffered flat-file output.
#include "tools/models/FlatWriter.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

FlatWriter::FlatWriter(const std::string& p) : path(p), buffer(1 << 20)
{
    file = fopen(path.c_str(), "w");
    if (file == nullptr) failure = "cannot create " + path + ": " + strerror(errno);
}

FlatWriter::~FlatWriter()
{
    if (file != nullptr) fclose(file);
}

void FlatWriter::flush()
{
    if (file != nullptr && failure.empty() && used > 0 && fwrite(buffer.data(), 1, used, file) != used)
        failure = "cannot write " + path + ": " + strerror(errno);
    used = 0;
}

void FlatWriter::text(const char* s)
{
    size_t len = strlen(s);
    if (used + len > buffer.size()) flush();
    if (len > buffer.size()) buffer.resize(len);
    memcpy(buffer.data() + used, s, len);
    used += len;
}

void FlatWriter::number(long v)
{
    char digits[24];
    int k = 0;
    unsigned long u = v < 0 ? 0UL - (unsigned long)v : (unsigned long)v;
    do {
        digits[k++] = (char)('0' + u % 10);
        u /= 10;
    } while (u != 0);
    if (used + k + 1 > buffer.size()) flush();
    if (v < 0) buffer[used++] = '-';
    while (k > 0) buffer[used++] = digits[--k];
}

std::string shortestText(double v)
{
    char s[32];
    for (int digits = 6; digits <= 17; ++digits) {
        snprintf(s, sizeof s, "%.*g", digits, v);
        if (strtod(s, nullptr) == v) break;
    }
    return s;
}

void FlatWriter::rate(double v)
{
    // models repeat a few rates: their texts are computed once
    for (const auto& [value, form] : rateTexts)
        if (value == v) return text(form.c_str());
    std::string form = shortestText(v);
    if (rateTexts.size() < 64) rateTexts.emplace_back(v, form);
    text(form.c_str());
}

bool FlatWriter::close()
{
    flush();
    if (file != nullptr && fclose(file) != 0 && failure.empty())
        failure = "cannot write " + path + ": " + strerror(errno);
    file = nullptr;
    return failure.empty();
}

bool writeSteadyStatePVTypes(const std::string& base, const std::vector<std::string>& names,
                             std::string& error)
{
    FlatWriter f(base + ".pvtype");
    f.text("Version:1\nNumPV:");
    f.number((long)names.size());
    f.text("\n");
    for (const std::string& n : names) {
        f.text("Name:");
        f.text(n.c_str());
        f.text("\nType:3\nNumTimes:0\n");
    }
    if (f.close()) return true;
    error = f.error();
    return false;
}
