// Storage of the PV type table shared by every state level.
#include "statelevel/BaseStateLevel.h"

#include <cstdio>

// Releases every PV's time-point arrays; the vectors release themselves.
BaseStateLevel::~BaseStateLevel()
{
    for (size_t i = 0; i < start_times.size(); ++i) {
        delete[] start_times[i];
        if (i < stop_times.size()) delete[] stop_times[i];
    }
}

// Stores a PV's type code, growing the table with zeros as needed.
void BaseStateLevel::setType(int pv, int type)
{
    if (pv < 0) return;
    if ((size_t)pv >= pv_type.size()) pv_type.resize(pv + 1, 0);
    pv_type[pv] = type;
}

// Stores a PV's time points; a slot already holding arrays releases them first.
void BaseStateLevel::setTimePoints(int pv, int count, double* start, double* stop)
{
    if (pv < 0) {
        delete[] start;
        delete[] stop;
        return;
    }
    if ((size_t)pv >= num_times.size()) {
        num_times.resize(pv + 1, 0);
        start_times.resize(pv + 1, nullptr);
        stop_times.resize(pv + 1, nullptr);
    }
    if (start_times[pv] != start) delete[] start_times[pv];
    if (stop_times[pv] != stop) delete[] stop_times[pv];
    num_times[pv] = count;
    start_times[pv] = start;
    stop_times[pv] = stop;
}

// Writes one warning line about the input to standard error and keeps it for the report.
void BaseStateLevel::inputWarning(const std::string& line)
{
    fprintf(stderr, "%s\n", line.c_str());
    fflush(stderr);
    input_warnings.push_back(line);
}
