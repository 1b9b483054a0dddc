// Reading the commands of a ".splot" file into a plot description.
#ifndef SPLOT2SVG_SPLOTPARSER_H
#define SPLOT2SVG_SPLOTPARSER_H

#include <cstddef>
#include <istream>
#include <ostream>
#include <string>

#include "splot2svg/Plot.h"

// Most points kept per file; the rest are skipped with a warning.
constexpr size_t MAX_POINTS = 1000000;

struct ParsedPlot {
    bool isSplot = false;  // the first command was "New Graph"
    Plot plot;
};

// Reads a plot file. Commands it does not know, malformed numbers and points
// that are not finite are skipped with a warning on `warnings` naming
// source:line. A file whose first command (after blank and ';' comment lines)
// is not "New Graph" is not a plot file: isSplot stays false.
ParsedPlot parseSplot(std::istream& in, const std::string& source, std::ostream& warnings,
                      size_t maxPoints = MAX_POINTS);

#endif
