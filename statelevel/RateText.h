// Whether the number a reader parsed out of a rate's text is the rate the text gives. A
// positive rate below the smallest normal double would be read as 0 or as a subnormal
// value: that changes the chain (or its time scale) without a word, so every reader
// refuses it. A rate written as 0 stays a rate of 0: such a transition connects nothing.
#ifndef VELMAR_RATETEXT_H
#define VELMAR_RATETEXT_H

#include <string>

enum class RateText {
    Rate,      // a finite number of at least zero, held as written
    NotRate,   // negative (a negative number too small for a double included), NaN or infinite
    Underflow  // positive, but 0 or subnormal as a double
};

// How the decimal `text` ([sign] digits [. digits] [e [sign] digits]), parsed as `value`,
// does as a rate.
RateText classify_rate(const std::string& text, double value);

// The reason an underflowing rate that was parsed as `value` is refused.
std::string rate_underflow_reason(double value);

#endif
