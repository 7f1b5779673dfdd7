// The runtime's conversions between numbers and texts.
//
// Everything goes through std::to_chars / std::from_chars, which ignore the
// global locale, so a user locale with a decimal comma never changes how
// numbers are written or read. The decimal work (choosing the layout,
// rounding at a decimal place) is done on small char buffers so the hot
// paths do not allocate.
#include <gearhost/conversions.hpp>

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <system_error>
#include <type_traits>

namespace gr::conv {

namespace {

// A finite, nonzero value as a correctly rounded decimal with a fixed number
// of significant digits: d0.d1d2... * 10^exponent.
struct Decimal {
    bool negative = false;
    int exponent = 0;
    int count = 0; // digits stored, trailing zeros included
    std::array<char, 24> digits{};

    // Number of digits without the trailing zeros (at least one).
    int significantCount() const {
        int n = count;
        while (n > 1 && digits[static_cast<size_t>(n - 1)] == '0')
            --n;
        return n;
    }
    char digit(int i) const { // '0' beyond the stored digits
        return i >= 0 && i < count ? digits[static_cast<size_t>(i)] : '0';
    }
};

// Splits to_chars' scientific output ("-d.ddddde+XX") into digits and
// exponent.
Decimal parseScientific(const char* p, const char* const end) {
    Decimal d;
    if (p < end && *p == '-') {
        d.negative = true;
        ++p;
    }
    while (p < end && *p != 'e') {
        if (*p != '.' && d.count < static_cast<int>(d.digits.size()))
            d.digits[static_cast<size_t>(d.count++)] = *p;
        ++p;
    }
    ++p; // 'e'
    bool negativeExponent = false;
    if (p < end && (*p == '-' || *p == '+')) {
        negativeExponent = *p == '-';
        ++p;
    }
    int e = 0;
    for (; p < end; ++p)
        e = e * 10 + (*p - '0');
    d.exponent = negativeExponent ? -e : e;
    return d;
}

// Unsigned 128-bit integers (a GCC and Clang extension on 64-bit targets).
__extension__ typedef unsigned __int128 Wide;

constexpr int kLargestPower = 22;
constexpr std::array<Wide, kLargestPower + 1> kPowersOfTen = [] {
    std::array<Wide, kLargestPower + 1> powers{};
    Wide p = 1;
    for (Wide& power : powers) {
        power = p;
        p *= 10;
    }
    return powers;
}();

// A finite, nonzero value's correctly rounded decimal as an integer:
// n * 10^(exponent - count + 1), n having `count` digits.
struct Significand {
    bool negative = false;
    int exponent = 0;
    int count = 0;
    uint64_t n = 0;
};

// The number of decimal digits of n (n > 0).
int digitCount(uint64_t n) {
    int count = 1;
    while (count < 20 && n >= static_cast<uint64_t>(kPowersOfTen[static_cast<size_t>(count)]))
        ++count;
    return count;
}

// The fast way to toDecimal's digits, by integer arithmetic: a normal
// double is exactly m / 2^s (m below 2^53), so |x| * 10^k is m * 10^k / 2^s,
// whose quotient and remainder 128 bits hold exactly for k <= 22 and
// s < 128, that is for about 1e-8 <= |x| < 1e15 at 15 digits: every value
// a report shows. The quotient is rounded half to even, as printf does.
// False outside that range, and the caller takes the general way.
bool exactSignificand(double x, int significant, Significand& d) {
    const auto bits = std::bit_cast<uint64_t>(x);
    const int biased = static_cast<int>(bits >> 52 & 0x7FF);
    if (biased == 0 || biased == 0x7FF || significant < 1 || significant > 17)
        return false; // zero, subnormal, not finite
    const uint64_t m = (bits & ((uint64_t{1} << 52) - 1)) | (uint64_t{1} << 52);
    const int s = 1075 - biased;
    // 2^binary <= |x| < 2^(binary + 1), so floor(binary * log10(2)) is the
    // decimal exponent or one less (78913 / 2^18 is log10(2) to 6 digits).
    const int binary = biased - 1023;
    int exponent = (binary * 78913) >> 18;
    for (int attempt = 0; attempt < 2; ++attempt, ++exponent) {
        const int k = significant - 1 - exponent;
        if (k < 0 || k > kLargestPower || s < 1 || s > 127)
            return false;
        const Wide scaled = Wide{m} * kPowersOfTen[static_cast<size_t>(k)];
        const Wide whole = scaled >> s;
        if (whole >= kPowersOfTen[static_cast<size_t>(significant)])
            continue; // the exponent is the next one
        const Wide rest = scaled - (whole << s);
        const Wide half = Wide{1} << (s - 1);
        auto digits = static_cast<uint64_t>(whole);
        if (rest > half || (rest == half && digits % 2 != 0))
            ++digits;
        if (digits == kPowersOfTen[static_cast<size_t>(significant)]) { // 9.99..95 became 10
            digits /= 10;
            ++exponent;
        }
        d.negative = (bits >> 63) != 0;
        d.exponent = exponent;
        d.n = digits;
        d.count = digitCount(digits);
        return true;
    }
    return false;
}

// The powers of ten that doubles hold exactly.
constexpr int kLargestExactPower = 22;
constexpr std::array<double, kLargestExactPower + 1> kExactPowersOfTen = {
    1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The fastest way, for the values reports mostly show: a double that is
// the one nearest to n / 10^4 for an integer 0 < n < 10^15 (a value with at
// most four decimals and fifteen digits, as RoundTo leaves it). Then x lies
// within 2^-53 |x| of that decimal, closer than half a unit of its 15th
// digit, so to 15 or fewer digits x rounds to the decimal itself: n's digits
// (the trailing zeros left out later). The division checks it exactly.
bool shortSignificand(double x, int significant, Significand& d) {
    if (significant < 1 || significant > 15)
        return false;
    const double magnitude = std::fabs(x);
    const double limit = kExactPowersOfTen[static_cast<size_t>(significant)];
    const double scaled = magnitude * 1e4;
    if (!(scaled >= 0.5 && scaled < limit))
        return false;
    const auto n = static_cast<uint64_t>(scaled + 0.5);
    if (static_cast<double>(n) >= limit || static_cast<double>(n) / 1e4 != magnitude)
        return false;
    d.negative = std::signbit(x);
    d.n = n;
    d.count = digitCount(n);
    d.exponent = d.count - 1 - 4;
    return true;
}

// The significand by one of the fast ways above; false when neither holds.
bool fastSignificand(double x, int significant, Significand& d) {
    return shortSignificand(x, significant, d) || exactSignificand(x, significant, d);
}

// The digits of x correctly rounded to `significant` digits, as glibc's
// printf rounds the exact binary value.
template <class T>
Decimal toDecimal(T x, int significant) {
    if constexpr (std::is_same_v<T, double>) {
        if (Significand f; fastSignificand(x, significant, f)) {
            Decimal d;
            d.negative = f.negative;
            d.exponent = f.exponent;
            d.count = static_cast<int>(std::to_chars(d.digits.data(), d.digits.data() + d.digits.size(), f.n).ptr -
                                       d.digits.data());
            return d;
        }
    }
    // to_chars rounds the exact binary value correctly too, only slower.
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific,
                                   significant - 1);
    return parseScientific(buf, res.ptr); // the buffer is always large enough
}

// printf's "%.<precision>G" layout, with -0 as "0" and the non-finite values
// named "NaN", "Inf" and "-Inf".
template <class T>
std::string formatG(T x, int precision) {
    if (std::isnan(x))
        return "NaN";
    if (std::isinf(x))
        return x < 0 ? "-Inf" : "Inf";
    if (x == 0)
        return "0";

    const Decimal d = toDecimal(x, precision);
    const int n = d.significantCount();
    const int exp = d.exponent;

    char out[64];
    char* o = out;
    if (d.negative)
        *o++ = '-';
    if (exp < -4 || exp >= precision) {
        *o++ = d.digits[0];
        if (n > 1) {
            *o++ = '.';
            for (int i = 1; i < n; ++i)
                *o++ = d.digit(i);
        }
        *o++ = 'E';
        *o++ = exp < 0 ? '-' : '+';
        const int absExp = exp < 0 ? -exp : exp;
        if (absExp < 10)
            *o++ = '0';
        o = std::to_chars(o, out + sizeof out, absExp).ptr;
    } else if (exp >= 0) {
        for (int i = 0; i <= exp; ++i)
            *o++ = d.digit(i);
        if (n > exp + 1) {
            *o++ = '.';
            for (int i = exp + 1; i < n; ++i)
                *o++ = d.digit(i);
        }
    } else {
        *o++ = '0';
        *o++ = '.';
        for (int i = exp + 1; i < 0; ++i)
            *o++ = '0';
        for (int i = 0; i < n; ++i)
            *o++ = d.digit(i);
    }
    return std::string(out, o);
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Chooses between an overflow (true) and an underflow (false) when
// from_chars reports a result out of range: compares the decimal place of
// the first nonzero mantissa digit, shifted by the exponent, with zero.
// Anything from_chars rejects lies far on one side (>= 1e308 or < 1e-323).
bool isOverflow(const char* mantissa, const char* mantissaEnd, long long exponent) {
    long long intDigits = 0;
    const char* p = mantissa;
    while (p < mantissaEnd && isDigit(*p)) {
        ++intDigits;
        ++p;
    }
    // Leading zeros of the integer part do not count.
    const char* q = mantissa;
    while (q < p && *q == '0') {
        ++q;
        --intDigits;
    }
    if (intDigits > 0)
        return intDigits - 1 + exponent >= 0;
    // Only a fraction: place of its first nonzero digit is -(zeros + 1).
    long long place = -1;
    if (p < mantissaEnd && *p == '.')
        ++p;
    while (p < mantissaEnd && *p == '0') {
        --place;
        ++p;
    }
    return place + exponent >= 0;
}

// Chinese numeral glyphs (UTF-8).
struct NumeralSet {
    std::array<std::string_view, 10> digits;
    std::array<std::string_view, 4> units; // "", ten, hundred, thousand
};

constexpr NumeralSet kSimplified{{"零", "一", "二", "三", "四", "五", "六", "七", "八", "九"},
                                 {"", "十", "百", "千"}};
constexpr NumeralSet kFinancial{{"零", "壹", "贰", "叁", "肆", "伍", "陆", "柒", "捌", "玖"},
                                {"", "拾", "佰", "仟"}};
constexpr std::string_view kZero = "零";
constexpr std::string_view kTenThousand = "万";
constexpr std::string_view kHundredMillion = "亿";

// 1..9999. Inner runs of zeros read as one "零"; trailing zeros are silent.
void appendBelow10k(std::string& out, unsigned v, const NumeralSet& set) {
    static constexpr unsigned kPlaces[] = {1000, 100, 10, 1};
    bool started = false;
    bool pendingZero = false;
    for (int place = 3; place >= 0; --place) {
        const unsigned digit = v / kPlaces[3 - place] % 10;
        if (digit == 0) {
            pendingZero = started;
            continue;
        }
        if (pendingZero)
            out += kZero;
        pendingZero = false;
        out += set.digits[digit];
        out += set.units[static_cast<size_t>(place)];
        started = true;
    }
}

// 1..99999999: "<high>万" then the low four digits; a "零" bridges a gap
// when the low part has leading zeros.
void appendBelow100m(std::string& out, unsigned v, const NumeralSet& set) {
    const unsigned high = v / 10000;
    const unsigned low = v % 10000;
    if (high != 0) {
        appendBelow10k(out, high, set);
        out += kTenThousand;
        if (low != 0 && low < 1000)
            out += kZero;
    }
    if (low != 0)
        appendBelow10k(out, low, set);
}

// 1..(1e16 - 1): "<high>亿" then the low eight digits, zeros bridged as above.
void appendInteger(std::string& out, uint64_t v, const NumeralSet& set) {
    const auto high = static_cast<unsigned>(v / 100000000u);
    const auto low = static_cast<unsigned>(v % 100000000u);
    if (high != 0) {
        appendBelow100m(out, high, set);
        out += kHundredMillion;
        if (low != 0 && low < 10000000)
            out += kZero;
    }
    if (low != 0)
        appendBelow100m(out, low, set);
}

} // namespace

std::string doubleToText(double x) { return formatG(x, 15); }

std::string floatToText(float x) { return formatG(x, 7); }

std::string integerToText(int64_t x) {
    char buf[24];
    const auto res = std::to_chars(buf, buf + sizeof buf, x);
    return std::string(buf, res.ptr);
}

double textToNumber(std::string_view text) {
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p < end && (*p == ' ' || *p == '\t'))
        ++p;

