// The report's line on what one attempt at the stationary vector did.
#ifndef VELMAR_REPORT_METHODLINE_H
#define VELMAR_REPORT_METHODLINE_H

#include <string>

#include "methods/SolveRecord.h"

// "Method <name>: ..., <seconds> s.\n", from the attempt's record.
std::string methodLine(const SolveAttempt& a);

#endif
