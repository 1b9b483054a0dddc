// Decimal numbers read in place from a buffer that a '\0' ends: the shape of the number and,
// when its digits and scale allow, its value rounded as strtod rounds it.
#ifndef VELMAR_DECIMALSCAN_H
#define VELMAR_DECIMALSCAN_H

#include <cstddef>
#include <cstdint>

inline bool isDecimalDigit(char c) { return (unsigned)(c - '0') <= 9u; }

// [sign] digits [. digits] [(e|E) [sign] digits], taken as far as it goes from `from`.
struct DecimalScan {
    const char* end = nullptr;  // the first character after it
    uint64_t m = 0;             // the digits as one number (exact up to 19 of them)
    ptrdiff_t digits = 0;       // digits before the exponent
    int scale = 0;              // the power of ten m is scaled by
    bool negative = false;
    bool shaped = false;        // digits, and digits after an exponent mark
};

inline DecimalScan scanDecimal(const char* p)
{
    DecimalScan d;
    d.negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    const char* const whole = p;
    for (; isDecimalDigit(*p); ++p) d.m = d.m * 10 + (uint64_t)(*p - '0');
    d.digits = p - whole;
    if (*p == '.') {
        const char* const fraction = ++p;
        for (; isDecimalDigit(*p); ++p) d.m = d.m * 10 + (uint64_t)(*p - '0');
        d.digits += p - fraction;
        d.scale = (int)-(p - fraction);
    }
    d.shaped = d.digits > 0;
    if (d.shaped && (*p == 'e' || *p == 'E')) {
        const bool down = *++p == '-';
        if (*p == '-' || *p == '+') ++p;
        const char* const exponent = p;
        int e = 0;
        for (; isDecimalDigit(*p); ++p)
            if (e < 100000) e = e * 10 + (*p - '0');
        d.shaped = p != exponent;
        d.scale += down ? -e : e;
    }
    d.end = p;
    return d;
}

// The value of a shaped scan whose digits fit below 2^53 and whose scale is a power of ten up
// to 22: both are exact doubles, so one multiplication or division rounds it as strtod does.
// False for any other number, which only its text can give.
inline bool exactDecimal(const DecimalScan& d, double& v)
{
    static const double tens[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                  1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                  1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    if (!(d.digits <= 19 && d.m <= ((uint64_t)1 << 53) && (d.m == 0 || (d.scale >= -22 && d.scale <= 22))))
        return false;
    double x = (double)d.m;
    if (d.m != 0) x = d.scale >= 0 ? x * tens[d.scale] : x / tens[-d.scale];
    v = d.negative ? -x : x;
    return true;
}

#endif