    const char* const signStart = p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    const char* const mantissa = p;
    bool anyDigit = false;
    while (p < end && isDigit(*p)) {
        anyDigit = true;
        ++p;
    }
    if (p < end && *p == '.') {
        ++p;
        while (p < end && isDigit(*p)) {
            anyDigit = true;
            ++p;
        }
    }
    if (!anyDigit)
        return 0.0;
    const char* const mantissaEnd = p;

    // The exponent belongs to the number only when a digit follows.
    long long exponent = 0;
    if (p < end && (*p == 'e' || *p == 'E')) {
        const char* q = p + 1;
        bool negativeExponent = false;
        if (q < end && (*q == '+' || *q == '-')) {
            negativeExponent = *q == '-';
            ++q;
        }
        if (q < end && isDigit(*q)) {
            for (; q < end && isDigit(*q); ++q) {
                if (exponent < 1000000) // saturate; only the side of the range matters
                    exponent = exponent * 10 + (*q - '0');
            }
            if (negativeExponent)
                exponent = -exponent;
            p = q;
        }
    }

    // from_chars takes '-' but not '+': start after a '+'.
    const char* const first = negative ? signStart : mantissa;
    double value = 0.0;
    const auto res = std::from_chars(first, p, value, std::chars_format::general);
    if (res.ec == std::errc::result_out_of_range) {
        const double magnitude = isOverflow(mantissa, mantissaEnd, exponent)
                                     ? std::numeric_limits<double>::infinity()
                                     : 0.0;
        return negative ? -magnitude : magnitude;
    }
    if (res.ec != std::errc())
        return 0.0;
    return value;
}

double roundTo(double x, int places) {
    if (!std::isfinite(x))
        return x;
    if (x == 0)
        return 0.0; // rounding drops the sign of zero

    // Beyond these the result is either the 15-digit value or zero anyway;
    // clamping keeps the index arithmetic below far from overflow.
    places = std::clamp(places, -400, 400);

    // The same rounding on the 15-digit decimal as an integer: the digits
    // from place -places on dropped, up when the first of them is 5 or more.
    if (Significand f; fastSignificand(x, 15, f)) {
        const int keep = f.exponent + places + 1;
        if (keep < 0)
            return 0.0;
        uint64_t kept = f.n;
        int exponent = f.exponent - f.count + 1;
        if (keep < f.count) {
            const auto unit = static_cast<uint64_t>(kPowersOfTen[static_cast<size_t>(f.count - keep)]);
            kept = f.n / unit;
            if (f.n % unit >= unit / 10 * 5)
                ++kept; // may carry to 10^keep, the same value as a '1' one place up
            else if (keep == 0)
                return 0.0;
            exponent = f.exponent - keep + 1;
        }
        if (exponent >= -kLargestExactPower && exponent <= kLargestExactPower) {
            const double magnitude = static_cast<double>(kept);
            const double scale = kExactPowersOfTen[static_cast<size_t>(std::abs(exponent))];
            const double value = exponent < 0 ? magnitude / scale : magnitude * scale;
            return f.negative ? -value : value;
        }
    }

    const Decimal d = toDecimal(x, 15);

    // digits[i] sits at the decimal place d.exponent - i; keep those at or
    // above place -places.
    const int keep = d.exponent + places + 1;
    if (keep < 0)
        return 0.0; // below a tenth of the rounding unit

    char buf[48];
    char* o = buf;
    if (d.negative)
        *o++ = '-';
    int resultExponent = 0;
    if (keep >= d.count) {
        for (int i = 0; i < d.count; ++i)
            *o++ = d.digits[static_cast<size_t>(i)];
        resultExponent = d.exponent - d.count + 1;
    } else {
        const bool up = d.digits[static_cast<size_t>(keep)] >= '5';
        char* const kept = o;
        for (int i = 0; i < keep; ++i)
            *o++ = d.digits[static_cast<size_t>(i)];
        resultExponent = d.exponent - keep + 1;
        if (up) {
            char* q = o;
            while (q > kept && q[-1] == '9')
                *--q = '0';
            if (q > kept) {
                ++q[-1];
            } else {
                // Carried out of every kept digit (or none were kept): 10^(exponent + 1).
                o = kept;
                *o++ = '1';
                resultExponent = d.exponent + 1;
            }
        } else if (keep == 0) {
            return 0.0;
        }
    }

    // The kept digits are an integer below 10^15 < 2^53, exact as a double,
    // as is every power of ten up to 10^22: one multiplication or division,
    // rounded correctly, then gives the double nearest to the decimal, as
    // from_chars would (the fast path of correct decimal reading).
    if (resultExponent >= -kLargestExactPower && resultExponent <= kLargestExactPower) {
        uint64_t integer = 0;
        for (const char* p = d.negative ? buf + 1 : buf; p < o; ++p)
            integer = integer * 10 + static_cast<uint64_t>(*p - '0');
        const double magnitude = static_cast<double>(integer);
        const double scale = kExactPowersOfTen[static_cast<size_t>(std::abs(resultExponent))];
        const double value = resultExponent < 0 ? magnitude / scale : magnitude * scale;
        return d.negative ? -value : value;
    }
    *o++ = 'e';
    o = std::to_chars(o, buf + sizeof buf, resultExponent).ptr;

    double value = 0.0;
    const auto res = std::from_chars(buf, o, value, std::chars_format::general);
    if (res.ec == std::errc::result_out_of_range) {
        // Past the largest double (x is finite, so the nearest one is the
        // largest); an underflow cannot happen since the result is at least
        // as large as x's leading digit, but stays zero if it ever did.
        return resultExponent > 0 ? std::copysign(std::numeric_limits<double>::max(), x) : 0.0;
    }
    return value;
}

std::string numberToNameText(double x, bool simplified) {
    if (std::isnan(x))
        return "非数";
    if (std::isinf(x))
        return x < 0 ? "负无穷大" : "无穷大";
    if (x == 0)
        return std::string(kZero);

    const NumeralSet& set = simplified ? kSimplified : kFinancial;
    const Decimal d = toDecimal(x, 15);
    const int n = d.significantCount();

    std::string out;
    out.reserve(64);
    if (d.negative)
        out += "负";

    // From 1e16 on the units run out ("千万亿" is the largest): read the
    // digits one by one.
    if (d.exponent >= 16) {
        for (int i = 0; i <= d.exponent; ++i)
            out += set.digits[static_cast<size_t>(d.digit(i) - '0')];
        return out;
    }

    uint64_t integer = 0;
    for (int i = 0; i <= d.exponent; ++i)
        integer = integer * 10 + static_cast<uint64_t>(d.digit(i) - '0');
    if (integer == 0) {
        out += kZero;
    } else {
        const size_t start = out.size();
        appendInteger(out, integer, set);
        // 10..19 at the head read "十..." rather than "一十..." (but "壹拾").
        constexpr std::string_view kOneTen = "一十";
        if (simplified && std::string_view(out).substr(start, kOneTen.size()) == kOneTen)
            out.erase(start, kSimplified.digits[1].size());
    }

    // The fraction, digit by digit: digits[i] for i > exponent.
    if (n > d.exponent + 1) {
        out += "点";
        for (int i = d.exponent + 1; i < n; ++i)
            out += set.digits[static_cast<size_t>(d.digit(i) - '0')];
    }
    return out;
}

int32_t toInt32(double x) {
    if (std::isnan(x))
        return 0;
    if (x >= 2147483647.0)
        return std::numeric_limits<int32_t>::max();
    if (x <= -2147483648.0)
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(x); // truncates toward zero
}

} // namespace gr::conv
