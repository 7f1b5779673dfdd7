// GBK <-> UTF-8 through the platform layer. The image keeps its texts in
// GBK; everything outside the image works in UTF-8.
#include <gearimg/image.hpp>

#include <gearplat/text_files.hpp>

namespace gr::image {

namespace {

Result<std::string> faithful(gearplat::Converted converted, std::string_view in, const char* what)
{
    if (!converted.available) return Error{std::string("the system has no ") + what + " converter"};
    if (!converted.ok) {
        const auto byte = converted.bad_at < in.size() ? static_cast<unsigned char>(in[converted.bad_at]) : 0u;
        return Error{std::string("byte ") + hex(byte) + " at " + hex(converted.bad_at) + " is not valid " + what};
    }
    return std::move(converted.text);
}

} // namespace

Result<std::string> utf8ToGbk(std::string_view utf8)
{
    if (utf8.empty()) return std::string();
    return faithful(gearplat::utf8ToGbk(utf8), utf8, "UTF-8 that GBK can hold");
}

Result<std::string> gbkToUtf8(std::string_view gbk)
{
    if (gbk.empty()) return std::string();
    return faithful(gearplat::gbkToUtf8(gbk), gbk, "GBK");
}

} // namespace gr::image
