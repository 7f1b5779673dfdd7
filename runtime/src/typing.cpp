#include <gearhost/typing.hpp>

#include <gearrt/form.hpp>

#include <algorithm>

namespace gr {

namespace {

constexpr char32_t kNotUtf8 = 0xFFFFFFFF;

// The code point that starts at `text[i]` and its length in bytes; kNotUtf8
// (length 1) for a byte that does not start a well-formed sequence
// (overlong forms, surrogates and values past U+10FFFF included).
char32_t decode(std::string_view text, std::size_t i, std::size_t& length)
{
    length = 1;
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) return lead;
    std::size_t n = 0;
    char32_t cp = 0, min = 0;
    if (lead >= 0xC2 && lead <= 0xDF) n = 2, cp = lead & 0x1F, min = 0x80;
    else if (lead >= 0xE0 && lead <= 0xEF) n = 3, cp = lead & 0x0F, min = 0x800;
    else if (lead >= 0xF0 && lead <= 0xF4) n = 4, cp = lead & 0x07, min = 0x10000;
    else return kNotUtf8;
    if (i + n > text.size()) return kNotUtf8;
    for (std::size_t k = 1; k < n; ++k) {
        const auto c = static_cast<unsigned char>(text[i + k]);
        if ((c & 0xC0) != 0x80) return kNotUtf8;
        cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return kNotUtf8;
    length = n;
    return cp;
}

bool isContinuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The name of a character that a one-line box cannot hold, or nothing.
std::string lineBreakingName(char32_t cp)
{
    // Checked before the name is built: every character of every typed
    // text passes here.
    const bool control = cp < 0x20 || (cp >= 0x7F && cp <= 0x9F);
    if (!control && cp != 0x2028 && cp != 0x2029) return {};
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string code = "U+";
    for (int shift = 12; shift >= 0; shift -= 4) code += hex[(cp >> shift) & 15];
    switch (cp) {
    case U'\n': return "a line break (" + code + ")";
    case U'\r': return "a carriage return (" + code + ")";
    case U'\t': return "a tab (" + code + ")";
    case U'\0': return "a NUL character (" + code + ")";
    case 0x2028: return "a line separator (" + code + ")";
    case 0x2029: return "a paragraph separator (" + code + ")";
    default: break;
    }
    return "the control character " + code;
}

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

// What a number box makes of typed text: full-width digits become ASCII
// digits; in a decimal box a decimal comma (also the full-width one), the
// full-width point and the ideographic full stop become a decimal point.
// Any other text stays as it is (and the number check judges it).
std::string numberForm(int32_t input_mode, std::string_view text)
{
    const bool decimal = input_mode == form::kDecimalInput;
    if (!decimal && input_mode != form::kIntegerInput) return std::string(text);
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        std::size_t n = 1;
        const char32_t cp = decode(text, i, n);
        if (cp >= 0xFF10 && cp <= 0xFF19) out += static_cast<char>('0' + (cp - 0xFF10));
        else if (decimal && (cp == U',' || cp == 0xFF0C || cp == 0xFF0E || cp == 0x3002)) out += '.';
        else out.append(text.substr(i, n));
        i += n;
    }
    return out;
}

// Why a box of `input_mode` cannot hold `text` as typed; empty when it can.
std::string problemWith(int32_t input_mode, std::string_view text)
{
    std::size_t characters = 0;
    for (std::size_t i = 0, n = 1; i < text.size(); i += n) {
        if (decode(text, i, n) == kNotUtf8) return "is not UTF-8 text";
        ++characters;
    }
    if (std::string problem = oneLineProblem(text); !problem.empty()) return problem;
    if (characters > kMaxBoxCharacters)
        return "is longer than the " + std::to_string(kMaxBoxCharacters) + " characters a box holds";
    switch (input_mode) {
    case form::kIntegerInput:
        if (!isNumberBeingTyped(text, false))
            return "is not a whole number (the box takes digits and a leading minus only)";
        break;
    case form::kDecimalInput:
        if (!isNumberBeingTyped(text, true))
            return "is not a number (the box takes digits, a leading minus and one decimal point only)";
        break;
    default: break;
    }
    return {};
}

// `at` moved back to the start of the character it is in.
std::size_t characterStart(std::string_view text, std::size_t at)
{
    while (at > 0 && at < text.size() && isContinuation(text[at])) --at;
    return at;
}

} // namespace

std::string oneLineProblem(std::string_view text)
{
    for (std::size_t i = 0, n = 1; i < text.size(); i += n) {
        const char32_t cp = decode(text, i, n);
        if (cp == kNotUtf8) continue;
        if (std::string name = lineBreakingName(cp); !name.empty())
            return "holds " + name + ", which a one-line box cannot hold";
    }
    return {};
}

bool holdsAsTyped(int32_t input_mode, std::string_view text)
{
    return problemWith(input_mode, text).empty();
}

std::optional<TypedText> typeInto(int32_t input_mode, std::string_view before, std::string_view inserted,
                                  std::string_view after)
{
    if (input_mode == form::kReadOnlyInput) return std::nullopt;
    // Deleting is always the user's own, visible choice, also in a text
    // that the program set and that the box would not take as typed.
    if (inserted.empty()) return TypedText{std::string(before).append(after), before.size()};
    const std::string taken = numberForm(input_mode, firstLine(inserted));
    TypedText result;
    result.text.reserve(before.size() + taken.size() + after.size());
    result.text.append(before).append(taken);
    result.caret = result.text.size();
    result.text.append(after);
    if (!holdsAsTyped(input_mode, result.text)) return std::nullopt;
    return result;
}

std::optional<TypedText> pasteInto(int32_t input_mode, std::string_view before, std::string_view selected,
                                   std::string_view pasted, std::string_view after)
{
    if (pasted.empty()) {
        TypedText unchanged{std::string(before), before.size() + selected.size()};
        unchanged.text.append(selected).append(after);
        return unchanged;
    }
    return typeInto(input_mode, before, pasted, after);
}

std::optional<TypedText> typeChange(int32_t input_mode, std::string_view old, std::string_view now,
                                    std::size_t caret)
{
    // What follows the caret, if the old text ends with it, is what the edit
    // kept at the end; else the longest common end.
    std::size_t tail = 0;
    if (caret <= now.size() && now.size() - caret <= old.size() && old.ends_with(now.substr(caret))) {
        tail = now.size() - caret;
    } else {
        while (tail < old.size() && tail < now.size() && old[old.size() - 1 - tail] == now[now.size() - 1 - tail])
            ++tail;
    }
    // Never from the middle of a character.
    while (tail > 0 && isContinuation(now[now.size() - tail])) --tail;
    const std::size_t limit = std::min(now.size(), old.size()) - tail;
    std::size_t head = 0;
    while (head < limit && old[head] == now[head]) ++head;
    head = characterStart(now, head);
    return typeInto(input_mode, now.substr(0, head), now.substr(head, now.size() - tail - head),
                    now.substr(now.size() - tail));
}

BoxEntry enterText(int32_t input_mode, std::string_view typed)
{
    if (input_mode == form::kReadOnlyInput) return {std::nullopt, "cannot be typed into a read-only box"};
    std::string text = numberForm(input_mode, typed);
    if (std::string problem = problemWith(input_mode, text); !problem.empty()) return {std::nullopt, problem};
    return {std::move(text), {}};
}

} // namespace gr
