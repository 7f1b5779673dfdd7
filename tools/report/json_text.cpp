#include "json_text.hpp"

#include <geardb/utf8.hpp>

namespace gearcalc::report {

void appendJsonString(std::string& out, std::string_view text)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += '"';
    // Bytes that need nothing are copied in runs, not one by one.
    std::size_t run = 0;
    std::size_t i = 0;
    const auto flush = [&] { out.append(text.substr(run, i - run)); };
    while (i < text.size()) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b >= 0x20 && b != '"' && b != '\\' && b < 0x80) {
            ++i;
            continue;
        }
        if (b >= 0x80) {
            if (const std::size_t n = gr::db::utf8SequenceLength(text, i); n != 0) {
                i += n;
                continue;
            }
            flush();
            out += "\xEF\xBF\xBD"; // U+FFFD
        } else {
            flush();
            out += '\\';
            switch (b) {
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            case '\b': out += 'b'; break;
            case '\t': out += 't'; break;
            case '\n': out += 'n'; break;
            case '\f': out += 'f'; break;
            case '\r': out += 'r'; break;
            default:
                out += "u00";
                out += kHex[b >> 4];
                out += kHex[b & 0xF];
            }
        }
        run = ++i;
    }
    flush();
    out += '"';
}

} // namespace gearcalc::report
