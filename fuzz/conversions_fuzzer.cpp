// Fuzz target of the runtime's conversions between numbers and texts, with
// the C library as the oracle: textToNumber against strtod on the prefix
// the documented grammar takes, doubleToText and floatToText against
// printf's %.15G and %.7G, integerToText against %lld, roundTo against
// decimal rounding of printf's 15 digits, toInt32 against its rule, and the
// round trips text -> number -> text; and the typing rules of the boxes
// these texts come from.
#include "fuzz_support.hpp"

#include <gearhost/conversions.hpp>
#include <gearhost/typing.hpp>
#include <gearrt/form.hpp>

#include <geardb/utf8.hpp>

#include <cinttypes>
#include <cmath>
#include <limits>

namespace {

namespace conv = gr::conv;
constexpr const char* kTarget = "conversions";

bool sameDouble(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0;
}

std::string hexOf(double x)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%a", x);
    return buf;
}

// The number prefix as documented: blanks (space, tab), an optional sign,
// digits with an optional point (at least one digit), an exponent only when
// a digit follows its letter and sign.
std::string numberPrefix(std::string_view t)
{
    size_t i = 0;
    while (i < t.size() && (t[i] == ' ' || t[i] == '\t')) ++i;
    const size_t start = i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    size_t digits = 0;
    auto isDigit = [&](size_t k) { return k < t.size() && t[k] >= '0' && t[k] <= '9'; };
    while (isDigit(i)) ++i, ++digits;
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (isDigit(i)) ++i, ++digits;
    }
    if (digits == 0) return {};
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        size_t k = i + 1;
        if (k < t.size() && (t[k] == '+' || t[k] == '-')) ++k;
        if (isDigit(k)) {
            while (isDigit(k)) ++k;
            i = k;
        }
    }
    return std::string(t.substr(start, i - start));
}

void checkTextToNumber(std::string_view text)
{
    const std::string prefix = numberPrefix(text);
    const double expected = prefix.empty() ? 0.0 : std::strtod(prefix.c_str(), nullptr);
    const double got = conv::textToNumber(text);
    if (!sameDouble(got, expected))
        fuzz::fault(kTarget, "textToNumber(\"" + prefix + "\") = " + hexOf(got) + ", strtod gives " + hexOf(expected));
}

std::string printfG(double x, int digits)
{
    if (std::isnan(x)) return "NaN";
    if (std::isinf(x)) return x > 0 ? "Inf" : "-Inf";
    if (x == 0) return "0";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*G", digits, x);
    return buf;
}

// The double nearest to `text`, where a finite number is never rounded to
// infinity: a decimal past the largest double gives the largest double.
double finiteNearest(const std::string& text)
{
    const double r = std::strtod(text.c_str(), nullptr);
    return std::isinf(r) ? std::copysign(std::numeric_limits<double>::max(), r) : r;
}

// Half away from zero at `places` decimals, applied to the 15 significant
// digits printf gives for x: the oracle of roundTo.
double decimalRound(double x, int places)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14E", x); // d.ddddddddddddddE±x
    std::string digits;
    const char* p = buf;
    const bool negative = *p == '-';
    if (negative) ++p;
    for (; *p != 'E'; ++p)
        if (*p != '.') digits += *p;
    const int exponent = std::atoi(p + 1); // of the first digit
    const long keep = static_cast<long>(exponent) + places + 1;
    if (keep < 0) return 0.0;
    if (keep < static_cast<long>(digits.size())) {
        const bool up = digits[static_cast<size_t>(keep)] >= '5';
        digits.resize(static_cast<size_t>(keep));
        int carry = up ? 1 : 0;
        for (size_t i = digits.size(); carry && i-- > 0;) {
            if (digits[i] == '9') digits[i] = '0';
            else {
                ++digits[i];
                carry = 0;
            }
        }
        if (carry) digits.insert(digits.begin(), '1');
        if (digits.empty()) return 0.0;
        // The kept digits, as a whole number, count units of 10^-places (a
        // carry out of all of them included).
        std::string text = (negative ? "-" : "") + digits + "E" + std::to_string(-places);
        const double r = finiteNearest(text);
        return r == 0 ? 0.0 : r;
    }
    return finiteNearest(std::string(negative ? "-" : "") + digits + "E" + std::to_string(exponent - 14));
}

