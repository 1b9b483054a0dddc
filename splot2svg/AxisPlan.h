// What each axis of a figure shows: its range, linear or logarithmic, and its
// ticks with their labels.
#ifndef SPLOT2SVG_AXISPLAN_H
#define SPLOT2SVG_AXISPLAN_H

#include <cfloat>
#include <string>
#include <vector>

#include "splot2svg/AxisScale.h"
#include "splot2svg/Figure.h"

// A complementary probability is 1 - P(X <= x); at or under this it cannot be
// told from zero (rounding of the sum), and a log scale leaves it out.
constexpr double ROUNDING_FLOOR = 64 * DBL_EPSILON;

struct Tick {
    double value = 0;
    std::string label;     // the label, or the base "10" of a power
    std::string exponent;  // the power of ten of a logarithmic axis's label
};

struct AxisPlan {
    Range range;
    bool log = false;
    std::vector<Tick> ticks;
};

// The smallest Y value a log axis draws as data: values at or under it (zero,
// complements lost to rounding, values under the options' floor) are not data.
double smallestShown(const Figure& figure);

// The X axis: fitted to the values with a margin and round ticks (whole numbers
// for whole values), the options' X range, or with --file-ranges the widest
// range the files give.
AxisPlan planX(const Figure& figure);

// The Y axis, fitted to the values within the X range: from zero to the largest
// value with a margin (to 1 at least for a complement, whose steps start there),
// the files' own range, or with --log-y a logarithmic range over the values drawn
// up to their top decade (1 at most for probabilities), reaching under the floor
// when one is given, ticked at powers of ten (at 1, 2 and 5 times them over a
// few decades).
AxisPlan planY(const Figure& figure);

#endif
