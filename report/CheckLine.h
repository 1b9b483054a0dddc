// The report's line on a solution check.
#ifndef VELMAR_REPORT_CHECKLINE_H
#define VELMAR_REPORT_CHECKLINE_H

#include <string>

#include "check/SolutionCheck.h"

// The report's one line on a check: residual, imbalance, bound, sum, smallest entry, the
// method's error estimate when it gives one (forwardError >= 0), verdict.
std::string checkReportLine(const SolutionCheck& c, double forwardError = -1.0);

// The report's line on the probability below which the answer carries no accuracy, from the
// check of the vector reported; a vector that failed its check has none.
std::string resolutionFloorLine(const SolutionCheck& c);

#endif