void checkNumber(double x, int places)
{
    const std::string text = conv::doubleToText(x);
    if (text != printfG(x, 15)) fuzz::fault(kTarget, "doubleToText(" + hexOf(x) + ") = " + text + ", printf gives " + printfG(x, 15));
    // The text reads back to the value its 15 digits denote, and that value
    // prints the same again. Above 1.79769313486231E+308 the 15 digits round
    // up past the largest double, so the text denotes no finite value and
    // reads back as infinity, as it does with strtod.
    if (std::isfinite(x)) {
        const double back = conv::textToNumber(text);
        if (!sameDouble(back, std::strtod(text.c_str(), nullptr)))
            fuzz::fault(kTarget, "textToNumber(doubleToText(" + hexOf(x) + ")) differs from strtod");
        if (std::isfinite(back) && conv::doubleToText(back) != text)
            fuzz::fault(kTarget, "doubleToText is not stable on " + text);
    }
    const float f = static_cast<float>(x);
    if (conv::floatToText(f) != printfG(static_cast<double>(f), 7))
        fuzz::fault(kTarget, "floatToText(" + hexOf(f) + ") = " + conv::floatToText(f));

    if (std::isfinite(x) && x != 0) {
        const double rounded = conv::roundTo(x, places);
        const double expected = decimalRound(x, places);
        if (!sameDouble(rounded, expected))
            fuzz::fault(kTarget, "roundTo(" + hexOf(x) + ", " + std::to_string(places) + ") = " + hexOf(rounded) +
                                     ", decimal rounding gives " + hexOf(expected));
    } else if (!sameDouble(conv::roundTo(x, places), x == 0 ? 0.0 : x)) {
        fuzz::fault(kTarget, "roundTo changed " + hexOf(x));
    }

    int32_t truncated = 0;
    if (std::isnan(x)) truncated = 0;
    else if (x >= 2147483647.0) truncated = std::numeric_limits<int32_t>::max();
    else if (x <= -2147483648.0) truncated = std::numeric_limits<int32_t>::min();
    else truncated = static_cast<int32_t>(std::trunc(x));
    if (conv::toInt32(x) != truncated) fuzz::fault(kTarget, "toInt32(" + hexOf(x) + ")");

    for (bool simplified : {true, false}) {
        const std::string name = conv::numberToNameText(x, simplified);
        if (name.empty() || !gr::db::isValidUtf8(name)) fuzz::fault(kTarget, "numberToNameText(" + hexOf(x) + ")");
    }
}

void checkInteger(int64_t n)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%" PRId64, n);
    if (conv::integerToText(n) != buf) fuzz::fault(kTarget, "integerToText(" + std::string(buf) + ")");
}

} // namespace

// The typing rules of the boxes that hand texts to textToNumber: a value a
// box takes is UTF-8, one line (no control character, no line or paragraph
// separator), within the length a box holds, a number being typed in a
// number box (so textToNumber reads all of it), and in the box's own form.
void checkTyping(std::string_view typed)
{
    for (int32_t box : {gr::form::kOrdinaryInput, gr::form::kIntegerInput, gr::form::kDecimalInput}) {
        const gr::BoxEntry entry = gr::enterText(box, typed);
        if (!entry.text) {
            if (entry.refusal.empty()) fuzz::fault(kTarget, "a refusal without a reason");
            continue;
        }
        const std::string& text = *entry.text;
        if (!gr::db::isValidUtf8(text)) fuzz::fault(kTarget, "a box took text that is not UTF-8");
        if (text.find_first_of("\r\n\t") != std::string::npos || text.find("\xE2\x80\xA8") != std::string::npos ||
            text.find("\xE2\x80\xA9") != std::string::npos || text.find("\xC2\x85") != std::string::npos)
            fuzz::fault(kTarget, "a box took a line break or line separator");
        if (text.size() > 4 * gr::kMaxBoxCharacters) fuzz::fault(kTarget, "a box took an overlong text");
        const gr::BoxEntry again = gr::enterText(box, text);
        if (!again.text || *again.text != text) fuzz::fault(kTarget, "a box's text is not in the box's form");
        if (box != gr::form::kOrdinaryInput && text.find_first_not_of("-.0123456789") != std::string::npos)
            fuzz::fault(kTarget, "a number box took more than a number being typed");
        // Typed in pieces, the same text never takes a character the whole refuses.
        const std::size_t half = typed.size() / 2;
        const auto first = gr::typeInto(box, "", typed.substr(0, half), "");
        if (first && typed.find_first_of("\r\n") == std::string_view::npos) {
            const auto whole = gr::typeInto(box, first->text, typed.substr(half), "");
            if (whole && !gr::holdsAsTyped(box, whole->text)) fuzz::fault(kTarget, "typing in pieces took a bad text");
        }
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The whole input as a text, then typed values from its front.
    checkTextToNumber(std::string_view(reinterpret_cast<const char*>(data), size));
    checkTyping(std::string_view(reinterpret_cast<const char*>(data), size));
    fuzz::Bytes in(data, size);
    const double x = in.value<double>();
    const int places = static_cast<int8_t>(in.byte()) % 20;
    checkNumber(x, places);
    checkInteger(in.value<int64_t>());
    // The number of the input's text form, and of what that text holds.
    const double parsed = conv::textToNumber(in.rest());
    checkNumber(parsed, places);
    return 0;
}
