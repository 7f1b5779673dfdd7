#include "json_text.hpp"

#include <geardb/utf8.hpp>

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace gearcalc::report {

namespace {

// What a byte asks of the writer: 0 a plain copy, 'u' a \u00XX escape,
// another letter its two-character escape, 'L' a byte at or above 0x80
// (checked as the start of a UTF-8 sequence).
constexpr std::array<char, 256> kByteClass = [] {
    std::array<char, 256> c{};
    for (int b = 0; b < 0x20; ++b)
        c[static_cast<std::size_t>(b)] = 'u';
    c['"'] = '"';
    c['\\'] = '\\';
    c['\b'] = 'b';
    c['\t'] = 't';
    c['\n'] = 'n';
    c['\f'] = 'f';
    c['\r'] = 'r';
    for (int b = 0x80; b < 0x100; ++b)
        c[static_cast<std::size_t>(b)] = 'L';
    return c;
}();

} // namespace

// Copies the bytes from `s[i]` that need nothing to `o`, up to the first
// one that does or the end; advances both.
inline void copyPlain(const unsigned char* s, std::size_t size, std::size_t& i, char*& o)
{
#if defined(__SSE2__)
    // Sixteen at a time. A signed compare below 0x20 finds the control
    // characters and every byte from 0x80 at once. The whole block is
    // stored even when only its start is plain: the room the caller has
    // for the rest of the text (six bytes a byte) always holds it.
    const __m128i space = _mm_set1_epi8(0x20);
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i backslash = _mm_set1_epi8('\\');
    while (size - i >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i care =
            _mm_or_si128(_mm_cmplt_epi8(v, space), _mm_or_si128(_mm_cmpeq_epi8(v, quote), _mm_cmpeq_epi8(v, backslash)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o), v);
        const auto mask = static_cast<unsigned>(_mm_movemask_epi8(care));
        if (mask != 0) {
            const auto plain = static_cast<std::size_t>(std::countr_zero(mask));
            i += plain;
            o += plain;
            return;
        }
        i += 16;
        o += 16;
    }
#endif
    while (i < size && kByteClass[s[i]] == 0)
        *o++ = static_cast<char>(s[i++]);
}

// Whether a three-byte sequence that needs no range check of its second
// byte (lead E1..EC or EE..EF) starts at `s[i]`, with a fourth byte after
// it: read as one word, little end first.
inline bool isCommonThreeByte(const unsigned char* s, std::size_t size, std::size_t i, uint32_t& word)
{
    if (size - i < 4) return false;
    std::memcpy(&word, s + i, 4);
    if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap32(word);
    const uint32_t lead = word & 0xFF;
    return (word & 0xC0C0F0) == 0x8080E0 && lead != 0xE0 && lead != 0xED;
}

char* writeJsonString(char* o, std::string_view text)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    *o++ = '"';
    std::size_t i = 0;
    while (true) {
        copyPlain(s, size, i, o);
        if (i == size) break;
        const unsigned char b = s[i];
        const char kind = kByteClass[b];
        if (kind == 'L') {
            // Runs of three-byte sequences (the Chinese texts) checked
            // inline: E1..EC and EE..EF take any two continuation bytes.
            // The fourth byte is stored too, and then written over: the
            // room for the text after it holds it.
            uint32_t word = 0;
            if (isCommonThreeByte(s, size, i, word)) {
                do {
                    std::memcpy(o, s + i, 4);
                    o += 3;
                    i += 3;
                } while (isCommonThreeByte(s, size, i, word));
                continue;
            }
            const std::size_t n = gr::db::utf8SequenceLength(text, i);
            if (n == 0) {
                *o++ = '\xEF'; // U+FFFD for a byte that starts no sequence
                *o++ = '\xBF';
                *o++ = '\xBD';
                ++i;
            } else {
                for (const std::size_t end = i + n; i < end; ++i)
                    *o++ = static_cast<char>(s[i]);
            }
        } else {
            *o++ = '\\';
            if (kind == 'u') {
                *o++ = 'u';
                *o++ = '0';
                *o++ = '0';
                *o++ = kHex[b >> 4];
                *o++ = kHex[b & 0xF];
            } else {
                *o++ = kind;
            }
            ++i;
        }
    }
    *o++ = '"';
    return o;
}

void appendJsonString(std::string& out, std::string_view text)
{
    const std::size_t start = out.size();
    out.resize(start + jsonStringBound(text.size()));
    out.resize(static_cast<std::size_t>(writeJsonString(out.data() + start, text) - out.data()));
}

} // namespace gearcalc::report
