// Numbers of the image layout shared by the writer and the reader.
#pragma once

#include <gearimg/image.hpp>

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace gr::image::layout {

// ---- Header -------------------------------------------------------------
inline constexpr uint32_t kMagic = 0x5152; // "RQ", little-endian
inline constexpr size_t kZeroFillBegin = 2, kZeroFillEnd = 36;
inline constexpr size_t kFirstSectionAt = 36;
inline constexpr size_t kFixedValuesAt = 40;
inline constexpr std::array<uint32_t, 5> kFixedValues{1, 3, 0, 0x0001011D, 0};
inline constexpr size_t kStartRoutineAt = 60;
inline constexpr size_t kSectionHeadersAt = 64;
inline constexpr size_t kLibraryListEndAt = 84;
inline constexpr size_t kLibraryListAt = kHeaderSize;
inline constexpr size_t kMaxLibraryRecord = 1024; // bytes of one record, without its NUL

// ---- Section headers ----------------------------------------------------
inline constexpr size_t kNameSize = 24;
inline constexpr std::array<uint32_t, kSectionCount> kSectionFlags{1, 1, 1, 5, 0x13, 1};
inline constexpr size_t kHelpSize = 52;
inline constexpr size_t kIdentityGroups = 4;

// ---- Code section: the linkage table -------------------------------------
// Header words (counts), then the tables in this order, without gaps:
inline constexpr uint32_t kLinkageVersion = 1;
inline constexpr uint32_t kLinkageHeaderSize = 28; // version + six counts
inline constexpr uint32_t kRoutineEntrySize = 4;   // pool offset of the name (kind 1)
inline constexpr uint32_t kConstantEntrySize = 8;  // kind word, pool offset (kind 1)
inline constexpr uint32_t kValueEntrySize = 4;     // code offset of a routine entry (kind 3)
inline constexpr uint32_t kControlEntrySize = 12;  // window, control, kind (@reloc1 groups 0 and 3)
inline constexpr uint32_t kCallEntrySize = 8;      // library position (@reloc1 group 2), command
inline constexpr uint32_t kStubSize = 6;           // two opcode bytes, service-table offset (kind 0)
inline constexpr std::array<uint8_t, 2> kStubOpcode{0xFF, 0x25};
// The eleven services every program links, by their offset in the 32-bit table.
inline constexpr std::array<uint32_t, 11> kServiceOffsets{0x00, 0x08, 0x0C, 0x10, 0x14, 0x18,
                                                          0x20, 0x24, 0x28, 0x2C, 0x30};

struct LinkageCounts {
    uint32_t routines = 0, constants = 0, values = 0, controls = 0, calls = 0, stubs = 0;
};

// Where each table starts in the code data, and where the last one ends.
struct LinkagePlan {
    uint64_t routines = 0, constants = 0, values = 0, controls = 0, calls = 0, stubs = 0, end = 0;
};

constexpr LinkagePlan planLinkage(const LinkageCounts& c)
{
    LinkagePlan p;
    p.routines = kLinkageHeaderSize;
    p.constants = p.routines + uint64_t{c.routines} * kRoutineEntrySize;
    p.values = p.constants + uint64_t{c.constants} * kConstantEntrySize;
    p.controls = p.values + uint64_t{c.values} * kValueEntrySize;
    p.calls = p.controls + uint64_t{c.controls} * kControlEntrySize;
    p.stubs = p.calls + uint64_t{c.calls} * kCallEntrySize;
    p.end = p.stubs + uint64_t{c.stubs} * kStubSize;
    return p;
}

// The fix-up table and the identity groups a linkage table of these counts
// must carry; the writer emits them and the reader compares against them.
std::vector<uint32_t> expectedFixups(const LinkageCounts& c);
std::array<std::vector<uint32_t>, kIdentityGroups> expectedIdentityGroups(const LinkageCounts& c);

inline constexpr uint32_t fixupEntry(uint64_t code_offset, FixupKind kind)
{
    return static_cast<uint32_t>(code_offset * 8 + static_cast<uint32_t>(kind));
}

// ---- Form section ------------------------------------------------------
inline constexpr uint32_t kWindowTableSize = 8; // one window
inline constexpr uint32_t kPropertyPrefix = 20; // zero bytes opening every property data
inline constexpr uint32_t kLayoutVersionAt = 20;

// Kind-specific properties and where each lies in the property data. Every
// kind ends with exactly one variable-length field.
enum class Prop {
    TextColour,
    BackColour,
    Multiline,
    ScrollBars,
    Alignment,
    InputMode,
    Checked,
    SelectedIndex,
    Text,    // 32-bit length, GBK bytes
    Items,   // 16-bit count, then that many texts
    Picture, // 32-bit length, the bytes
};

struct PropField {
    Prop prop;
    uint32_t offset;
};

struct KindLayout {
    uint32_t kind;
    const char* name;
    std::span<const PropField> fields; // fixed 32-bit fields, then the variable one
};

// The layout of a kind, or null for a kind this system does not know.
const KindLayout* kindLayout(uint32_t kind);

inline constexpr bool isWordProp(Prop p) { return p != Prop::Text && p != Prop::Items && p != Prop::Picture; }
uint32_t wordProp(const form::Element& e, Prop p);
void setWordProp(form::Element& e, Prop p, uint32_t value);
const char* propName(Prop p);

// What is wrong with an element's place and size (see kMaxFormExtent), or
// "" when they lie within the limits. The writer refuses such a form and the
// reader such an image, so every image that reads can be built.
std::string geometryProblem(const form::Element& e);

} // namespace gr::image::layout
