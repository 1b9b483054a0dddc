#include "splot2svg/AxisPlan.h"

#include <algorithm>
#include <cmath>

#include "splot2svg/AxisScale.h"

namespace {

const char* const MINUS = "\xE2\x88\x92";

// Whether a point is within the X range the options set (every point when none is set).
bool inXRange(const Figure& f, const Point& p)
{
    return !f.options.xRange || (p.x >= f.options.xRange->lo && p.x <= f.options.xRange->hi);
}

// The extent of every series' points on one coordinate; along Y only the points
// within the X range, and only those a log axis shows when positiveOnly.
Range dataExtent(const Figure& f, bool alongX, bool positiveOnly = false)
{
    double lo = INFINITY, hi = -INFINITY;
    double least = smallestShown(f);
    for (const Series& s : f.series) {
        for (const Curve& c : s.plot.curves) {
            for (const Point& p : c.points) {
                double v = alongX ? p.x : p.y;
                if (!alongX && !inXRange(f, p)) continue;
                if (positiveOnly && !(v > least)) continue;
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }
        }
    }
    if (!alongX && f.kind == PlotKind::Complementary) {  // the step curve starts at 1, left of every value
        lo = std::min(lo, 1.0);
        hi = std::max(hi, 1.0);
    }
    return lo <= hi ? Range{lo, hi} : Range{positiveOnly ? 0.1 : 0, 1};
}

// Whether every value on the X axis is a whole number.
bool integerValues(const Figure& f)
{
    for (const Series& s : f.series) {
        for (const Curve& c : s.plot.curves) {
            for (const Point& p : c.points) {
                if (p.x != std::floor(p.x)) return false;
            }
        }
    }
    return true;
}

// The widest range the files give for an axis (their minima and maxima), with the first file's interval.
AxisPlan fileAxis(const Figure& f, const Axis Plot::*axis, Range data)
{
    std::optional<double> lo, hi;
    for (const Series& s : f.series) {
        const Axis& a = s.plot.*axis;
        if (a.minimum && std::isfinite(*a.minimum)) lo = lo ? std::min(*lo, *a.minimum) : *a.minimum;
        if (a.maximum && std::isfinite(*a.maximum)) hi = hi ? std::max(*hi, *a.maximum) : *a.maximum;
    }
    const Axis& first = f.series.front().plot.*axis;
    AxisPlan plan;
    plan.range = axisRange(lo, hi, data);
    for (double v : tickValues(plan.range, first.interval)) plan.ticks.push_back({v, tickLabel(v, first.decimals), ""});
    return plan;
}

// Round ticks labelled with the digits they need.
AxisPlan roundAxis(Range range, bool integers)
{
    AxisPlan plan;
    plan.range = range;
    std::vector<double> values = roundTicks(range, integers);
    int decimals = tickDecimals(values);
    for (double v : values) plan.ticks.push_back({v, tickLabel(v, decimals), ""});
    return plan;
}

}  // namespace

// The smallest value a log Y axis draws as data.
double smallestShown(const Figure& f)
{
    double least = f.kind == PlotKind::Complementary ? ROUNDING_FLOOR : 0;
    return f.options.floor ? std::max(least, *f.options.floor) : least;
}

// The X axis: fitted to the values, or the files' own.
AxisPlan planX(const Figure& f)
{
    if (f.options.xRange) return roundAxis(*f.options.xRange, integerValues(f));
    Range data = dataExtent(f, true);
    if (f.options.fileRanges) return fileAxis(f, &Plot::x, data);
    return roundAxis(fittedRange(data, false), integerValues(f));
}

// The Y axis: fitted, the files' own, or logarithmic.
AxisPlan planY(const Figure& f)
{
    if (f.options.logY) {
        Range positive = dataExtent(f, false, true);
        if (f.kind != PlotKind::Other) positive.hi = std::min(positive.hi, 1.0);  // probabilities end at 1
        AxisPlan plan;
        plan.log = true;
        plan.range = logRange(positive.lo, positive.hi);
        if (f.options.floor) {  // room under the floor for its band: half a decade at least
            plan.range.lo = std::min(plan.range.lo, std::pow(10.0, std::floor(std::log10(*f.options.floor) - 0.5)));
        }
        std::vector<int> decades = decadeTicks(plan.range);
        if (decades.size() <= 3) {  // a few decades: 1, 2 and 5 times each power of ten, in plain numbers
            for (int e = decades.front() - 1; e <= decades.back(); ++e) {
                for (double m : {1.0, 2.0, 5.0}) {
                    double v = m * std::pow(10.0, e);
                    if (v >= plan.range.lo && v <= plan.range.hi) plan.ticks.push_back({v, tickLabel(v, -1), ""});
                }
            }
            return plan;
        }
        for (int e : decades) {
            std::string power = e < 0 ? MINUS + std::to_string(-e) : std::to_string(e);
            plan.ticks.push_back({std::pow(10.0, e), "10", power});
        }
        return plan;
    }
    Range data = dataExtent(f, false);
    if (f.options.fileRanges) return fileAxis(f, &Plot::y, data);
    return roundAxis(fittedRange(data, true), false);
}
