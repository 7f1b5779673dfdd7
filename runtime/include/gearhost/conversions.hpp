// The runtime's conversions between numbers and texts. Locale-independent.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace gr::conv {

// A double as the decimal text of printf's "%.15G": at most 15 significant
// digits, no trailing zeros, an exponent ("1.5E+20", "1E-05") only when the
// decimal exponent is below -4 or at least 15. -0 gives "0", NaN "NaN",
// the infinities "Inf" and "-Inf".
std::string doubleToText(double x);
// A 4-byte float the same way with 7 significant digits ("%.7G").
std::string floatToText(float x);
// An integer in plain decimal.
std::string integerToText(int64_t x);

// Skips leading blanks and reads the longest prefix that is a decimal number
// (optional sign, digits with an optional point, optional exponent); 0 when
// there is none. Never reads past `text`.
double textToNumber(std::string_view text);

// Rounds half away from zero at `places` decimals (negative places round to
// tens, hundreds, ...), applied to the decimal number that x's
// 15-significant-digit form denotes; returns the double nearest to the
// rounded decimal. Non-finite values come back unchanged.
double roundTo(double x, int places);

// The number's name in Chinese numerals: simplified ("二十五") when
// `simplified` is true, financial ("贰拾伍") otherwise. Defined for every
// double.
std::string numberToNameText(double x, bool simplified);

// Double to 32-bit integer: truncation toward zero; NaN gives 0; values
// beyond the range saturate at its ends.
int32_t toInt32(double x);

} // namespace gr::conv
