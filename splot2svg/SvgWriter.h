// Drawing a plot description as an SVG document.
#ifndef SPLOT2SVG_SVGWRITER_H
#define SPLOT2SVG_SVGWRITER_H

#include <ostream>

#include "splot2svg/Plot.h"

// Writes the plot as a standalone SVG document: the graph frame at the plot's
// size in inches, the title above it, the text blocks at their data positions,
// each curve as one polyline (a step per point for "yhistogram") with its diamond
// markers, and both axes with ticks and labels. The canvas grows to hold it all.
void writeSvg(const Plot& plot, std::ostream& out);

#endif
