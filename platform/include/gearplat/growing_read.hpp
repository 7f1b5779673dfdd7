// Reads a text of unknown length from an API that fills a caller's buffer
// and cannot say how long the text is (readlink, GetModuleFileNameW).
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace gearplat {

// `read(buffer, capacity)` stores at most `capacity` characters and returns
// how many it stored, or a value <= 0 on failure. A result that fills the
// whole buffer may be truncated, so the buffer doubles and the read repeats,
// up to `limit` characters. Nothing when the read fails or the text does not
// fit in fewer than `limit` characters.
template <class Char, class Read>
std::optional<std::basic_string<Char>> readGrowing(Read read, std::size_t first, std::size_t limit)
{
    std::basic_string<Char> buffer;
    std::size_t capacity = first < limit ? first : limit;
    while (capacity > 0) {
        buffer.assign(capacity, Char{});
        const long long stored = read(buffer.data(), capacity);
        if (stored <= 0) return std::nullopt;
        if (static_cast<unsigned long long>(stored) < capacity) {
            buffer.resize(static_cast<std::size_t>(stored));
            return buffer;
        }
        if (capacity == limit) break; // still full at the largest size allowed
        capacity = capacity > limit / 2 ? limit : capacity * 2;
    }
    return std::nullopt;
}

} // namespace gearplat
