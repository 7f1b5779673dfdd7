// Fuzz target of the image reader. Any input is either refused with a
// message or read; what is read must write, and that image must read and
// write again to the very same bytes.
#include <gearimg/image.hpp>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

namespace {

[[noreturn]] void fault(const char* what, const std::string& detail)
{
    std::fprintf(stderr, "image fuzzer: %s: %s\n", what, detail.c_str());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    namespace img = gr::image;
    const img::Result<img::Image> read = img::readImage(std::span<const uint8_t>(data, size));
    if (!read) {
        if (read.error().message.empty()) fault("refused without a message", "");
        return 0;
    }
    const img::Result<std::vector<uint8_t>> written = img::writeImage(read->program);
    if (!written) fault("an image that reads does not write", written.error().message);
    const img::Result<img::Image> again = img::readImage(written.value());
    if (!again) fault("the writer made an image the reader refuses", again.error().message);
    const img::Result<std::vector<uint8_t>> twice = img::writeImage(again->program);
    if (!twice || twice.value() != written.value()) fault("writing what was read changed the bytes", "");
    return 0;
}
