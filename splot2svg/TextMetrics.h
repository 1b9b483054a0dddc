// How much room a line of text takes in a picture: advance widths of the sans
// serif faces a picture's text may be drawn with, so that the layout can keep
// every text inside the picture whichever of them the viewer has.
#ifndef SPLOT2SVG_TEXTMETRICS_H
#define SPLOT2SVG_TEXTMETRICS_H

#include <string>
#include <vector>

// Share of the font size above the baseline and below it that a line may take.
constexpr double TEXT_ASCENT = 0.93;
constexpr double TEXT_DESCENT = 0.24;

// Text is measured and broken as it is drawn: repaired as UTF-8 first (see
// cleanUtf8), and the lines returned are the repaired text's.

// The width in points of UTF-8 text at a font size in points: the sum of each
// character's advance, the wider of Helvetica's (Arial and Liberation Sans
// share it) and DejaVu Sans's. A character of neither table counts a full em.
double textWidth(const std::string& text, double size);

// The text broken into lines no wider than `width` at `size`: after the spaces
// where it can, inside a word only when the word alone is wider. Never empty.
std::vector<std::string> wrapText(const std::string& text, double width, double size);

// The largest font size from `largest` down to `smallest`, in half points, at
// which the text is no wider than `width`; `smallest` when none is.
double fittingSize(const std::string& text, double width, double largest, double smallest);

// The text, shortened with a trailing ellipsis when needed, no wider than `width`.
std::string shortenText(const std::string& text, double width, double size);

#endif
