// Turning one ".splot" file into one SVG picture.
#ifndef SPLOT2SVG_CONVERT_H
#define SPLOT2SVG_CONVERT_H

#include <ostream>
#include <string>

// The SVG file beside a plot file: ".splot" replaced by ".svg", or ".svg" added.
std::string svgPathFor(const std::string& splotPath);

// Converts the plot file at `path`, writing the SVG to `toStream` when it is not
// null and beside the plot file otherwise. Warnings and errors go to `messages`.
// Returns 0, or 1 when the file cannot be read, is not a plot file, or the SVG
// cannot be written.
int convertSplotFile(const std::string& path, std::ostream* toStream, std::ostream& messages);

#endif
