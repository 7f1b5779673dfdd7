// Rounding to a number of decimals as the printed figures show them: on the
// value's 15-significant-digit decimal form, halves away from zero, so a
// value that prints as a half (2.00005) rounds up even when its binary form
// lies just below the half.
#pragma once

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>

namespace gearcalc::inspection {

// |x| in units of 10^-places (0 ≤ places ≤ 14), rounded as above. Nothing
// when x is not finite or has no digits beyond that decimal (from about
// 10^(15 - places) on), where x is its own rounding.
inline std::optional<int64_t> decimalUnits(double x, int places)
{
    if (!std::isfinite(x)) return std::nullopt;
    char buf[40];
    const auto r = std::to_chars(buf, buf + sizeof buf, std::fabs(x), std::chars_format::scientific, 14);
    const char* e = std::find(buf, r.ptr, 'e');
    int64_t mantissa = 0; // the 15 significant digits
    for (const char* p = buf; p < e; ++p)
        if (*p != '.') mantissa = mantissa * 10 + (*p - '0');
    int exponent = 0;
    std::from_chars(e + 1 + (e[1] == '+' ? 1 : 0), r.ptr, exponent);
    const int drop = 14 - exponent - places; // digits beyond the last kept decimal
    if (drop <= 0) return std::nullopt;
    if (drop > 15) return 0;
    int64_t unit = 1;
    for (int i = 0; i < drop; ++i) unit *= 10;
    int64_t kept = mantissa / unit;
    if ((mantissa % unit) * 2 >= unit) ++kept;
    return kept;
}

// The double nearest to units × 10^-places: units (below 10^15) and the
// power of ten are exact doubles, so one correctly rounded division.
inline double fromDecimalUnits(int64_t units, int places)
{
    double scale = 1.0;
    for (int i = 0; i < places; ++i) scale *= 10.0;
    return static_cast<double>(units) / scale;
}

} // namespace gearcalc::inspection
