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

// The data's extent with a margin, reaching zero when asked.
Range fittedRange(Range data, bool fromZero)
{
    double lo = usable(data.lo, 0), hi = usable(data.hi, 1);
    if (lo > hi) std::swap(lo, hi);
    if (fromZero) {
        lo = std::min(lo, 0.0);
        hi = std::max(hi, 0.0);
    }
    double span = hi - lo;
    double pad = span > 0 ? 0.05 * span : lo != 0 ? 0.1 * std::fabs(lo) : 0.5;
    if (!(fromZero && lo == 0)) lo -= pad;
    if (!(fromZero && hi == 0)) hi += pad;
    return axisRange(std::clamp(lo, -LIMIT, LIMIT), std::clamp(hi, -LIMIT, LIMIT), Range{});
}

// Round ticks within the range, whole numbers when asked and possible.
std::vector<double> roundTicks(Range range, bool integers)
{
    double step = niceStep(range.hi - range.lo);
    if (integers && step < 1) {
        std::vector<double> whole = multiples(range, 1);
        if (whole.size() >= 2) return whole;
    }
    return multiples(range, step);
}

// The digits after the point that show every tick exactly.
int tickDecimals(const std::vector<double>& ticks)
{
    double largest = 0;
    for (double t : ticks) largest = std::max(largest, std::fabs(t));
    if (largest >= 1e7) return -1;
    for (int d = 0; d <= 6; ++d) {
        double scale = std::pow(10.0, d);
        bool exact = std::all_of(ticks.begin(), ticks.end(), [&](double t) {
            double v = t * scale;
            return std::fabs(v - std::round(v)) <= 1e-9 * std::fabs(v);
        });
        if (exact) return d;
    }
    return -1;
}

// A range for a logarithmic axis from under lo to the power of ten at or above hi.
Range logRange(double lo, double hi)
{
    const double smallest = 1e-300;
    lo = std::clamp(lo, smallest, LIMIT);
    hi = std::clamp(hi, lo, LIMIT);
    double a = std::log10(lo), b = std::ceil(std::log10(hi) - 1e-9);
    a -= std::clamp(0.05 * (b - a), 0.05, 0.3);
    if (b - a < 1) a = b - 1;  // under a decade: the one below the top
    if (std::ceil(a) == b) a = std::floor(a);  // a single power of ten inside: reach out to the one below
    a = std::max(a, -300.0);
    b = std::clamp(b, a + 1, 300.0);
    return Range{std::pow(10.0, a), std::pow(10.0, b)};
}

// The exponents of the powers of ten within a positive range, 1, 2, 5, 10, ... apart.
std::vector<int> decadeTicks(Range range)
{
    int first = static_cast<int>(std::ceil(std::log10(range.lo) - 1e-9));
    int last = static_cast<int>(std::floor(std::log10(range.hi) + 1e-9));
    int every = 1;
    for (int step : {1, 2, 5, 10, 20, 25, 50, 100, 200}) {
        every = step;
        if ((last - first) / every + 1 <= 10) break;
    }
    std::vector<int> ticks;
    int start = first % every == 0 ? first : first + (every - ((first % every) + every) % every);
    for (int e = start; e <= last; e += every) ticks.push_back(e);
    return ticks;
}
