// The PV type file: "key:value" lines giving each PV's kind and time points.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "framework/InputFiles.h"
#include "statelevel/BaseStateLevel.h"
#include "statelevel/Chain/chain_file_fault.h"

// Longest line, terminator excluded.
static const int LINE_MAX_CHARS = 499;

// Writes one line to standard error and flushes it.
static void errorLine(const std::string& text)
{
    fprintf(stderr, "%s\n", text.c_str());
    fflush(stderr);
}

// The file being read and the number of its lines read so far.
struct PVTypeReading {
    BaseStateLevel& level;
    std::ifstream& in;
    const char* name;
    long line = 0;

    // "F, line L, at "T"." for the line read last and a word of it (none when empty).
    std::string place(const std::string& token = "") const
    {
        return ChainFault{name, line, token, ""}.place();
    }
};

// Writes the lines of a failure that stops the reading, then its place, and keeps the lines,
// joined, as the reason the PVs still without a type are not evaluated; returns false.
static bool stopReading(BaseStateLevel& level, std::initializer_list<std::string> lines,
                        const std::string& place = "")
{
    level.pvtype_failure.clear();
    for (const std::string& line : lines) {
        errorLine(line);
        if (!level.pvtype_failure.empty() && line[0] != '.') level.pvtype_failure += " ";
        level.pvtype_failure += line;
    }
    if (!place.empty()) errorLine(place);
    return false;
}

// Cuts the line end of a file made on another system and trailing blanks.
static void trimLineEnd(char* line)
{
    size_t n = std::strlen(line);
    while (n > 0 && (line[n - 1] == '\r' || line[n - 1] == ' ' || line[n - 1] == '\t')) --n;
    line[n] = '\0';
}

bool BaseStateLevel::readKeyValue(std::ifstream& in, const char* expected, char* key, char* value)
{
    key[0] = value[0] = '\0';
    in.getline(key, LINE_MAX_CHARS + 1);
    if (in.fail()) return false;  // end of file or an over-long line
    trimLineEnd(key);
    char* colon = std::strchr(key, ':');
    if (colon == nullptr) {
        in.setstate(std::ios::failbit);
        return false;
    }
    std::strcpy(value, colon + 1);
    *colon = '\0';
    if (std::strcmp(key, expected) == 0) return true;
    errorLine("Error reading PV file.");
    errorLine(std::string("  Expected key: ") + expected);
    errorLine(std::string("  but read key: ") + key);
    return false;
}

// Reads the line of the expected key; false, with the file's error message,
// when the file ends early or the line is not a "key:value" line. A line of
// another key is named with its place and its value used.
static bool readLine(PVTypeReading& r, const char* expected, char* key, char* value)
{
    bool same = r.level.readKeyValue(r.in, expected, key, value);
    bool ended = r.in.fail() && r.in.gcount() == 0 && r.in.eof();
    if (!ended) ++r.line;
    if (!r.in.fail()) {
        if (!same) errorLine(r.place());
        return true;
    }
    std::string head = std::string("Error reading ") + r.name + ".";
    if (ended)
        return stopReading(r.level, {head, std::string("The file ends where the key ") +
                                               expected + " was expected."},
                           ChainFault{r.name, 0, "",
                                      r.line == 0 ? "the file is empty"
                                                  : "the file ends after line " + std::to_string(r.line)}
                               .place());
    return stopReading(r.level, {head, std::string("Expected a line ") + expected +
                                           ":value of at most 499 characters."},
                       r.place(key));
}

// Reads the time points of PV `pv`; false after a reported failure.
static bool readTimePoints(PVTypeReading& r, int pv, char* key, char* value)
{
    if (!readLine(r, "NumTimes", key, value)) return false;
    int m = atoi(value);
    if (m < 0)
        return stopReading(r.level, {std::string("Error reading ") + r.name + ".",
                                     "Negative number of time points for PV " +
                                         std::string(r.level.getPVName(pv)) + "."},
                           r.place(value));
    // the times are gathered first, so that a count the file cannot back
    // allocates nothing of its size
    std::vector<double> starts, stops;
    for (int j = 0; j < m; ++j) {
        if (!readLine(r, "Start", key, value)) return false;
        starts.push_back(atof(value));
        if (!readLine(r, "Stop", key, value)) return false;
        stops.push_back(atof(value));
    }
    std::unique_ptr<double[]> start(new double[m]), stop(new double[m]);
    std::copy(starts.begin(), starts.end(), start.get());
    std::copy(stops.begin(), stops.end(), stop.get());
    r.level.setTimePoints(pv, m, start.release(), stop.release());
    return true;
}

bool BaseStateLevel::readPVTypeFile(const char* name)
{
    pvtype_failure.clear();
    require_regular_file(name);
    std::ifstream in(name);
    if (!in) {
        int reason = errno;
        stopReading(*this, {std::string("Error opening file ") + name});
        errorLine(std::string(strerror(reason)) + ".");  // the report's reason line stays as it was
        return false;
    }
    PVTypeReading r{*this, in, name};
    char key[LINE_MAX_CHARS + 1], value[LINE_MAX_CHARS + 1];
    if (!readLine(r, "Version", key, value)) return false;
    if (std::strcmp(value, "1") != 0)
        return stopReading(*this, {std::string("Error reading ") + name + ".",
                                   "File is not a supported version."},
                           r.place(value));
    if (!readLine(r, "NumPV", key, value)) return false;
    int n = atoi(value), c = getNumberOfPVs();
    if (n != c)
        return stopReading(*this, {std::string("Error reading ") + name + ".",
                                   "File contains the wrong number of PV variables.",
                                   "Expected " + std::to_string(c) + " but file contains " +
                                       std::to_string(n)},
                           r.place(value));
    for (int i = 0; i < n; ++i) {
        if (!readLine(r, "Name", key, value)) return false;
        if (std::strcmp(value, getPVName(i)) != 0)
            return stopReading(*this, {std::string("Error reading ") + name,
                                       std::string(". Expected PV named ") + getPVName(i) +
                                           " but found PV named " + value},
                               r.place());
        if (!readLine(r, "Type", key, value)) return false;
        setType(i, atoi(value));
        if (!readTimePoints(r, i, key, value)) return false;
    }
    return true;
}
