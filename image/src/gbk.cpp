// GBK <-> UTF-8 through the C library's iconv. The image keeps its texts in
// GBK; everything outside the image works in UTF-8.
#include <gearimg/image.hpp>

#include <iconv.h>

#include <cerrno>

namespace gr::image {

namespace {

// One open converter per direction and thread; iconv_open is far dearer
// than a conversion.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter()
    {
        if (valid()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts all of `in`; on failure answers false and the offset of the
    // first byte that could not be converted.
    bool run(std::string_view in, size_t growth, std::string& out, size_t& bad_at)
    {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr); // back to the initial state
        out.assign(in.size() * growth + 8, '\0');
        char* inp = const_cast<char*>(in.data());
        size_t in_left = in.size();
        char* outp = out.data();
        size_t out_left = out.size();
        const size_t r = iconv(cd_, &inp, &in_left, &outp, &out_left);
        bad_at = in.size() - in_left;
        // A non-zero count means irreversible replacements: not faithful either.
        if (r != 0 || in_left != 0) return false;
        out.resize(out.size() - out_left);
        return true;
    }

private:
    iconv_t cd_;
};

Result<std::string> convert(Converter& c, std::string_view in, size_t growth, const char* what)
{
    if (!c.valid()) return Error{std::string("the C library has no ") + what + " converter"};
    if (in.empty()) return std::string();
    std::string out;
    size_t bad_at = 0;
    if (!c.run(in, growth, out, bad_at)) {
        const auto byte = bad_at < in.size() ? static_cast<unsigned char>(in[bad_at]) : 0u;
        return Error{std::string("byte ") + hex(byte) + " at " + hex(bad_at) + " is not valid " + what};
    }
    return out;
}

} // namespace

Result<std::string> utf8ToGbk(std::string_view utf8)
{
    thread_local Converter c("GBK", "UTF-8");
    return convert(c, utf8, 2, "UTF-8 that GBK can hold");
}

Result<std::string> gbkToUtf8(std::string_view gbk)
{
    thread_local Converter c("UTF-8", "GBK");
    return convert(c, gbk, 3, "GBK");
}

} // namespace gr::image
