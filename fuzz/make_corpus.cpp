// Writes the seed corpus from a valid image: the image itself, its two
// accepted variants (the short @reloc1 size field, trailing zero fill), and
// damaged copies that each change one field.
//   image_corpus_maker IMAGE OUTDIR
#include <gearimg/image.hpp>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace img = gr::image;
using Bytes = std::vector<uint8_t>;

uint32_t u32(const Bytes& b, size_t at)
{
    return uint32_t{b.at(at)} | uint32_t{b.at(at + 1)} << 8 | uint32_t{b.at(at + 2)} << 16 | uint32_t{b.at(at + 3)} << 24;
}

void put32(Bytes& b, size_t at, uint32_t v)
{
    for (int s = 0; s < 32; s += 8) b.at(at++) = static_cast<uint8_t>(v >> s);
}

bool save(const std::filesystem::path& path, const Bytes& b)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    return static_cast<bool>(out.flush());
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s IMAGE OUTDIR\n", argv[0]);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const Bytes image{std::istreambuf_iterator<char>(in), {}};
    const img::Result<img::Image> read = img::readImage(image);
    if (!read) {
        std::fprintf(stderr, "%s: %s\n", argv[1], read.error().message.c_str());
        return 1;
    }
    const img::Image& w = read.value();
    const std::filesystem::path out = argv[2];
    std::filesystem::create_directories(out);

    auto hdr = [&](size_t i) -> size_t { return w.sections[i].header_offset; };
    auto data = [&](size_t i) -> size_t { return w.sections[i].data_offset; };
    const size_t code = data(img::kCode), fixups = hdr(img::kCode) + img::kSectionHeaderSize;
    const size_t n = w.program.form.elements.size(), ids = data(img::kForm) + 36, offsets = ids + 4 * n;
    const size_t records = offsets + 4 * n;

    struct Seed {
        const char* name;
        std::function<void(Bytes&)> change;
    };
    const Seed seeds[] = {
        {"valid_program", [](Bytes&) {}},
        {"valid_program_short_reloc_size",
         [&](Bytes& b) {
             put32(b, hdr(img::kReloc) + 36, u32(b, hdr(img::kReloc) + 36) - 4);
             put32(b, hdr(img::kReloc) + 40, u32(b, hdr(img::kReloc) + 40) - 4);
         }},
        {"valid_program_zero_fill", [](Bytes& b) { b.resize(37376, 0); }},
        {"damaged_magic", [](Bytes& b) { b[1] = 'X'; }},
        {"damaged_fixed_value", [](Bytes& b) { put32(b, 52, 0x0001011E); }},
        {"damaged_library_list_end", [](Bytes& b) { put32(b, 84, u32(b, 84) - 1); }},
        {"damaged_section_name", [&](Bytes& b) { b[hdr(img::kCode) + 12] = 'k'; }},
        {"damaged_section_flags", [&](Bytes& b) { put32(b, hdr(img::kVar) + 8, 1); }},
        {"damaged_const_size", [&](Bytes& b) {
             put32(b, hdr(img::kConst) + 36, u32(b, hdr(img::kConst) + 36) + 8);
             put32(b, hdr(img::kConst) + 40, u32(b, hdr(img::kConst) + 40) + 8);
         }},
        {"damaged_next_header", [&](Bytes& b) { put32(b, hdr(img::kHelp) + 4, img::kNoOffset); }},
        {"damaged_last_next_header", [&](Bytes& b) { put32(b, hdr(img::kReloc) + 4, 0); }},
        {"damaged_fixup_order", [&](Bytes& b) {
             const uint32_t first = u32(b, fixups);
             put32(b, fixups, u32(b, fixups + 4));
             put32(b, fixups + 4, first);
         }},
        {"damaged_fixup_kind", [&](Bytes& b) { put32(b, fixups, u32(b, fixups) | 7u); }},
        {"damaged_fixup_outside", [&](Bytes& b) {
             const size_t last = fixups + 4 * (w.linkage.fixups.size() - 1);
             put32(b, last, (w.sections[img::kCode].data_size + 16) * 8);
         }},
        {"damaged_service_slot", [&](Bytes& b) { put32(b, code + w.linkage.services.front().code_offset + 2, 0x1C); }},
        {"damaged_constant_offset", [&](Bytes& b) { put32(b, code + w.linkage.routine_entries.front(), 0x7FFFFFF0); }},
        {"damaged_start_routine", [](Bytes& b) { put32(b, 60, u32(b, 60) + 1); }},
        {"damaged_window_table", [&](Bytes& b) { put32(b, data(img::kForm), 0); }},
        {"damaged_element_count", [&](Bytes& b) { put32(b, data(img::kForm) + 28, 0xFFFFFFFF); }},
        {"damaged_identity_twice", [&](Bytes& b) { put32(b, ids + 8, u32(b, ids + 4)); }},
        {"damaged_record_offset", [&](Bytes& b) { put32(b, offsets + 8, u32(b, offsets + 8) + 2); }},
        {"damaged_record_length", [&](Bytes& b) { put32(b, records, 0xFFFFFFF0); }},
        {"damaged_element_kind", [&](Bytes& b) { put32(b, records + 4, 0); }},
        {"damaged_event_handler", [&](Bytes& b) { put32(b, records + 4 + 87, 0xFFFF); }},
        // Geometry beyond the form's limits and a constant offset into the
        // middle of a text: each passed the reader once.
        {"damaged_window_width", [&](Bytes& b) { put32(b, records + 42, u32(b, records + 42) | 0x40000000u); }},
        {"damaged_window_left", [&](Bytes& b) { put32(b, records + 34, 0x80000000u); }},
        {"damaged_control_height", [&](Bytes& b) {
             size_t at = records + 4 + u32(b, records) + 4 + 4 + 20; // the second record's name
             while (b.at(at) != 0) ++at;                                 // name
             ++at;
             while (b.at(at) != 0) ++at; // comment
             put32(b, at + 1 + 4 + 12, 0xFFFFFFFFu);
         }},
        {"damaged_constant_mid_text", [&](Bytes& b) {
             const size_t entry = code + w.linkage.routine_entries.back() + 4 + 4; // constant 0's pool offset
             put32(b, entry, u32(b, entry) + 1);
         }},
        {"damaged_reloc_count", [&](Bytes& b) { put32(b, data(img::kReloc), 0x10000000); }},
        {"damaged_reloc_entry", [&](Bytes& b) { put32(b, data(img::kReloc) + 4, 0); }},
        {"damaged_truncated", [&](Bytes& b) { b.resize(data(img::kForm) + 100); }},
        {"damaged_header_only", [](Bytes& b) { b.resize(img::kHeaderSize); }},
    };
    int bad = 0;
    for (const Seed& s : seeds) {
        Bytes b = image;
        s.change(b);
        const bool valid = std::string(s.name).rfind("valid_", 0) == 0;
        if (img::readImage(b).ok() != valid) {
            std::fprintf(stderr, "%s: not %s\n", s.name, valid ? "read" : "refused");
            ++bad;
        }
        if (!save(out / (std::string(s.name) + ".img"), b)) ++bad;
    }
    return bad == 0 ? 0 : 1;
}
