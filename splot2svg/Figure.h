// One picture: the plots of one or more files of the same kind, with the
// title, axis labels, legend entries and caption a reader sees.
#ifndef SPLOT2SVG_FIGURE_H
#define SPLOT2SVG_FIGURE_H

#include <string>
#include <vector>

#include "splot2svg/Options.h"
#include "splot2svg/Plot.h"
#include "splot2svg/PlotKind.h"

struct Series {
    std::string source;  // the plot file it was read from
    Plot plot;
    std::string label;   // its legend entry; empty when the picture has one series
};

struct Figure {
    PlotKind kind = PlotKind::Other;
    std::vector<Series> series;
    std::string title;
    std::string xLabel;
    std::string yLabel;
    std::vector<std::string> caption;  // the files' text blocks, one line each, shared lines once
    DrawOptions options;
};

// Puts the plots into one picture. Returns an empty string, or, when the plots
// are of different kinds, a message naming the file and line of the odd one.
std::string makeFigure(std::vector<Series> series, const DrawOptions& options, Figure& figure);

#endif
