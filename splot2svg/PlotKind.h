// What a plot file shows, told from its title: the probability of each value,
// the cumulative distribution or its complement, or a graph of another kind.
#ifndef SPLOT2SVG_PLOTKIND_H
#define SPLOT2SVG_PLOTKIND_H

#include <string>

#include "splot2svg/Plot.h"

enum class PlotKind { Mass, Cumulative, Complementary, Other };

// The kind of a plot, from the titles the solver gives its plot files.
PlotKind plotKindOf(const Plot& plot);

// The kind in words, for messages ("the probability of each value").
std::string kindInWords(PlotKind kind);

// The Y axis label: P(X = x), P(X ≤ x) or P(X > x); empty for other graphs.
std::string probabilityLabel(PlotKind kind);

// The name of the plotted variable: the "Variable name:" text line, else the X
// label without its " - x"; empty when the file names none.
std::string variableName(const Plot& plot);

// The value of the text line "key: value" of the plot's text blocks, or empty.
std::string textField(const Plot& plot, const std::string& key);

#endif
