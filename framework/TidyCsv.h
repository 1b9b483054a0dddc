// The tidy CSV file (-T): the evaluated PVs as one table that data-frame readers load as it
// is. A header row "pv,value,probability", then for each PV one row per value of its
// distribution, and two rows whose value column holds the word mean or variance and whose
// probability column holds that moment. Numbers are written with the fewest digits that read
// back as the same double (NaN, Inf and -Inf where they are not numbers); a name with a comma,
// a quote or a line break is quoted, its quotes doubled.
#ifndef VELMAR_TIDYCSV_H
#define VELMAR_TIDYCSV_H

#include <string>
#include <vector>

#include "framework/JsonResults.h"

// One field of a CSV row, quoted when it has to be.
std::string csvField(const std::string& text);

// A number as the tidy CSV writes it.
std::string csvNumber(double x);

// The whole file.
std::string tidyCsvText(const std::vector<PVResult>& pvs);

#endif
