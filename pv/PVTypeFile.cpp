// The PV type file: "key:value" lines giving each PV's kind and time points.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "statelevel/BaseStateLevel.h"

// Longest line, terminator excluded.
static const int LINE_MAX_CHARS = 499;

// Writes one line to standard error and flushes it.
static void errorLine(const std::string& text)
{
    fprintf(stderr, "%s\n", text.c_str());
    fflush(stderr);
}

bool BaseStateLevel::readKeyValue(std::ifstream& in, const char* expected, char* key, char* value)
{
    key[0] = value[0] = '\0';
    in.getline(key, LINE_MAX_CHARS + 1);
    if (in.fail()) return false;  // end of file or an over-long line
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
// when the file ends early or the line is not a "key:value" line.
static bool readLine(BaseStateLevel& level, std::ifstream& in, const char* name,
                     const char* expected, char* key, char* value)
{
    level.readKeyValue(in, expected, key, value);
    if (!in.fail()) return true;
    errorLine(std::string("Error reading ") + name + ".");
    if (in.gcount() == 0 && in.eof())
        errorLine(std::string("The file ends where the key ") + expected + " was expected.");
    else
        errorLine(std::string("Expected a line ") + expected +
                  ":value of at most 499 characters.");
    return false;
}

// Reads the time points of PV `pv`; false after a reported failure.
static bool readTimePoints(BaseStateLevel& level, std::ifstream& in, const char* name, int pv,
                           char* key, char* value)
{
    if (!readLine(level, in, name, "NumTimes", key, value)) return false;
    int m = atoi(value);
    if (m < 0) {
        errorLine(std::string("Error reading ") + name + ".");
        errorLine("Negative number of time points for PV " + std::string(level.getPVName(pv)) +
                  ".");
        return false;
    }
    // the times are gathered first, so that a count the file cannot back
    // allocates nothing of its size
    std::vector<double> starts, stops;
    for (int j = 0; j < m; ++j) {
        if (!readLine(level, in, name, "Start", key, value)) return false;
        starts.push_back(atof(value));
        if (!readLine(level, in, name, "Stop", key, value)) return false;
        stops.push_back(atof(value));
    }
    std::unique_ptr<double[]> start(new double[m]), stop(new double[m]);
    std::copy(starts.begin(), starts.end(), start.get());
    std::copy(stops.begin(), stops.end(), stop.get());
    level.setTimePoints(pv, m, start.release(), stop.release());
    return true;
}

bool BaseStateLevel::readPVTypeFile(const char* name)
{
    std::ifstream in(name);
    if (!in) {
        errorLine(std::string("Error opening file ") + name);
        return false;
    }
    char key[LINE_MAX_CHARS + 1], value[LINE_MAX_CHARS + 1];
    if (!readLine(*this, in, name, "Version", key, value)) return false;
    if (std::strcmp(value, "1") != 0) {
        errorLine(std::string("Error reading ") + name + ".");
        errorLine("File is not a supported version.");
        return false;
    }
    if (!readLine(*this, in, name, "NumPV", key, value)) return false;
    int n = atoi(value), c = getNumberOfPVs();
    if (n != c) {
        errorLine(std::string("Error reading ") + name + ".");
        errorLine("File contains the wrong number of PV variables.");
        errorLine("Expected " + std::to_string(c) + " but file contains " + std::to_string(n));
        return false;
    }
    for (int i = 0; i < n; ++i) {
        if (!readLine(*this, in, name, "Name", key, value)) return false;
        if (std::strcmp(value, getPVName(i)) != 0) {
            errorLine(std::string("Error reading ") + name);
            errorLine(std::string(". Expected PV named ") + getPVName(i) +
                      " but found PV named " + value);
            return false;
        }
        if (!readLine(*this, in, name, "Type", key, value)) return false;
        setType(i, atoi(value));
        if (!readTimePoints(*this, in, name, i, key, value)) return false;
    }
    return true;
}
