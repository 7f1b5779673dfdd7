// UTF-8 validation for catalogue texts and CSV input.
#pragma once

#include <cstddef>
#include <string_view>

namespace gr::db {

// Offset of the first byte that does not begin a well-formed UTF-8 sequence
// (RFC 3629: no overlong forms, no surrogates, nothing above U+10FFFF), or
// std::string_view::npos when the whole text is well-formed.
std::size_t firstInvalidUtf8(std::string_view text) noexcept;

// Length in bytes of the well-formed sequence that starts at `at` (1 for
// ASCII), or 0 when none starts there (also at or past the end).
std::size_t utf8SequenceLength(std::string_view text, std::size_t at) noexcept;

inline bool isValidUtf8(std::string_view text) noexcept
{
    return firstInvalidUtf8(text) == std::string_view::npos;
}

} // namespace gr::db
