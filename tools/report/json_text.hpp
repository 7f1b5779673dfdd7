// JSON text written straight into a string: the hot path of --batch and
// --all-items, where every line holds a whole report.
#pragma once

#include <string>
#include <string_view>

namespace gearcalc::report {

// Appends `text` as a JSON string: in quotes, with '"', '\' and the control
// characters escaped as RapidJSON's writer escapes them (\b \t \n \f \r,
// others as \u00XX), and U+FFFD for each byte that does not begin a
// well-formed UTF-8 sequence (a typed argument can be anything).
void appendJsonString(std::string& out, std::string_view text);

} // namespace gearcalc::report
