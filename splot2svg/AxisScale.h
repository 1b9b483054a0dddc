// An axis's drawn range and its ticks, made sound whatever the file gave.
#ifndef SPLOT2SVG_AXISSCALE_H
#define SPLOT2SVG_AXISSCALE_H

#include <optional>
#include <string>
#include <vector>

struct Range {
    double lo = 0;
    double hi = 1;
};

// Most ticks drawn on one axis; an interval that asks for more is replaced.
constexpr int MAX_TICKS = 50;

// A range with lo < hi and a finite span: the file's minimum and maximum where
// they are finite, else the data's extent; equal ends are widened, swapped ends
// put back in order.
Range axisRange(std::optional<double> minimum, std::optional<double> maximum, Range data);

// A round step (1, 2 or 5 times a power of ten) giving about eight ticks on span.
double niceStep(double span);

// The multiples of the interval within the range; a missing, non-positive or
// non-finite interval, or one giving fewer than two or more than MAX_TICKS
// ticks, is replaced by a round one.
std::vector<double> tickValues(Range range, std::optional<double> interval);

// A tick label: fixed with the given decimals, or the general form when negative.
std::string tickLabel(double value, int decimals);

#endif
