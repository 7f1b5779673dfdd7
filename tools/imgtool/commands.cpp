#include "imgtool.hpp"

#include <gear_tools/files.hpp>
#include <gearplat/text_files.hpp>

#include <array>
#include <cstdio>
#include <fstream>
#include <iomanip>
#include <iterator>
#include <ostream>
#include <vector>

namespace imgtool {

namespace {

namespace img = gr::image;
using img::hex;

bool readFile(const std::string& path, std::vector<uint8_t>& bytes, std::ostream& err)
{
    std::string data;
    if (std::string why = gear_tools::readRegularFile(path, data, img::kMaxImageSize); !why.empty()) {
        err << why << "\n";
        return false;
    }
    bytes.assign(data.begin(), data.end());
    return true;
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes, std::ostream& err)
{
    std::ofstream out(gearplat::pathFromUtf8(path), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    // Closing is where a full disk may show first.
    out.close();
    if (!out) {
        err << path << ": cannot write\n";
        return false;
    }
    return true;
}

// Reads and verifies; on failure names the file and the first violation.
bool load(const std::string& path, img::Image& image, std::ostream& err)
{
    std::vector<uint8_t> bytes;
    if (!readFile(path, bytes, err)) return false;
    img::Result<img::Image> r = img::readImage(bytes);
    if (!r) {
        err << path << ": " << r.error().message << "\n";
        return false;
    }
    image = std::move(r).value();
    return true;
}

// A text on one line: line breaks and tabs spelled out.
std::string oneLine(std::string_view s)
{
    std::string out = "\"";
    for (char c : s) {
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else if (c == '\t') out += "\\t";
        else out += c;
    }
    return out + "\"";
}

std::string constantText(const img::Constant& c)
{
    switch (c.kind) {
    case img::ConstantKind::Text: return "text     " + oneLine(c.text);
    case img::ConstantKind::Number: {
        char buf[40];
        std::snprintf(buf, sizeof buf, "%.17g", c.number);
        return std::string("number   ") + buf;
    }
    case img::ConstantKind::ByteSet: return "byte set " + std::to_string(c.bytes.size()) + " bytes";
    }
    return "?";
}

std::string routineName(const img::Program& p, uint32_t index)
{
    return index < p.routines.size() ? p.routines[index] : hex(index);
}

} // namespace

int inspect(const std::string& path, std::ostream& out, std::ostream& err)
{
    img::Image image;
    if (!load(path, image, err)) return 1;
    const img::Program& p = image.program;
    const img::Header& h = image.header;

    out << "header\n"
        << "  first section header  " << hex(h.first_section) << "\n"
        << "  start routine         " << hex(h.start_routine) << " (" << routineName(p, p.start_routine) << ")\n"
        << "  section headers       const " << hex(h.section_headers[0]) << ", form " << hex(h.section_headers[1])
        << ", help " << hex(h.section_headers[2]) << ", code " << hex(h.section_headers[3]) << ", var "
        << hex(h.section_headers[4]) << "\n"
        << "  library list end      " << hex(h.library_list_end) << "\n"
        << "  image ends at         " << hex(image.end) << (image.short_reloc_size ? " (@reloc1 size field 4 bytes short)" : "")
        << "\n";

    out << "libraries\n";
    for (size_t i = 0; i < p.libraries.size(); ++i) {
        const img::Library& l = p.libraries[i];
        out << "  " << i << "  " << l.name << " " << l.major << "." << l.minor << "  " << l.identifier << "  "
            << l.description << "\n";
    }

    out << "sections\n  name      header    hsize  flags  data      size     fixups\n";
    for (const img::Section& s : image.sections) {
        out << "  " << std::left << std::setw(9) << s.name << " " << std::setw(9) << hex(s.header_offset) << " "
            << std::setw(6) << hex(s.header_size) << " " << std::setw(6) << hex(s.flags) << " " << std::setw(9)
            << (s.data_offset == img::kNoOffset ? std::string("none") : hex(s.data_offset)) << " " << std::setw(8)
            << hex(s.data_size) << " " << s.fixup_count << "\n";
    }

    out << "routines (" << p.routines.size() << ")\n";
    for (size_t i = 0; i < p.routines.size(); ++i)
        out << "  " << std::right << std::setw(3) << i << "  entry " << std::left << std::setw(7)
            << hex(image.linkage.routine_entries[i]) << " " << p.routines[i] << "\n";
    out << "routines passed as values:";
    for (uint32_t v : p.routine_values) out << " " << routineName(p, v);
    out << "\nlibrary calls:";
    for (const img::LibraryCall& c : p.library_calls) out << " library " << c.library << " command " << c.command;
    out << "\n";

    out << "constants (" << p.constants.size() << ")\n";
    for (size_t i = 0; i < p.constants.size(); ++i)
        out << "  " << std::right << std::setw(3) << i << "  @" << std::left << std::setw(7)
            << hex(image.linkage.constant_offsets[i]) << " " << constantText(p.constants[i]) << "\n";

    const gr::form::Window& w = p.form;
    out << "form: window " << hex(w.identity) << ", values " << hex(w.stored_value_8) << " " << hex(w.stored_value_12)
        << ", extra identity " << hex(w.extra_identity) << ", " << w.elements.size() << " elements\n";
    for (const gr::form::Element& e : w.elements) {
        out << "  " << hex(e.identity) << "  " << std::left << std::setw(12) << img::kindName(e.kind) << " "
            << (e.name.empty() ? std::string("(window)") : e.name) << "  " << e.left << "," << e.top << " " << e.width
            << "x" << e.height << "  flags " << hex(e.flags);
        if (!e.has_properties) out << "  (default properties)";
        if (!e.text.empty()) out << "  text " << oneLine(e.text);
        if (!e.items.empty()) out << "  " << e.items.size() << " items";
        if (!e.picture.empty()) out << "  picture " << e.picture.size() << " bytes";
        for (const gr::form::EventBinding& b : e.events) out << "  on " << b.event << " -> " << routineName(p, b.routine);
        out << "\n";
    }

    std::array<size_t, 4> by_kind{};
    for (const img::Fixup& f : image.linkage.fixups) ++by_kind[static_cast<size_t>(f.kind)];
    out << "fix-ups: " << image.linkage.fixups.size() << " (kind 0 services " << by_kind[0] << ", kind 1 constants "
        << by_kind[1] << ", kind 3 routines " << by_kind[3] << ")\n";
    out << "identity groups:";
    for (size_t g = 0; g < image.identity_groups.size(); ++g) out << " " << g << ": " << image.identity_groups[g].size();
    out << "\n";
    return 0;
}

int verify(const std::string& path, std::ostream& out, std::ostream& err)
{
    img::Image image;
    if (!load(path, image, err)) return 1;
    out << path << ": ok (" << image.program.form.elements.size() << " elements, " << image.program.routines.size()
        << " routines, " << image.program.constants.size() << " constants"
        << (image.short_reloc_size ? "; @reloc1 size field 4 bytes short" : "") << ")\n";
    return 0;
}

int extractLogo(const std::string& path, const std::string& jpeg_path, std::ostream& out, std::ostream& err)
{
    img::Image image;
    if (!load(path, image, err)) return 1;
    for (const gr::form::Element& e : image.program.form.elements) {
        if (e.kind != gr::form::kPictureBox || e.picture.empty()) continue;
        if (!writeFile(jpeg_path, e.picture, err)) return 1;
        out << jpeg_path << ": " << e.picture.size() << " bytes from " << e.name << "\n";
        return 0;
    }
    err << path << ": the form has no picture box with a picture\n";
    return 1;
}

int pack(const std::string& path, std::ostream& out, std::ostream& err)
{
    img::Result<std::vector<uint8_t>> bytes = img::writeImage(programImage());
    if (!bytes) {
        err << "pack: " << bytes.error().message << "\n";
        return 1;
    }
    // Never ship an image the reader would refuse.
    if (img::Result<img::Image> check = img::readImage(bytes.value()); !check) {
        err << "pack: the packed image fails verification: " << check.error().message << "\n";
        return 1;
    }
    if (!writeFile(path, bytes.value(), err)) return 1;
    out << path << ": " << bytes->size() << " bytes\n";
    return 0;
}

} // namespace imgtool
