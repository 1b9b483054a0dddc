#include "splot2svg/AxisScale.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

namespace {

// Ends beyond this are drawn at it: no plot needs more, and spans stay finite.
const double LIMIT = 1e300;

double usable(std::optional<double> v, double fallback)
{
    double x = v && std::isfinite(*v) ? *v : fallback;
    return std::clamp(x, -LIMIT, LIMIT);
}

// The multiples of step within the range, or nothing when there are too many.
std::vector<double> multiples(Range r, double step)
{
    std::vector<double> ticks;
    if (!(step > 0) || !std::isfinite(step)) return ticks;
    double first = std::ceil(r.lo / step - 1e-9);
    double last = std::floor(r.hi / step + 1e-9);
    if (!std::isfinite(first) || !std::isfinite(last) || last - first + 1 > MAX_TICKS) return ticks;
    int count = static_cast<int>(last - first + 1);
    for (int i = 0; i < count; ++i) {
        double v = (first + i) * step;
        ticks.push_back(std::fabs(v) < step * 1e-9 ? 0.0 : v);
    }
    return ticks;
}

}  // namespace

// A range with lo < hi and a finite span.
Range axisRange(std::optional<double> minimum, std::optional<double> maximum, Range data)
{
    double lo = usable(minimum, usable(data.lo, 0));
    double hi = usable(maximum, usable(data.hi, 1));
    if (lo > hi) std::swap(lo, hi);
    if (lo == hi) {
        double d = lo != 0 ? std::fabs(lo) * 0.1 : 1;
        lo -= d;
        hi += d;
    }
    if (!(lo < hi)) return Range{};  // rounding ate the widening
    return Range{lo, hi};
}

// A round step (1, 2 or 5 times a power of ten) giving about eight ticks on span.
double niceStep(double span)
{
    double raw = span / 8;
    if (!(raw > 0) || !std::isfinite(raw)) return 1;
    double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    if (!(magnitude > 0) || !std::isfinite(magnitude)) return raw;
    for (double m : {1.0, 2.0, 5.0}) {
        if (m * magnitude >= raw) return m * magnitude;
    }
    return 10 * magnitude;
}

// The multiples of the interval within the range, or of a round step instead.
std::vector<double> tickValues(Range range, std::optional<double> interval)
{
    if (interval) {
        std::vector<double> ticks = multiples(range, *interval);
        if (ticks.size() >= 2) return ticks;
    }
    return multiples(range, niceStep(range.hi - range.lo));
}

// A tick label: fixed with the given decimals, or the general form when negative.
std::string tickLabel(double value, int decimals)
{
    char text[64];
    if (decimals >= 0) std::snprintf(text, sizeof text, "%.*f", std::min(decimals, 12), value);
    else std::snprintf(text, sizeof text, "%.6g", value);
    std::string s = text;
    if (s.rfind("-0", 0) == 0 && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
    return s;
}
