#include <geardb/utf8.hpp>

namespace gr::db {

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
