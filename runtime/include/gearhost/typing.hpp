// What a single-line edit box makes of the user's typing and pasting. Every
// window system applies these rules, so a box takes the same text, and
// refuses the same text, whichever backend shows it.
//
//  - A line break ends what is inserted: of a pasted text with several
//    lines only the first goes in. Blanks stay exactly as typed.
//  - A decimal box turns a decimal comma (also the full-width one of a
//    Chinese input method) into a decimal point.
//  - A number box holds only a number being typed: an integer box an
//    optional leading minus and digits, a decimal box also one decimal
//    point. An edit that would leave anything else is refused as a whole:
//    the text stays as it was (the backend beeps); the box never keeps the
//    acceptable characters of a refused edit, which would make another
//    number of them.
//    Deleting is always accepted.
//  - A read-only box refuses every edit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace gr {

struct TypedText {
    std::string text;  // the box's new content (UTF-8)
    std::size_t caret; // byte offset just after what went in
};

// The user's edit of a single-line box of `input_mode` (form::InputMode):
// `inserted` typed or pasted between `before` and `after`, the parts of the
// old text that the edit keeps. Nothing when the box refuses the edit.
std::optional<TypedText> typeInto(int32_t input_mode, std::string_view before, std::string_view inserted,
                                  std::string_view after);

// Whether a box of `input_mode` can hold `text` as typed ("", "-" and "3."
// are numbers being typed). Ordinary boxes hold any text without a line
// break.
bool holdsAsTyped(int32_t input_mode, std::string_view text);

} // namespace gr
