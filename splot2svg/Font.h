// Font names of the plot language: a family, a point size, then B and I for
// bold and italic ("HELVETICA15", "Helvetica12BI").
#ifndef SPLOT2SVG_FONT_H
#define SPLOT2SVG_FONT_H

#include <optional>
#include <string>

#include "splot2svg/Plot.h"

// The font a name stands for, or nothing when the name is not of that shape.
std::optional<Font> parseFontName(const std::string& name);

// The CSS font-family list that draws a family with fonts found on most systems.
std::string cssFontFamily(const std::string& family);

#endif
