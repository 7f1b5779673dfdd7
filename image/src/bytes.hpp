// Little-endian byte writing and bounds-checked reading.
#pragma once

#include <gearimg/image.hpp>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace gr::image::detail {

class ByteWriter {
public:
    size_t size() const { return out_.size(); }
    std::vector<uint8_t>& data() { return out_; }

    void u8(uint8_t v) { out_.push_back(v); }
    void u16(uint16_t v)
    {
        u8(static_cast<uint8_t>(v));
        u8(static_cast<uint8_t>(v >> 8));
    }
    void u32(uint32_t v)
    {
        for (int s = 0; s < 32; s += 8) u8(static_cast<uint8_t>(v >> s));
    }
    void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
    void u64(uint64_t v)
    {
        u32(static_cast<uint32_t>(v));
        u32(static_cast<uint32_t>(v >> 32));
    }
    void bytes(std::span<const uint8_t> b) { out_.insert(out_.end(), b.begin(), b.end()); }
    void bytes(std::string_view s) { out_.insert(out_.end(), s.begin(), s.end()); }
    void zeros(size_t n) { out_.insert(out_.end(), n, uint8_t{0}); }
    void patch32(size_t at, uint32_t v)
    {
        for (int s = 0; s < 32; s += 8) out_.at(at++) = static_cast<uint8_t>(v >> s);
    }

private:
    std::vector<uint8_t> out_;
};

// The first error of a parse; later ones are consequences and are dropped.
class Errors {
public:
    bool ok() const { return !first_; }
    void fail(std::string message)
    {
        if (!first_) first_ = Error{std::move(message)};
    }
    const Error& error() const { return *first_; }

private:
    std::optional<Error> first_;
};

inline uint32_t load32(std::span<const uint8_t> b, size_t at)
{
    return uint32_t{b[at]} | uint32_t{b[at + 1]} << 8 | uint32_t{b[at + 2]} << 16 | uint32_t{b[at + 3]} << 24;
}

// Reads from [pos, end) of the image. A read that does not fit records an
// error naming `where`, the field and the offsets, and fails the cursor:
// every later read answers zero or empty and reads nothing, so a parser may
// test ok() once after a run of reads. Offsets are image offsets; the image
// is at most kMaxImageSize bytes, so no sum here can overflow.
class Cursor {
public:
    Cursor(std::span<const uint8_t> image, size_t begin, size_t end, std::string where, Errors& errors)
        : image_(image), pos_(begin), end_(end), where_(std::move(where)), errors_(errors)
    {
    }

    bool ok() const { return ok_ && errors_.ok(); }
    size_t pos() const { return pos_; }
    size_t end() const { return end_; }
    size_t remaining() const { return end_ - pos_; }
    const std::string& where() const { return where_; }

    // Whether `n` more bytes lie before the end; records an error if not.
    bool need(size_t n, std::string_view field)
    {
        if (!ok()) return false;
        if (n <= end_ - pos_) return true;
        fail(std::string(field) + " at " + hex(pos_) + " needs " + hex(n) + " bytes, only " + hex(end_ - pos_) +
             " remain before " + hex(end_));
        return false;
    }

    uint32_t u32(std::string_view field)
    {
        if (!need(4, field)) return 0;
        const uint32_t v = load32(image_, pos_);
        pos_ += 4;
        return v;
    }
    int32_t i32(std::string_view field) { return static_cast<int32_t>(u32(field)); }
    uint16_t u16(std::string_view field)
    {
        if (!need(2, field)) return 0;
        const auto v = static_cast<uint16_t>(image_[pos_] | image_[pos_ + 1] << 8);
        pos_ += 2;
        return v;
    }
    std::span<const uint8_t> bytes(size_t n, std::string_view field)
    {
        if (!need(n, field)) return {};
        std::span<const uint8_t> s = image_.subspan(pos_, n);
        pos_ += n;
        return s;
    }
    void skip(size_t n, std::string_view field) { (void)bytes(n, field); }

    // Bytes up to a NUL (consumed, not returned), at most `max` of them.
    std::string_view cstring(std::string_view field, size_t max)
    {
        if (!ok()) return {};
        const size_t limit = std::min(end_ - pos_, max + 1);
        if (limit == 0) {
            fail(std::string(field) + " at " + hex(pos_) + " needs 0x1 byte at least, none remain before " + hex(end_));
            return {};
        }
        const void* nul = std::memchr(image_.data() + pos_, 0, limit);
        if (nul == nullptr) {
            fail(std::string(field) + " at " + hex(pos_) + " has no closing NUL within " + hex(limit) + " bytes");
            return {};
        }
        const auto n = static_cast<size_t>(static_cast<const uint8_t*>(nul) - (image_.data() + pos_));
        std::string_view s(reinterpret_cast<const char*>(image_.data() + pos_), n);
        pos_ += n + 1;
        return s;
    }

    // A 32-bit length (at most `max`) followed by that many bytes.
    std::string_view counted(std::string_view field, size_t max)
    {
        const size_t at = pos_;
        const uint32_t n = u32(field);
        if (ok() && n > max) {
            fail(std::string(field) + " length " + hex(n) + " at " + hex(at) + " exceeds the limit " + hex(max));
            return {};
        }
        std::span<const uint8_t> b = bytes(n, field);
        return {reinterpret_cast<const char*>(b.data()), b.size()};
    }

    void fail(const std::string& what)
    {
        ok_ = false;
        errors_.fail(where_ + ": " + what);
    }

private:
    std::span<const uint8_t> image_;
    size_t pos_;
    size_t end_;
    std::string where_;
    Errors& errors_;
    bool ok_ = true;
};

} // namespace gr::image::detail
