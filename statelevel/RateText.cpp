// Rates that a double cannot hold as written.
#include "statelevel/RateText.h"

#include <cfloat>
#include <cmath>
#include <cstdio>

// Whether the text has a digit other than 0 before its exponent.
static bool nonzeroDigits(const std::string& text)
{
    for (char c : text) {
        if (c == 'e' || c == 'E') break;
        if (c >= '1' && c <= '9') return true;
    }
    return false;
}

RateText classify_rate(const std::string& text, double value)
{
    if (value >= DBL_MIN && value <= DBL_MAX) return RateText::Rate;  // the common case
    if (!std::isfinite(value) || value < 0.0) return RateText::NotRate;
    if (!nonzeroDigits(text)) return RateText::Rate;  // 0, -0, 0.000e-400: a rate of 0
    return std::signbit(value) ? RateText::NotRate : RateText::Underflow;
}

std::string rate_underflow_reason(double value)
{
    std::string reason =
        "a positive rate below 2.2250738585072014e-308, the smallest normal double, would be read as ";
    if (value == 0.0) return reason + "0";
    char shown[40];
    snprintf(shown, sizeof shown, "%.17g", value);
    return reason + "the subnormal " + shown;
}
