// JSON text written straight into a string: the hot path of --batch and
// --all-items, where every line holds a whole report.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace gearcalc::report {

// Appends `text` as a JSON string: in quotes, with '"', '\' and the control
// characters escaped as RapidJSON's writer escapes them (\b \t \n \f \r,
// others as \u00XX), and U+FFFD for each byte that does not begin a
// well-formed UTF-8 sequence (a typed argument can be anything).
void appendJsonString(std::string& out, std::string_view text);

// The most bytes appendJsonString can write for a text of `size` bytes:
// the quotes and six bytes ("\u001F") for each byte.
constexpr std::size_t jsonStringBound(std::size_t size)
{
    return 2 + 6 * size;
}

// The same JSON string written at `out`, which has room for
// jsonStringBound(text.size()) bytes; returns the end of what was written.
char* writeJsonString(char* out, std::string_view text);

} // namespace gearcalc::report
