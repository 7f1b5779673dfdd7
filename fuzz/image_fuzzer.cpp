// Fuzz target of the image reader. Any input is either refused with a
// message or read; what is read must write, and that image must read and
// write again to the very same bytes. What the verifier accepts must also be
// safe to build a window from: every element's place and size within the
// form's limits, and every constant where the pool's layout puts it (the
// offsets the writer lays out for the same program). The libFuzzer build
// adds a mutator that aims at exactly these fields: the place and size of a
// form element, and a constant's pool offset.
#include <gearimg/image.hpp>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>

namespace {

namespace img = gr::image;

[[noreturn]] void fault(const char* what, const std::string& detail)
{
    std::fprintf(stderr, "image fuzzer: %s: %s\n", what, detail.c_str());
    std::abort();
}

bool withinLimits(const gr::form::Element& e)
{
    const int32_t reach = e.kind == gr::form::kWindow ? img::kMaxScreenCoordinate : img::kMaxFormExtent;
    return e.left >= -reach && e.left <= reach && e.top >= -reach && e.top <= reach && e.width >= 0 &&
           e.width <= img::kMaxFormExtent && e.height >= 0 && e.height <= img::kMaxFormExtent;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const img::Result<img::Image> read = img::readImage(std::span<const uint8_t>(data, size));
    if (!read) {
        if (read.error().message.empty()) fault("refused without a message", "");
        return 0;
    }
    for (const gr::form::Element& e : read->program.form.elements)
        if (!withinLimits(e))
            fault("the verifier accepted an element beyond the form's limits",
                  img::hex(e.identity) + " at " + std::to_string(e.left) + "," + std::to_string(e.top) + " size " +
                      std::to_string(e.width) + "x" + std::to_string(e.height));
    const img::Result<std::vector<uint8_t>> written = img::writeImage(read->program);
    if (!written) fault("an image that reads does not write", written.error().message);
    const img::Result<img::Image> again = img::readImage(written.value());
    if (!again) fault("the writer made an image the reader refuses", again.error().message);
    if (again->linkage.constant_offsets != read->linkage.constant_offsets)
        fault("the verifier accepted constant offsets the pool's layout does not give", "");
    const img::Result<std::vector<uint8_t>> twice = img::writeImage(again->program);
    if (!twice || twice.value() != written.value()) fault("writing what was read changed the bytes", "");
    return 0;
}

#ifdef GEAR_LIBFUZZER
extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t max_size);

namespace {

uint32_t load32(const uint8_t* b) { return uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24; }
void store32(uint8_t* b, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b[i] = static_cast<uint8_t>(v >> (8 * i));
}

// Where the four geometry words of element `index` lie, walking the form
// section of an image that reads; 0 when it cannot be found.
size_t geometryAt(const uint8_t* data, size_t size, const img::Image& image, size_t index)
{
    const size_t n = image.program.form.elements.size();
    const img::Result<std::string> name = img::utf8ToGbk(image.program.form.name);
    const img::Result<std::string> comment = img::utf8ToGbk(image.program.form.comment);
    if (!name || !comment) return 0;
    size_t at = image.sections[img::kForm].data_offset + 24 + name->size() + 4 + comment->size() + 8 + 8 * n;
    for (size_t i = 0; i < index; ++i) {
        if (at + 4 > size) return 0;
        at += 4 + load32(data + at);
    }
    at += 4 + 4 + 20; // length, kind, reserved
    for (int text = 0; text < 2; ++text) {
        while (at < size && data[at] != 0) ++at;
        ++at;
    }
    at += 4;
    return at + 16 <= size ? at : 0;
}

} // namespace

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t max_size, unsigned int seed)
{
    const img::Result<img::Image> read = img::readImage(std::span<const uint8_t>(data, size));
    if (!read || seed % 4 == 0) return LLVMFuzzerMutate(data, size, max_size);
    const img::Image& image = read.value();
    if (seed % 4 == 1 && !image.linkage.constant_offsets.empty()) {
        // A constant's pool offset moved by a few bytes either way.
        const size_t i = (seed >> 2) % image.linkage.constant_offsets.size();
        const size_t at = image.sections[img::kCode].data_offset + 28 + 4 * image.program.routines.size() + 8 * i + 4;
        if (at + 4 <= size) store32(data + at, load32(data + at) + static_cast<uint32_t>(static_cast<int32_t>((seed >> 8) % 9) - 4));
        return size;
    }
    const size_t n = image.program.form.elements.size();
    const size_t at = geometryAt(data, size, image, (seed >> 2) % n);
    if (at == 0) return LLVMFuzzerMutate(data, size, max_size);
    uint8_t* field = data + at + 4 * ((seed >> 12) % 4);
    const uint32_t edges[] = {0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 4096u, 4097u, static_cast<uint32_t>(-4097),
                              16384u, 16385u, static_cast<uint32_t>(-16385), 0u};
    const unsigned choice = (seed >> 14) % 16;
    store32(field, choice < 10 ? edges[choice] : load32(field) ^ (1u << ((seed >> 18) % 32)));
    return size;
}
#endif
