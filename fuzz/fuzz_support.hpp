// What the fuzz targets share: stopping on a broken property with a
// message that says which, and taking typed values from the input.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace fuzz {

// A property does not hold: say which, then crash so that libFuzzer (or
// the replay) keeps the input.
[[noreturn]] inline void fault(const char* target, const std::string& what)
{
    std::fprintf(stderr, "%s fuzzer: %s\n", target, what.c_str());
    std::abort();
}

// Reads typed values from the front of the input; past its end every read
// gives zero bytes.
class Bytes {
public:
    Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    template <typename T>
    T value()
    {
        T v{};
        std::array<unsigned char, sizeof(T)> raw{};
        for (std::size_t i = 0; i < raw.size(); ++i) raw[i] = byte();
        std::memcpy(&v, raw.data(), sizeof v);
        return v;
    }
    // A text of up to `max` bytes.
    std::string text(size_t max)
    {
        const size_t n = std::min<size_t>(byte() % (max + 1), size_ - std::min(at_, size_));
        std::string s(reinterpret_cast<const char*>(data_ + at_), n);
        at_ += n;
        return s;
    }
    std::string_view rest() const
    {
        return at_ < size_ ? std::string_view(reinterpret_cast<const char*>(data_ + at_), size_ - at_)
                           : std::string_view();
    }
    bool empty() const { return at_ >= size_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

} // namespace fuzz
