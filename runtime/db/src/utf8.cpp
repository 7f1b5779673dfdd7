#include <geardb/utf8.hpp>

namespace gr::db {

std::size_t utf8SequenceLength(std::string_view text, std::size_t at) noexcept
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

std::size_t firstInvalidUtf8(std::string_view text) noexcept
{
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        if (s[i] < 0x80) {
            ++i;
            continue;
        }
        const std::size_t len = utf8SequenceLength(text, i);
        if (len == 0) return i;
        i += len;
    }
    return std::string_view::npos;
}

} // namespace gr::db
