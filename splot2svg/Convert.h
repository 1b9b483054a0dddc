// Turning ".splot" files into pictures: one picture per file, or one picture
// of several files overlaid.
#ifndef SPLOT2SVG_CONVERT_H
#define SPLOT2SVG_CONVERT_H

#include <ostream>
#include <string>
#include <vector>

#include "splot2svg/Options.h"

// The picture beside a plot file: ".splot" replaced by the extension (".svg",
// ".png"), or the extension added.
std::string picturePathFor(const std::string& splotPath, const std::string& extension);

// Draws each plot file as its own picture: an SVG written to `toStream` when it
// is not null, else FILE.svg (or FILE.png when `png`) beside the file. Warnings
// and errors go to `messages`. Returns 0, or 1 when any file cannot be read, is
// not a plot file, or its picture cannot be written; the others are still drawn.
int convertEach(const std::vector<std::string>& files, const DrawOptions& options, bool png, std::ostream* toStream,
                std::ostream& messages);

// Draws all the plot files in one picture named `output` (SVG or PNG by its
// extension), with a legend. Returns 0, or 1 with nothing written when a file
// cannot be read, the files are of different kinds, or the picture cannot be made.
int drawTogether(const std::vector<std::string>& files, const std::string& output, const DrawOptions& options,
                 std::ostream& messages);

#endif
