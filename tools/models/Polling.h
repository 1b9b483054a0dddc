// A polling system: one server visits Q finite queues in turn, serves each until it is
// empty, and walks to the next; arrivals at every queue go on meanwhile.
#ifndef VELMAR_TOOLS_POLLING_H
#define VELMAR_TOOLS_POLLING_H

#include <string>

struct PollingModel {
    int queues = 3;
    int capacity = 5;
    double arrival = 0.3;  // per queue
    double service = 1.0;
    double walk = 5.0;     // rate of the walk to the next queue
};

// Number of states, or -1 when the model is too large for 31-bit state numbers.
long pollingStates(const PollingModel& m);

// Writes base.arm, .var (PVs Queue1 and Walking), .pvtype and .parm; false with error.
bool writePollingFiles(const PollingModel& m, const std::string& base, std::string& error);

#endif
