// Parses and verifies an image: header, library list, section chain, code
// section (fix-ups and linkage table) and identity groups. The form section
// is read in read_form.cpp.
#include "reader.hpp"

#include <gearrt/services.h>

#include <bit>

namespace gr::image {

namespace detail {

namespace L = layout;

namespace {

// A text from the image shown in a message: printable ASCII as it is,
// everything else as \xNN.
std::string shown(std::string_view s)
{
    std::string out = "\"";
    for (char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
            out += ch;
        } else {
            static const char digits[] = "0123456789ABCDEF";
            out += "\\x";
            out += digits[c >> 4];
            out += digits[c & 15];
        }
    }
    return out + "\"";
}

bool allOf(std::string_view s, bool (*pred)(char))
{
    for (char c : s) {
        if (!pred(c)) return false;
    }
    return true;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isHexDigit(char c) { return isDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }
bool isNameChar(char c) { return isDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }

} // namespace

std::string Reader::utf8(std::string_view gbk, const std::string& what)
{
    Result<std::string> r = gbkToUtf8(gbk);
    if (!r) {
        fail(what + ": " + r.error().message);
        return {};
    }
    return std::move(r).value();
}

Result<Image> Reader::run()
{
    if (b_.size() > kMaxImageSize) return Error{"image: size " + hex(b_.size()) + " exceeds the limit " + hex(kMaxImageSize)};
    if (b_.size() < kHeaderSize)
        return Error{"header: image size " + hex(b_.size()) + " is below the header's " + hex(kHeaderSize) + " bytes"};
    readHeader();
    if (ok()) readLibraries();
    if (ok()) walkChain();
    if (ok()) checkHelp();
    if (ok()) readLinkageCounts();
    if (ok()) checkFixups();
    if (ok()) resolveLinkage();
    if (ok()) readForm();
    if (ok()) checkControls();
    if (ok()) readIdentityGroups();
    if (ok()) checkFill();
    if (!ok()) return errors_.error();
    return std::move(img_);
}

// ---- Header and library list ------------------------------------------------

void Reader::readHeader()
{
    const uint32_t magic = uint32_t{b_[0]} | uint32_t{b_[1]} << 8;
    if (magic != L::kMagic) return fail("header: magic " + hex(magic) + ", expected " + hex(L::kMagic) + " (\"RQ\")");
    for (size_t at = L::kZeroFillBegin; at < L::kZeroFillEnd; ++at) {
        if (b_[at] != 0) return fail("header: zero fill byte at " + hex(at) + " is " + hex(b_[at]));
    }
    for (size_t i = 0; i < L::kFixedValues.size(); ++i) {
        const size_t at = L::kFixedValuesAt + 4 * i;
        if (word(at) != L::kFixedValues[i])
            return fail("header: fixed value at " + hex(at) + " is " + hex(word(at)) + ", expected " + hex(L::kFixedValues[i]));
    }
    Header& h = img_.header;
    h.first_section = word(L::kFirstSectionAt);
    h.start_routine = word(L::kStartRoutineAt);
    for (size_t i = 0; i < h.section_headers.size(); ++i) h.section_headers[i] = word(L::kSectionHeadersAt + 4 * i);
    h.library_list_end = word(L::kLibraryListEndAt);
}

void Reader::readLibraries()
{
    img_.program.libraries.clear();
    Cursor c = cursor(L::kLibraryListAt, b_.size(), "library list");
    for (uint32_t n = 0;; ++n) {
        const std::string field = "record " + hex(n);
        const std::string_view record = c.cstring(field, L::kMaxLibraryRecord);
        if (!c.ok() || record.empty()) break;
        if (n == kMaxLibraries) return fail("library list: more than " + hex(kMaxLibraries) + " records");
        std::vector<std::string_view> parts;
        for (size_t from = 0;;) {
            const size_t cr = record.find('\r', from);
            parts.push_back(record.substr(from, cr == std::string_view::npos ? std::string_view::npos : cr - from));
            if (cr == std::string_view::npos || parts.size() > 5) break;
            from = cr + 1;
        }
        const std::string what = "library list: " + field;
        if (parts.size() != 5) return fail(what + " has " + hex(parts.size()) + " fields, expected 0x5");
        Library lib;
        lib.name = parts[0];
        lib.identifier = parts[1];
        if (lib.name.empty() || !allOf(parts[0], isNameChar))
            return fail(what + " has the name " + shown(parts[0]) + ", expected letters, digits or '_'");
        if (parts[1].size() != 32 || !allOf(parts[1], isHexDigit))
            return fail(what + " has the identifier " + shown(parts[1]) + ", expected 32 hexadecimal digits");
        for (int v = 0; v < 2; ++v) {
            const std::string_view digits = parts[2 + v];
            if (digits.empty() || digits.size() > 9 || !allOf(digits, isDigit))
                return fail(what + " has the " + (v == 0 ? "major" : "minor") + " version " + shown(digits));
            (v == 0 ? lib.major : lib.minor) = static_cast<uint32_t>(std::stoul(std::string(digits)));
        }
        if (parts[4].find('\n') != std::string_view::npos)
            return fail(what + " has the description " + shown(parts[4]) + ", expected one line");
        lib.description = utf8(parts[4], what + " description");
        img_.program.libraries.push_back(std::move(lib));
    }
    if (!ok()) return;
    if (img_.program.libraries.empty()) return fail("library list: no libraries, expected the core library first");
    const Header& h = img_.header;
    if (h.library_list_end != c.pos())
        return fail("header: library list end " + hex(h.library_list_end) + ", the list ends at " + hex(c.pos()));
    if (h.first_section != c.pos())
        return fail("header: first section header offset " + hex(h.first_section) + ", expected " + hex(c.pos()) +
                    " (the end of the library list)");
}

// ---- Section chain -----------------------------------------------------------

void Reader::walkChain()
{
    uint64_t pos = img_.header.first_section;
    for (size_t i = 0; i < kSectionCount; ++i) {
        const std::string name = kSectionNames[i];
        if (pos > b_.size() || kSectionHeaderSize > b_.size() - pos)
            return fail("section chain: the header of " + name + " at " + hex(pos) + " lies outside the image (size " +
                        hex(b_.size()) + ")");
        Section s;
        s.header_offset = static_cast<uint32_t>(pos);
        s.header_size = word(pos);
        s.next_header = word(pos + 4);
        s.flags = word(pos + 8);
        const std::string_view stored(reinterpret_cast<const char*>(b_.data() + pos + 12), L::kNameSize);
        s.data_size = word(pos + 36);
        s.memory_size = word(pos + 40);
        s.data_offset = word(pos + 44);
        s.fixup_count = word(pos + 48);
        const uint32_t reserved = word(pos + 52);

        std::string padded = name;
        padded.resize(L::kNameSize, '\0');
        if (stored != padded) {
            return fail("section chain: section " + hex(i) + " at " + hex(pos) + " is named " +
                        shown(stored.substr(0, stored.find('\0'))) + ", expected \"" + name + "\"");
        }
        s.name = name;
        const std::string where = name + ": ";
        if (s.flags != L::kSectionFlags[i])
            return fail(where + "flags " + hex(s.flags) + ", expected " + hex(L::kSectionFlags[i]));
        if (i != kCode && s.fixup_count != 0) return fail(where + "fix-up count " + hex(s.fixup_count) + ", expected 0");
        const uint64_t header_size = kSectionHeaderSize + uint64_t{s.fixup_count} * 4;
        if (s.header_size != header_size)
            return fail(where + "header size " + hex(s.header_size) + ", expected " + hex(header_size) +
                        (i == kCode ? " (0x38 + 4 per fix-up entry)" : ""));
        if (reserved != 0) return fail(where + "reserved word " + hex(reserved) + ", expected 0");
        if (s.memory_size != s.data_size)
            return fail(where + "memory size " + hex(s.memory_size) + " differs from the stored size " + hex(s.data_size));
        const uint64_t header_end = pos + header_size;
        if (header_end > b_.size())
            return fail(where + "header at " + hex(pos) + " with size " + hex(header_size) + " runs past the end of the image (" +
                        hex(b_.size()) + ")");
        uint64_t data_end = header_end;
        if (i == kVar) {
            if (s.data_offset != kNoOffset) return fail(where + "data offset " + hex(s.data_offset) + ", expected 0xFFFFFFFF (no data)");
            if (s.data_size != 0) return fail(where + "data size " + hex(s.data_size) + ", expected 0");
        } else {
            if (s.data_offset != header_end)
                return fail(where + "data offset " + hex(s.data_offset) + ", expected " + hex(header_end) + " (right after its header)");
            data_end = header_end + s.data_size;
            if (data_end > b_.size())
                return fail(where + "data at " + hex(s.data_offset) + " with size " + hex(s.data_size) +
                            " runs past the end of the image (" + hex(b_.size()) + ")");
        }
        if (i + 1 < kSectionCount && s.next_header != data_end)
            return fail(where + "next header offset " + hex(s.next_header) + " is not the end of its data " + hex(data_end));
        if (i + 1 == kSectionCount && s.next_header != kNoOffset)
            return fail(where + "next header offset " + hex(s.next_header) + ", expected 0xFFFFFFFF (the last section)");
        img_.sections.push_back(std::move(s));
        img_.end = static_cast<uint32_t>(data_end);
        pos = data_end;
    }
    for (size_t i = kConst; i <= kVar; ++i) {
        if (img_.header.section_headers[i] != section(i).header_offset)
            return fail("header: " + std::string(kSectionNames[i]) + " section header offset " +
                        hex(img_.header.section_headers[i]) + ", the chain has it at " + hex(section(i).header_offset));
    }
}

void Reader::checkHelp()
{
    if (section(kHelp).data_size != L::kHelpSize)
        return fail("help: data size " + hex(section(kHelp).data_size) + ", expected " + hex(L::kHelpSize));
    for (size_t at = dataBegin(kHelp); at < dataEnd(kHelp); ++at) {
        if (b_[at] != 0) return fail("help: byte at " + hex(at) + " is " + hex(b_[at]) + ", expected 0");
    }
}

// ---- Code section ----------------------------------------------------------

void Reader::readLinkageCounts()
{
    Cursor c = cursor(dataBegin(kCode), dataEnd(kCode), "code");
    const uint32_t version = c.u32("linkage version");
    if (c.ok() && version != L::kLinkageVersion)
        return fail("code: linkage version " + hex(version) + ", expected " + hex(L::kLinkageVersion));
    struct Count {
        uint32_t* into;
        const char* field;
        uint32_t min, max;
    };
    const Count counts[] = {{&counts_.routines, "routine count", 1, kMaxRoutines},
                            {&counts_.constants, "constant count", 0, kMaxConstants},
                            {&counts_.values, "routine value count", 0, kMaxRoutines},
                            {&counts_.controls, "control count", 1, kMaxElements},
                            {&counts_.calls, "library call count", 0, kMaxLibraryCalls},
                            {&counts_.stubs, "service stub count", 0, kMaxServiceStubs}};
    for (const Count& n : counts) {
        *n.into = c.u32(n.field);
        if (c.ok() && (*n.into < n.min || *n.into > n.max))
            return fail("code: " + std::string(n.field) + " " + hex(*n.into) + ", expected " + hex(n.min) + " to " + hex(n.max));
    }
    if (!c.ok()) return;
    plan_ = L::planLinkage(counts_);
    if (plan_.end != section(kCode).data_size)
        return fail("code: the linkage table needs " + hex(plan_.end) + " bytes, the code data has " +
                    hex(section(kCode).data_size));
}

void Reader::checkFixups()
{
    const Section& code = section(kCode);
    const size_t table = size_t{code.header_offset} + kSectionHeaderSize;
    const uint32_t pool_size = section(kConst).data_size;
    std::vector<Fixup>& fixups = img_.linkage.fixups;
    fixups.reserve(code.fixup_count);
    for (uint32_t i = 0; i < code.fixup_count; ++i) {
        const uint32_t entry = word(table + size_t{i} * 4);
        auto what = [&] { return "code: fix-up entry " + hex(i) + " (" + hex(entry) + ")"; };
        Fixup f;
        f.code_offset = entry >> 3;
        const uint32_t kind = entry & 7;
        if (i > 0 && f.code_offset <= fixups.back().code_offset)
            return fail(what() + " names code offset " + hex(f.code_offset) + ", not above the previous entry's " +
                        hex(fixups.back().code_offset));
        if (uint64_t{f.code_offset} + 4 > code.data_size)
            return fail(what() + " names code offset " + hex(f.code_offset) + ", outside the code data (size " +
                        hex(code.data_size) + ")");
        if (kind != 0 && kind != 1 && kind != 3) return fail(what() + " has kind " + hex(kind) + ", expected 0, 1 or 3");
        f.kind = static_cast<FixupKind>(kind);
        f.value = word(dataBegin(kCode) + f.code_offset);
        switch (f.kind) {
        case FixupKind::Service:
            if (gr_slot_for_image_offset(f.value) < 0)
                return fail(what() + ": service-table offset " + hex(f.value) + " names no service slot");
            break;
        case FixupKind::Constant:
            if (f.value >= pool_size)
                return fail(what() + ": constant-pool offset " + hex(f.value) + " lies outside the const data (size " +
                            hex(pool_size) + ")");
            break;
        case FixupKind::Routine:
            if (f.value < plan_.routines || f.value >= plan_.constants || (f.value - plan_.routines) % L::kRoutineEntrySize != 0)
                return fail(what() + ": code offset " + hex(f.value) + " is not a routine entry");
            break;
        }
        fixups.push_back(f);
    }
    // The table must fix up exactly the words the linkage table stores offsets in.
    const std::vector<uint32_t> expected = L::expectedFixups(counts_);
    if (expected.size() != code.fixup_count)
        return fail("code: " + hex(code.fixup_count) + " fix-up entries, the linkage table needs " + hex(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i) {
        const uint32_t entry = word(table + i * 4);
        if (entry != expected[i])
            return fail("code: fix-up entry " + hex(i) + " is " + hex(entry) + ", the linkage table needs " + hex(expected[i]));
    }
}

void Reader::resolveLinkage()
{
    Program& p = img_.program;
    Linkage& k = img_.linkage;
    const size_t code = dataBegin(kCode);
    const size_t pool = dataBegin(kConst), pool_end = dataEnd(kConst);
    // Offsets below were checked against the fix-up table and the pool's size.
    // The pool holds the routine names and then the constants one after the
    // other, so each offset must be exactly where the entry before it ended:
    // an offset into the middle of a text (or past a gap) is damage.
    size_t next = 0;
    auto inSequence = [&](uint32_t at, const std::string& what) {
        if (at == next) return true;
        fail("code: " + what + " has the constant-pool offset " + hex(at) + ", but its entry starts at " + hex(next));
        return false;
    };
    for (uint32_t i = 0; i < counts_.routines && ok(); ++i) {
        const auto entry = static_cast<uint32_t>(plan_.routines + uint64_t{i} * L::kRoutineEntrySize);
        k.routine_entries.push_back(entry);
        if (!inSequence(word(code + entry), "routine " + hex(i))) return;
        Cursor c = cursor(pool + word(code + entry), pool_end, "const");
        const std::string field = "name of routine " + hex(i);
        std::string name = utf8(c.cstring(field, kMaxTextBytes), "const: " + field);
        if (ok() && name.empty()) return fail("code: routine " + hex(i) + " has an empty name");
        p.routines.push_back(std::move(name));
        next = c.pos() - pool;
    }
    for (uint32_t i = 0; i < counts_.constants && ok(); ++i) {
        const size_t entry = code + plan_.constants + size_t{i} * L::kConstantEntrySize;
        const uint32_t kind = word(entry), at = word(entry + 4);
        k.constant_offsets.push_back(at);
        if (!inSequence(at, "constant " + hex(i))) return;
        Cursor c = cursor(pool + at, pool_end, "const");
        const std::string field = "constant " + hex(i);
        Constant v;
        switch (kind) {
        case static_cast<uint32_t>(ConstantKind::Text):
            v = Constant::ofText(utf8(c.cstring(field, kMaxTextBytes), "const: " + field));
            break;
        case static_cast<uint32_t>(ConstantKind::Number): {
            const uint64_t lo = c.u32(field), hi = c.u32(field);
            v = Constant::ofNumber(std::bit_cast<double>(lo | hi << 32));
            break;
        }
        case static_cast<uint32_t>(ConstantKind::ByteSet): {
            v = Constant::emptyByteSet();
            const uint32_t dims = c.u32(field + " dimensions");
            if (c.ok() && dims != 1) return fail("const: " + field + " has " + hex(dims) + " dimensions, expected 0x1");
            const uint32_t n = c.u32(field + " element count");
            if (c.ok() && n > kMaxTextBytes)
                return fail("const: " + field + " element count " + hex(n) + " exceeds the limit " + hex(kMaxTextBytes));
            const std::span<const uint8_t> bytes = c.bytes(n, field);
            v.bytes.assign(bytes.begin(), bytes.end());
            break;
        }
        default: return fail("code: constant " + hex(i) + " has kind " + hex(kind) + ", expected 0x1, 0x2 or 0x3");
        }
        p.constants.push_back(std::move(v));
        next = c.pos() - pool;
    }
    if (!ok()) return;
    if (next != pool_end - pool)
        return fail("const: the entries end at " + hex(next) + ", the const data holds " + hex(pool_end - pool) + " bytes");
    for (uint32_t i = 0; i < counts_.values; ++i)
        p.routine_values.push_back(*k.routineAt(word(code + plan_.values + size_t{i} * L::kValueEntrySize)));
    for (uint32_t i = 0; i < counts_.controls; ++i) {
        const size_t at = code + plan_.controls + size_t{i} * L::kControlEntrySize;
        k.controls.push_back(ControlRef{word(at), word(at + 4), word(at + 8)});
    }
    for (uint32_t i = 0; i < counts_.calls; ++i) {
        const size_t at = code + plan_.calls + size_t{i} * L::kCallEntrySize;
        const LibraryCall call{word(at), word(at + 4)};
        if (call.library >= p.libraries.size())
            return fail("code: library call " + hex(i) + " names library position " + hex(call.library) + ", the list has " +
                        hex(p.libraries.size()));
        p.library_calls.push_back(call);
    }
    for (uint32_t i = 0; i < counts_.stubs; ++i) {
        const auto at = static_cast<uint32_t>(plan_.stubs + uint64_t{i} * L::kStubSize);
        if (b_[code + at] != L::kStubOpcode[0] || b_[code + at + 1] != L::kStubOpcode[1])
            return fail("code: service stub " + hex(i) + " at " + hex(at) + " opens with " + hex(b_[code + at]) + " " +
                        hex(b_[code + at + 1]) + ", expected 0xFF 0x25");
        const uint32_t table_offset = word(code + at + L::kStubOpcode.size());
        k.services.push_back(ServiceStub{at, table_offset, gr_slot_for_image_offset(table_offset)});
    }
    const uint32_t start = img_.header.start_routine;
    std::optional<uint32_t> routine;
    if (start >= code) routine = k.routineAt(static_cast<uint32_t>(start - code));
    if (!routine) return fail("header: start routine offset " + hex(start) + " is not a routine entry of the code section");
    p.start_routine = *routine;
}

// The code's control table names each element of the form, in form order.
void Reader::checkControls()
{
    const form::Window& w = img_.program.form;
    const std::vector<ControlRef>& refs = img_.linkage.controls;
    if (refs.size() != w.elements.size())
        return fail("code: control count " + hex(refs.size()) + ", the form has " + hex(w.elements.size()) + " elements");
    for (size_t i = 0; i < refs.size(); ++i) {
        const form::Element& e = w.elements[i];
        const ControlRef& r = refs[i];
        const std::string what = "code: control " + hex(i);
        if (r.window != w.identity) return fail(what + " names window " + hex(r.window) + ", the form's is " + hex(w.identity));
        if (r.control != e.identity)
            return fail(what + " names control " + hex(r.control) + ", the form's element " + hex(i) + " is " + hex(e.identity));
        if (r.kind != e.kind)
            return fail(what + " names kind " + hex(r.kind) + ", element " + hex(e.identity) + " is of kind " + hex(e.kind));
    }
}

// ---- Identity groups ---------------------------------------------------------

void Reader::readIdentityGroups()
{
    const Section& reloc = section(kReloc);
    const uint32_t code_size = section(kCode).data_size;
    // Bounded by the counts and by the end of the image, not by the size
    // field, which the first shipped layout wrote four bytes short.
    Cursor c = cursor(reloc.data_offset, b_.size(), "@reloc1");
    for (size_t g = 0; g < L::kIdentityGroups; ++g) {
        const std::string group = "group " + hex(g);
        const uint32_t n = c.u32(group + " count");
        if (!c.ok()) return;
        if (n > c.remaining() / 4)
            return fail("@reloc1: " + group + " count " + hex(n) + " exceeds the " + hex(c.remaining()) +
                        " bytes left in the image");
        std::vector<uint32_t>& offsets = img_.identity_groups[g];
        offsets.reserve(n);
        for (uint32_t i = 0; i < n; ++i) {
            const uint32_t at = c.u32(group);
            if (uint64_t{at} + 4 > code_size)
                return fail("@reloc1: " + group + " entry " + hex(i) + " names code offset " + hex(at) +
                            ", outside the code data (size " + hex(code_size) + ")");
            offsets.push_back(at);
        }
    }
    const size_t groups_end = c.pos(), declared_end = dataEnd(kReloc);
    if (groups_end == declared_end + 4) {
        img_.short_reloc_size = true;
    } else if (groups_end != declared_end) {
        return fail("@reloc1: the groups end at " + hex(groups_end) + ", the size field " + hex(reloc.data_size) +
                    " ends the section at " + hex(declared_end));
    }
    img_.end = static_cast<uint32_t>(groups_end);
    const auto expected = L::expectedIdentityGroups(counts_);
    for (size_t g = 0; g < L::kIdentityGroups; ++g) {
        const std::vector<uint32_t>& have = img_.identity_groups[g];
        if (have.size() != expected[g].size())
            return fail("@reloc1: group " + hex(g) + " has " + hex(have.size()) + " entries, the linkage table needs " +
                        hex(expected[g].size()));
        for (size_t i = 0; i < have.size(); ++i) {
            if (have[i] != expected[g][i])
                return fail("@reloc1: group " + hex(g) + " entry " + hex(i) + " is " + hex(have[i]) +
                            ", the linkage table needs " + hex(expected[g][i]));
        }
    }
}

// Behind the last section the image is filled with zero bytes.
void Reader::checkFill()
{
    for (size_t i = img_.end; i < b_.size(); ++i)
        if (b_[i] != 0)
            return fail("fill: byte " + hex(i) + " behind the last section is " + hex(b_[i]) + ", not zero");
}

} // namespace detail

Result<Image> readImage(std::span<const uint8_t> bytes)
{
    return detail::Reader(bytes).run();
}

} // namespace gr::image
