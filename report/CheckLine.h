// The report's line on a solution check.
#ifndef VELMAR_REPORT_CHECKLINE_H
#define VELMAR_REPORT_CHECKLINE_H

#include <string>

#include "check/SolutionCheck.h"

// The report's one line on a check: residual, imbalance, bound, sum, smallest entry, the
// method's error estimate when it gives one (forwardError >= 0), verdict.
std::string checkReportLine(const SolutionCheck& c, double forwardError = -1.0);

#endif
