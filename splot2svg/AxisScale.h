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

// The data's extent with a margin of a twentieth of its span on each side; with
// fromZero the range reaches zero and has no margin there (probabilities start
// at zero). A single value gets a range around it. Always ordered and finite.
Range fittedRange(Range data, bool fromZero);

// Round ticks (1, 2 or 5 times a power of ten apart) within the range; whole
// numbers only when `integers` and that still gives two ticks.
std::vector<double> roundTicks(Range range, bool integers);

// The digits after the point that show every tick exactly (at most 6), or -1
// for the general form when the ticks are very large or very small.
int tickDecimals(const std::vector<double>& ticks);

// A range for a logarithmic axis holding the positive values lo..hi: from a
// margin under lo up to the data's top decade (the power of ten at or above hi),
// holding at least two powers of ten.
Range logRange(double lo, double hi);

// The exponents of the powers of ten within a positive range, every one or
// every 2, 5, 10, 20, ... so that there are at most ten.
std::vector<int> decadeTicks(Range range);

// A tick label: fixed with the given decimals, or the general form when negative.
std::string tickLabel(double value, int decimals);

#endif
