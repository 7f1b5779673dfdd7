// What a single-line edit box makes of the user's typing and pasting. Every
// window system applies these rules, so a box takes the same text, and
// refuses the same text, whichever backend shows it; the command-line tools
// apply them to every value typed there (enterText).
//
//  - A line break ends what is inserted: of a pasted text with several
//    lines only the first goes in. Blanks stay exactly as typed.
//  - A one-line box holds no control character (C0, DEL, C1 such as
//    U+0085) and no line or paragraph separator (U+2028, U+2029): each
//    would start a line of its own wherever the text is shown.
//  - Number boxes take what a Chinese input method types: full-width digits
//    (０-９) become ASCII digits, and a decimal box turns a decimal comma
//    (also the full-width one), the full-width point "．" and "。" into a
//    decimal point.
//  - A number box holds only a number being typed: an integer box an
//    optional leading minus and digits, a decimal box also one decimal
//    point. An edit that would leave anything else is refused as a whole:
//    the text stays as it was (the backend beeps); the box never keeps the
//    acceptable characters of a refused edit, which would make another
//    number of them.
//  - A box holds at most kMaxBoxCharacters characters; a longer edit is
//    refused as a whole too, never cut.
//  - Rules work on whole characters: a character outside the Basic
//    Multilingual Plane (one code point in UTF-8, a surrogate pair in
//    UTF-16) is never split; text that is not UTF-8 is refused.
//    Deleting is always accepted.
//  - A paste of an empty clipboard changes nothing.
//  - A read-only box refuses every edit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace gr {

// The most characters (code points) a single-line box holds.
inline constexpr std::size_t kMaxBoxCharacters = 1000;

struct TypedText {
    std::string text;  // the box's new content (UTF-8)
    std::size_t caret; // byte offset just after what went in
};

// The user's edit of a single-line box of `input_mode` (form::InputMode):
// `inserted` typed or pasted between `before` and `after`, the parts of the
// old text that the edit keeps. Nothing when the box refuses the edit.
std::optional<TypedText> typeInto(int32_t input_mode, std::string_view before, std::string_view inserted,
                                  std::string_view after);

// A paste of `pasted` over the selected part `selected` of the text: the
// same as typing it, except that an empty clipboard leaves the text as it
// was (with the caret after the selection) instead of deleting the
// selection.
std::optional<TypedText> pasteInto(int32_t input_mode, std::string_view before, std::string_view selected,
                                   std::string_view pasted, std::string_view after);

// A box's text changed from `old` to `now` by one edit the rules did not see
// as it happened (an input method, a drop): the edit is found from the
// common ends (the caret at byte `caret` of `now`, just after what went in,
// decides where it is ambiguous) and judged by typeInto. The edit's ends
// are never inside a character.
std::optional<TypedText> typeChange(int32_t input_mode, std::string_view old, std::string_view now,
                                    std::size_t caret);

// Whether a box of `input_mode` can hold `text` as typed ("", "-" and "3."
// are numbers being typed). Ordinary boxes hold any one-line text.
bool holdsAsTyped(int32_t input_mode, std::string_view text);

// A whole value entered into an empty box of `input_mode`, as a paste of a
// one-line text: the box's text (a decimal comma turned into a point,
// full-width digits into ASCII ones), or why the box refuses it, worded to
// follow "the value ", e.g. "is not a whole number ...". Unlike a paste, a
// line break refuses the value instead of ending it: a value is meant whole.
struct BoxEntry {
    std::optional<std::string> text; // nothing when refused
    std::string refusal;
};
BoxEntry enterText(int32_t input_mode, std::string_view typed);

// What keeps a one-line box from holding `text`: an empty string, or e.g.
// "holds a line break (U+000A), which a one-line box cannot hold".
std::string oneLineProblem(std::string_view text);

} // namespace gr
