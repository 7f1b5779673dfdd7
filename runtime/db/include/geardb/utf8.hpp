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
// ASCII), or 0 when none starts there (also at or past the end). Inline:
// writers call it for every character of long texts.
inline std::size_t utf8SequenceLength(std::string_view text, std::size_t at) noexcept
{
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    if (at >= n) return 0;
    const unsigned char b = s[at];
    if (b < 0x80) return 1;
    std::size_t len = 0;
    // Bounds of the second byte; later continuation bytes are 80..BF.
    unsigned char lo = 0x80, hi = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
        len = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        len = 3;
        if (b == 0xE0)
            lo = 0xA0; // overlong
        else if (b == 0xED)
            hi = 0x9F; // surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        len = 4;
        if (b == 0xF0)
            lo = 0x90; // overlong
        else if (b == 0xF4)
            hi = 0x8F; // above U+10FFFF
    } else {
        return 0;
    }
    if (n - at < len) return 0;
    if (s[at + 1] < lo || s[at + 1] > hi) return 0;
    for (std::size_t k = 2; k < len; ++k)
        if ((s[at + k] & 0xC0) != 0x80) return 0;
    return len;
}

inline bool isValidUtf8(std::string_view text) noexcept
{
    return firstInvalidUtf8(text) == std::string_view::npos;
}

} // namespace gr::db
