#include <gearhost/typing.hpp>

#include <gearrt/form.hpp>

namespace gr {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// An optional leading minus, then digits and, where `point` allows it, at
// most one decimal point.
bool isNumberBeingTyped(std::string_view text, bool point)
{
    if (!text.empty() && text.front() == '-') text.remove_prefix(1);
    bool seen_point = false;
    for (char c : text) {
        if (isDigit(c)) continue;
        if (point && c == '.' && !seen_point) {
            seen_point = true;
            continue;
        }
        return false;
    }
    return true;
}

// The part of a typed or pasted text that a single-line box takes: up to
// its first line break.
std::string_view firstLine(std::string_view inserted)
{
    const std::size_t end = inserted.find_first_of("\r\n");
    return end == std::string_view::npos ? inserted : inserted.substr(0, end);
}

// A decimal comma, as typed on the keyboard or by a Chinese input method
// (the full-width comma U+FF0C), becomes a decimal point.
std::string commasToPoints(std::string_view text)
{
    static constexpr std::string_view kFullWidthComma = "\xEF\xBC\x8C";
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.substr(i, kFullWidthComma.size()) == kFullWidthComma) {
            out += '.';
            i += kFullWidthComma.size() - 1;
        } else {
            out += text[i] == ',' ? '.' : text[i];
        }
    }
    return out;
}

} // namespace

bool holdsAsTyped(int32_t input_mode, std::string_view text)
{
    if (text.find_first_of("\r\n") != std::string_view::npos) return false;
    switch (input_mode) {
    case form::kIntegerInput: return isNumberBeingTyped(text, false);
    case form::kDecimalInput: return isNumberBeingTyped(text, true);
    default: return true;
    }
}

std::optional<TypedText> typeInto(int32_t input_mode, std::string_view before, std::string_view inserted,
                                  std::string_view after)
{
    if (input_mode == form::kReadOnlyInput) return std::nullopt;
    // Deleting is always the user's own, visible choice, also in a text
    // that the program set and that the box would not take as typed.
    if (inserted.empty()) return TypedText{std::string(before).append(after), before.size()};
    std::string taken(firstLine(inserted));
    if (input_mode == form::kDecimalInput) taken = commasToPoints(taken);
    TypedText result;
    result.text.reserve(before.size() + taken.size() + after.size());
    result.text.append(before).append(taken);
    result.caret = result.text.size();
    result.text.append(after);
    if (!holdsAsTyped(input_mode, result.text)) return std::nullopt;
    return result;
}

} // namespace gr
