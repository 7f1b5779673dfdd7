// Damaged images: each case changes one field of a valid image and expects
// the exact first violation; no damage may crash the reader.
#include "image_test_support.hpp"

#include <functional>
#include <ostream>
#include <string>

namespace imagetest {
namespace {

using img::hex;

// Where things are in the pristine sample image.
struct Where {
    img::Image image;
    size_t hdr(size_t i) const { return image.sections[i].header_offset; }
    size_t data(size_t i) const { return image.sections[i].data_offset; }
    size_t end(size_t i) const { return data(i) + image.sections[i].data_size; }
    size_t fixup(size_t i) const { return hdr(img::kCode) + 56 + 4 * i; }
    size_t code(size_t offset) const { return data(img::kCode) + offset; }
    // Linkage table positions (code offsets).
    size_t R() const { return image.program.routines.size(); }
    size_t C() const { return image.program.constants.size(); }
    size_t V() const { return image.program.routine_values.size(); }
    size_t K() const { return image.program.form.elements.size(); }
    size_t constants() const { return 28 + 4 * R(); }
    size_t values() const { return constants() + 8 * C(); }
    size_t controls() const { return values() + 4 * V(); }
    size_t calls() const { return controls() + 12 * K(); }
    size_t stubs() const { return calls() + 8 * image.program.library_calls.size(); }
    // Form positions (image offsets); the window has no name or comment.
    size_t ids() const { return data(img::kForm) + 36; }
    size_t offsets() const { return ids() + 4 * K(); }
    size_t records() const { return offsets() + 4 * K(); }
    size_t record(const std::vector<uint8_t>& b, size_t n) const
    {
        size_t at = records();
        while (n-- > 0) at += 4 + u32(b, at);
        return at;
    }
};

// The first place of `needle` in the image (0 if it is missing, which the
// case then reports as a wrong message).
size_t find(const std::vector<uint8_t>& b, const std::string& needle)
{
    const std::vector<uint8_t> n(needle.begin(), needle.end());
    const auto it = std::search(b.begin(), b.end(), n.begin(), n.end());
    EXPECT_NE(it, b.end()) << needle;
    return it == b.end() ? 0 : static_cast<size_t>(it - b.begin());
}

std::string gbk(const char* utf8) { return img::utf8ToGbk(utf8).value(); }

struct Damage {
    const char* name;
    // Changes one field and answers the message the reader must give.
    std::function<std::string(std::vector<uint8_t>&, const Where&)> apply;
};

// Names the row in test listings and failure messages, instead of a dump of
// its bytes.
void PrintTo(const Damage& row, std::ostream* os)
{
    *os << row.name;
}

class DamagedImage : public ::testing::TestWithParam<Damage> {};

TEST_P(DamagedImage, GivesTheExactFirstViolation)
{
    std::vector<uint8_t> bytes = written(sampleProgram());
    img::Result<img::Image> pristine = img::readImage(bytes);
    ASSERT_TRUE(pristine.ok()) << pristine.error().message;
    const Where w{std::move(pristine).value()};
    const std::string expected = GetParam().apply(bytes, w);
    img::Result<img::Image> r = img::readImage(bytes);
    ASSERT_FALSE(r.ok()) << "accepted; expected: " << expected;
    EXPECT_EQ(r.error().message, expected);
}

using B = std::vector<uint8_t>;
const Damage kDamages[] = {
    {"Magic", [](B& b, const Where&) { b[0] = 'M'; return std::string("header: magic 0x514D, expected 0x5152 (\"RQ\")"); }},
    {"ZeroFill", [](B& b, const Where&) { b[5] = 7; return std::string("header: zero fill byte at 0x5 is 0x7"); }},
    {"FixedValue", [](B& b, const Where&) { put32(b, 44, 4); return std::string("header: fixed value at 0x2C is 0x4, expected 0x3"); }},
    {"LibraryListEnd", [](B& b, const Where&) {
         const uint32_t v = u32(b, 84);
         put32(b, 84, v + 1);
         return "header: library list end " + hex(v + 1) + ", the list ends at " + hex(v);
     }},
    {"FirstSectionHeader", [](B& b, const Where&) {
         const uint32_t v = u32(b, 36);
         put32(b, 36, v + 1);
         return "header: first section header offset " + hex(v + 1) + ", expected " + hex(v) + " (the end of the library list)";
     }},
    {"LibraryFieldMissing", [](B& b, const Where&) {
         b[find(b, "tavrn\r")+5] = 'x';
         return std::string("library list: record 0x0 has 0x4 fields, expected 0x5");
     }},
    {"LibraryIdentifier", [](B& b, const Where&) {
         std::string id = img::standardLibraries()[0].identifier;
         b[find(b, id)] = 'G';
         id[0] = 'G';
         return "library list: record 0x0 has the identifier \"" + id + "\", expected 32 hexadecimal digits";
     }},
    {"SectionName", [](B& b, const Where& w) {
         b[w.hdr(img::kForm) + 13] = 'a';
         return "section chain: section 0x1 at " + hex(w.hdr(img::kForm)) + " is named \"farm\", expected \"form\"";
     }},
    {"ChainOrder", [](B& b, const Where& w) {
         std::swap_ranges(b.begin() + static_cast<long>(w.hdr(img::kForm) + 12), b.begin() + static_cast<long>(w.hdr(img::kForm) + 36),
                          b.begin() + static_cast<long>(w.hdr(img::kHelp) + 12));
         return "section chain: section 0x1 at " + hex(w.hdr(img::kForm)) + " is named \"help\", expected \"form\"";
     }},
    {"SectionFlags", [](B& b, const Where& w) { put32(b, w.hdr(img::kCode) + 8, 1); return std::string("code: flags 0x1, expected 0x5"); }},
    {"ReservedWord", [](B& b, const Where& w) { put32(b, w.hdr(img::kConst) + 52, 1); return std::string("const: reserved word 0x1, expected 0"); }},
    {"MemorySize", [](B& b, const Where& w) {
         const uint32_t v = u32(b, w.hdr(img::kForm) + 36);
         put32(b, w.hdr(img::kForm) + 40, v + 1);
         return "form: memory size " + hex(v + 1) + " differs from the stored size " + hex(v);
     }},
    {"DataEndIsNotTheNextHeader", [](B& b, const Where& w) {
         const uint32_t v = u32(b, w.hdr(img::kConst) + 36);
         put32(b, w.hdr(img::kConst) + 36, v + 4);
         put32(b, w.hdr(img::kConst) + 40, v + 4);
         return "const: next header offset " + hex(w.hdr(img::kForm)) + " is not the end of its data " + hex(w.hdr(img::kForm) + 4);
     }},
    {"CodeHeaderSize", [](B& b, const Where& w) {
         const uint32_t v = u32(b, w.hdr(img::kCode));
         put32(b, w.hdr(img::kCode), v + 4);
         return "code: header size " + hex(v + 4) + ", expected " + hex(v) + " (0x38 + 4 per fix-up entry)";
     }},
    {"VarWithData", [](B& b, const Where& w) {
         put32(b, w.hdr(img::kVar) + 44, static_cast<uint32_t>(w.hdr(img::kVar) + 56));
         return "var: data offset " + hex(w.hdr(img::kVar) + 56) + ", expected 0xFFFFFFFF (no data)";
     }},
    {"LastSectionHasANext", [](B& b, const Where& w) {
         put32(b, w.hdr(img::kReloc) + 4, 0);
         return std::string("@reloc1: next header offset 0x0, expected 0xFFFFFFFF (the last section)");
     }},
    {"HeaderSectionOffset", [](B& b, const Where& w) {
         put32(b, 68, static_cast<uint32_t>(w.hdr(img::kForm) + 1));
         return "header: form section header offset " + hex(w.hdr(img::kForm) + 1) + ", the chain has it at " + hex(w.hdr(img::kForm));
     }},
    {"HelpNotZero", [](B& b, const Where& w) {
         b[w.data(img::kHelp) + 3] = 1;
         return "help: byte at " + hex(w.data(img::kHelp) + 3) + " is 0x1, expected 0";
     }},
    {"LinkageCount", [](B& b, const Where& w) {
         put32(b, w.code(4), static_cast<uint32_t>(w.R() + 1));
         const size_t size = w.image.sections[img::kCode].data_size;
         return "code: the linkage table needs " + hex(size + 4) + " bytes, the code data has " + hex(size);
     }},
    {"FixupsNotAscending", [](B& b, const Where& w) {
         const uint32_t e0 = u32(b, w.fixup(0)), e1 = u32(b, w.fixup(1));
         put32(b, w.fixup(0), e1);
         put32(b, w.fixup(1), e0);
         return "code: fix-up entry 0x1 (" + hex(e0) + ") names code offset " + hex(e0 >> 3) +
                ", not above the previous entry's " + hex(e1 >> 3);
     }},
    {"FixupOutsideTheCode", [](B& b, const Where& w) {
         const size_t last = w.image.linkage.fixups.size() - 1, size = w.image.sections[img::kCode].data_size;
         const auto e = static_cast<uint32_t>((size - 2) * 8);
         put32(b, w.fixup(last), e);
         return "code: fix-up entry " + hex(last) + " (" + hex(e) + ") names code offset " + hex(size - 2) +
                ", outside the code data (size " + hex(size) + ")";
     }},
    {"FixupKind", [](B& b, const Where& w) {
         const uint32_t e = (u32(b, w.fixup(0)) & ~7u) | 2u;
         put32(b, w.fixup(0), e);
         return "code: fix-up entry 0x0 (" + hex(e) + ") has kind 0x2, expected 0, 1 or 3";
     }},
    {"ServiceSlot", [](B& b, const Where& w) {
         put32(b, w.code(w.stubs() + 2), 0x04);
         const size_t i = w.R() + w.C() + w.V();
         return "code: fix-up entry " + hex(i) + " (" + hex(u32(b, w.fixup(i))) + "): service-table offset 0x4 names no service slot";
     }},
    {"ConstantOutsideThePool", [](B& b, const Where& w) {
         const uint32_t size = w.image.sections[img::kConst].data_size;
         put32(b, w.code(28), size);
         return "code: fix-up entry 0x0 (" + hex(u32(b, w.fixup(0))) + "): constant-pool offset " + hex(size) +
                " lies outside the const data (size " + hex(size) + ")";
     }},
    {"RoutineValue", [](B& b, const Where& w) {
         const uint32_t v = u32(b, w.code(w.values())) + 2;
         put32(b, w.code(w.values()), v);
         const size_t i = w.R() + w.C();
         return "code: fix-up entry " + hex(i) + " (" + hex(u32(b, w.fixup(i))) + "): code offset " + hex(v) + " is not a routine entry";
     }},
    {"ConstantKind", [](B& b, const Where& w) {
         put32(b, w.code(w.constants()), 7);
         return std::string("code: constant 0x0 has kind 0x7, expected 0x1, 0x2 or 0x3");
     }},
    {"ByteSetDimensions", [](B& b, const Where& w) {
         put32(b, w.data(img::kConst) + w.image.linkage.constant_offsets[3], 2);
         return std::string("const: constant 0x3 has 0x2 dimensions, expected 0x1");
     }},
    {"LibraryPosition", [](B& b, const Where& w) {
         put32(b, w.code(w.calls()), 5);
         return std::string("code: library call 0x0 names library position 0x5, the list has 0x2");
     }},
    {"StubOpcode", [](B& b, const Where& w) {
         b[w.code(w.stubs())] = 0x90;
         return "code: service stub 0x0 at " + hex(w.stubs()) + " opens with 0x90 0x25, expected 0xFF 0x25";
     }},
    {"StartRoutine", [](B& b, const Where&) {
         const uint32_t v = u32(b, 60) + 2;
         put32(b, 60, v);
         return "header: start routine offset " + hex(v) + " is not a routine entry of the code section";
     }},
    {"WindowTable", [](B& b, const Where& w) {
         put32(b, w.data(img::kForm), 16);
         return std::string("form: window table size 0x10, expected 0x8 (one window)");
     }},
    {"FormSize", [](B& b, const Where& w) {
         const uint32_t v = u32(b, w.data(img::kForm) + 32);
         put32(b, w.data(img::kForm) + 32, v + 1);
         return "form: size " + hex(v + 1) + " does not match the " + hex(v) + " bytes that follow it";
     }},
    {"IdentityTwice", [](B& b, const Where& w) {
         const uint32_t id = u32(b, w.ids() + 4);
         put32(b, w.ids() + 8, id);
         return "form: element identity " + hex(id) + " at position 0x2 is not below the previous " + hex(id);
     }},
    {"TwoIdentitiesOneRecord", [](B& b, const Where& w) {
         const uint32_t off = u32(b, w.offsets() + 4);
         put32(b, w.offsets() + 8, off);
         return "form: elements " + hex(u32(b, w.ids() + 4)) + " and " + hex(u32(b, w.ids() + 8)) + " share the record at " +
                hex(w.records() + off);
     }},
    {"OffsetNotARecord", [](B& b, const Where& w) {
         const uint32_t off = u32(b, w.offsets() + 4) + 1;
         put32(b, w.offsets() + 4, off);
         return "form: record offset " + hex(off) + " of element " + hex(u32(b, w.ids() + 4)) + " is not the start of a record";
     }},
    {"LastRecordEndsEarly", [](B& b, const Where& w) {
         const size_t last = w.record(b, w.K() - 1);
         put32(b, last, u32(b, last) - 1);
         return "form: the last record ends at " + hex(w.end(img::kForm) - 1) + ", the form data ends at " + hex(w.end(img::kForm));
     }},
    {"RecordPastTheEnd", [](B& b, const Where& w) {
         put32(b, w.records(), 0x7FFFFFFF);
         return "form: record 0x0 at " + hex(w.records()) + " with length 0x7FFFFFFF runs past the end of the form data (" +
                hex(w.end(img::kForm)) + ")";
     }},
    {"UnknownKind", [](B& b, const Where& w) {
         put32(b, w.record(b, 1) + 4, 0x10099);
         return std::string("form: element 0x16010030: unknown kind 0x10099");
     }},
    {"HandlerNotARoutine", [](B& b, const Where& w) {
         const size_t handler = w.record(b, 0) + 4 + 87; // the window's first event binding
         const uint32_t v = u32(b, handler) + 1;
         put32(b, handler, v);
         return "form: element 0x6010000: event 0x0 has the handler offset " + hex(v) + ", which is not a routine entry";
     }},
    {"CaptionNotGbk", [](B& b, const Where&) {
         b[find(b, gbk("模数 M："))] = 0xFF;
         return std::string("form: element 0x16010030: text: byte 0xFF at 0x0 is not valid GBK");
     }},
    {"ControlKindInCode", [](B& b, const Where& w) {
         put32(b, w.code(w.controls() + 12 + 8), f::kEditBox);
         return std::string("code: control 0x1 names kind 0x10005, element 0x16010030 is of kind 0x1000A");
     }},
    {"IdentityGroupEntry", [](B& b, const Where& w) {
         const uint32_t v = u32(b, w.data(img::kReloc) + 4);
         put32(b, w.data(img::kReloc) + 4, v + 4);
         return "@reloc1: group 0x0 entry 0x0 is " + hex(v + 4) + ", the linkage table needs " + hex(v);
     }},
    {"IdentityGroupOutsideTheCode", [](B& b, const Where& w) {
         const uint32_t size = w.image.sections[img::kCode].data_size;
         put32(b, w.data(img::kReloc) + 4, size);
         return "@reloc1: group 0x0 entry 0x0 names code offset " + hex(size) + ", outside the code data (size " + hex(size) + ")";
     }},
    {"IdentityGroupCount", [](B& b, const Where& w) {
         put32(b, w.data(img::kReloc), 0x40000000);
         return "@reloc1: group 0x0 count 0x40000000 exceeds the " + hex(b.size() - w.data(img::kReloc) - 4) +
                " bytes left in the image";
     }},
    {"Truncated", [](B& b, const Where& w) {
         b.pop_back();
         return "@reloc1: data at " + hex(w.data(img::kReloc)) + " with size " + hex(w.image.sections[img::kReloc].data_size) +
                " runs past the end of the image (" + hex(b.size()) + ")";
     }},
    // Geometry beyond the form's limits: a flipped high bit of a size or a
    // place would ask the window system for gigapixels.
    {"WindowWidthHighBit", [](B& b, const Where& w) {
         const size_t width = w.record(b, 0) + 42;
         put32(b, width, u32(b, width) | 0x40000000u);
         return std::string("form: element 0x6010000: width 1073741904 lies outside 0 to 4096 pixels");
     }},
    {"WindowLeftFarOffTheScreen", [](B& b, const Where& w) {
         put32(b, w.record(b, 0) + 34, 0xFFFF0000u);
         return std::string("form: element 0x6010000: left -65536 is not within 16384 pixels of the screen's origin");
     }},
    {"ControlHeightNegative", [](B& b, const Where& w) {
         // The label's record: its name 模数标签 is 8 GBK bytes and a NUL.
         put32(b, w.record(b, 1) + 54, 0xFFFFFFFFu);
         return std::string("form: element 0x16010030: height -1 lies outside 0 to 4096 pixels");
     }},
    {"ControlTopBeyondTheForm", [](B& b, const Where& w) {
         put32(b, w.record(b, 1) + 46, 4097);
         return std::string("form: element 0x16010030: top 4097 is not within 4096 pixels of the client area's corner");
     }},
    // The pool's entries follow one another: an offset into the middle of a
    // text, or one past a gap, is refused.
    {"ConstantOffsetIntoATextsMiddle", [](B& b, const Where& w) {
         const size_t at = w.code(w.constants() + 4);
         const uint32_t v = u32(b, at);
         put32(b, at, v + 2);
         return "code: constant 0x0 has the constant-pool offset " + hex(v + 2) + ", but its entry starts at " + hex(v);
     }},
    {"RoutineNameOffsetIntoTheNextName", [](B& b, const Where& w) {
         const size_t at = w.code(28 + 4);
         const uint32_t v = u32(b, at);
         put32(b, at, v + 1);
         return "code: routine 0x1 has the constant-pool offset " + hex(v + 1) + ", but its entry starts at " + hex(v);
     }},
    {"TooSmallForAHeader", [](B& b, const Where&) {
         b.resize(40);
         return std::string("header: image size 0x28 is below the header's 0x58 bytes");
     }},
};

INSTANTIATE_TEST_SUITE_P(OneFieldChanged, DamagedImage, ::testing::ValuesIn(kDamages),
                         [](const ::testing::TestParamInfo<Damage>& info) { return std::string(info.param.name); });

// The size field of @reloc1 as first shipped: four bytes short of the
// groups. Read by the groups' counts, bounded by the end of the image.
TEST(ShortIdentityGroupSize, IsReadByTheCountsWhileTheBytesAreThere)
{
    std::vector<uint8_t> bytes = written(sampleProgram());
    const img::Image pristine = img::readImage(bytes).value();
    const size_t h = pristine.sections[img::kReloc].header_offset;
    put32(bytes, h + 36, u32(bytes, h + 36) - 4);
    put32(bytes, h + 40, u32(bytes, h + 40) - 4);
    img::Result<img::Image> r = img::readImage(bytes);
    ASSERT_TRUE(r.ok()) << r.error().message;
    EXPECT_TRUE(r->short_reloc_size);
    EXPECT_EQ(r->identity_groups, pristine.identity_groups);
    EXPECT_EQ(r->end, bytes.size());
    // Writing it again mends the size field.
    EXPECT_EQ(written(r->program), written(sampleProgram()));

    // Without the bytes (no fill behind the image) the last offset is missing.
    bytes.resize(bytes.size() - 4);
    r = img::readImage(bytes);
    ASSERT_FALSE(r.ok());
    const size_t controls = sampleProgram().form.elements.size();
    EXPECT_EQ(r.error().message, "@reloc1: group 0x3 count " + hex(controls) + " exceeds the " + hex(4 * controls - 4) +
                                     " bytes left in the image");
}

// Every single-byte change and every truncation is either read or refused
// with a message; what is read writes and reads again.
TEST(AnyDamage, NeverCrashesTheReader)
{
    const std::vector<uint8_t> pristine = written(sampleProgram());
    size_t accepted = 0;
    auto check = [&](const std::vector<uint8_t>& bytes) {
        img::Result<img::Image> r = img::readImage(bytes);
        if (!r) {
            EXPECT_FALSE(r.error().message.empty());
            return;
        }
        ++accepted;
        img::Result<std::vector<uint8_t>> again = img::writeImage(r->program);
        ASSERT_TRUE(again.ok()) << again.error().message;
        EXPECT_TRUE(img::readImage(again.value()).ok());
    };
    for (size_t at = 0; at < pristine.size(); ++at) {
        for (uint8_t flip : {uint8_t{0x01}, uint8_t{0xFF}}) {
            std::vector<uint8_t> bytes = pristine;
            bytes[at] ^= flip;
            check(bytes);
        }
    }
    for (size_t size = 0; size < pristine.size(); ++size) check({pristine.begin(), pristine.begin() + static_cast<long>(size)});
    EXPECT_GT(accepted, 0u); // changes to free values (geometry, texts) are still images
}

} // namespace
} // namespace imagetest
