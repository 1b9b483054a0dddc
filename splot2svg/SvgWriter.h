// Drawing a figure as an SVG document.
#ifndef SPLOT2SVG_SVGWRITER_H
#define SPLOT2SVG_SVGWRITER_H

#include <ostream>

#include "splot2svg/Figure.h"

struct PictureSize {
    double widthPoints = 0;
    double heightPoints = 0;
};

// Writes the figure as a standalone SVG document of the options' size (the
// first plot's size when none is given; larger when the graph would otherwise be
// under an inch): the title, the graph frame with both axes, round ticks and
// labels, each series (stems for the probability of each value, a step curve for
// a distribution, the file's own curve for other graphs), the legend when there
// are several series, and the caption. Returns the picture's size.
PictureSize writeSvg(const Figure& figure, std::ostream& out);

#endif
