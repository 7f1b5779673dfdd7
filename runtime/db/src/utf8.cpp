#include <geardb/utf8.hpp>

namespace gr::db {

std::size_t firstInvalidUtf8(std::string_view text) noexcept
{
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char b = s[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
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
            return i;
        }
        if (n - i < len) return i;
        if (s[i + 1] < lo || s[i + 1] > hi) return i;
        for (std::size_t k = 2; k < len; ++k)
            if ((s[i + k] & 0xC0) != 0x80) return i;
        i += len;
    }
    return std::string_view::npos;
}

} // namespace gr::db
