// The program image: the one block of data the launcher hands to the
// runtime. It holds the support-library list, the constant pool, the main
// window's form, the code section (in this system the program's linkage
// table, see image/README.md) and the identity fix-ups.
//
// writeImage() lays a Program out byte for byte; readImage() parses and
// verifies an image from any byte span (hostile input is expected) and gives
// the same Program back, plus what a loader needs: the section chain, the
// fix-ups and the code section's tables resolved into indices.
#pragma once

#include <gearimg/result.hpp>
#include <gearrt/form.hpp>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace gr::image {

// ---- Limits: nothing is allocated from a number that exceeds these ------
inline constexpr size_t kMaxImageSize = 16u << 20;
inline constexpr uint32_t kMaxLibraries = 16;
inline constexpr uint32_t kMaxElements = 1024;
inline constexpr uint32_t kMaxEvents = 64;       // event bindings of one element
inline constexpr uint32_t kMaxTextBytes = 65536; // one text, in GBK bytes
inline constexpr uint32_t kMaxRoutines = 4096;
inline constexpr uint32_t kMaxConstants = 65536;
inline constexpr uint32_t kMaxLibraryCalls = 4096;
inline constexpr uint32_t kMaxServiceStubs = 64;

// ---- Geometry a form may hold, in pixels ----------------------------------
// A window or control is at most kMaxFormExtent wide and high (no size is
// negative); a control lies within kMaxFormExtent of the client area's
// corner on either side, the window within kMaxScreenCoordinate of the
// screen's origin. Anything beyond is damage, not a form: a flipped bit in a
// size would otherwise ask the window system for a window of gigapixels.
inline constexpr int32_t kMaxFormExtent = 4096;
inline constexpr int32_t kMaxScreenCoordinate = 16384;

// ---- What a program stores in its image ---------------------------------

// One record of the library list. Position 0 is the core runtime; code
// names the others by position.
struct Library {
    std::string name;       // file base name, e.g. "tavrn"
    std::string identifier; // 32 hexadecimal digits
    uint32_t major = 0;
    uint32_t minor = 0;
    std::string description; // one line
    bool operator==(const Library&) const = default;
};

// The libraries of this system's programs, in list order: the core runtime
// "tavrn" 5.0 and the visual-style library "stylx" 2.0.
std::vector<Library> standardLibraries();

enum class ConstantKind : uint32_t { Text = 1, Number = 2, ByteSet = 3 };

struct Constant {
    ConstantKind kind = ConstantKind::Text;
    std::string text;           // Text, UTF-8 (no NUL inside)
    double number = 0.0;        // Number
    std::vector<uint8_t> bytes; // ByteSet: its elements; empty for the empty set

    static Constant ofText(std::string text);
    static Constant ofNumber(double number);
    static Constant emptyByteSet();
    // Numbers compare bit for bit, so a NaN equals itself.
    friend bool operator==(const Constant& a, const Constant& b);
};

// A command of a support library called by the routines.
struct LibraryCall {
    uint32_t library = 0; // position in the library list
    uint32_t command = 0;
    bool operator==(const LibraryCall&) const = default;
};

struct Program {
    std::vector<Library> libraries = standardLibraries();
    form::Window form;                    // event bindings name routines by index
    std::vector<std::string> routines;    // the exported native entry names, by index
    uint32_t start_routine = 0;           // index into routines
    std::vector<uint32_t> routine_values; // routines passed as values, by index
    std::vector<Constant> constants;      // the constant table, by index
    std::vector<LibraryCall> library_calls;
};

// Lays out the image. Fails (naming the element or entry) when the program
// cannot be stored faithfully: a text GBK cannot hold, a property its kind
// has no place for, a routine index out of range, a limit exceeded.
Result<std::vector<uint8_t>> writeImage(const Program& program);

// ---- What a reader sees besides the program ------------------------------

inline constexpr size_t kHeaderSize = 88;
inline constexpr size_t kSectionHeaderSize = 56;
inline constexpr uint32_t kNoOffset = 0xFFFFFFFFu;
inline constexpr size_t kSectionCount = 6;
inline constexpr std::array<const char*, kSectionCount> kSectionNames{"const", "form", "help",
                                                                       "code",  "var",  "@reloc1"};
enum SectionIndex : size_t { kConst = 0, kForm, kHelp, kCode, kVar, kReloc };

struct Header {
    uint32_t first_section = 0;  // offset 36
    uint32_t start_routine = 0;  // offset 60: image offset of the start routine's entry
    std::array<uint32_t, 5> section_headers{}; // offset 64: const, form, help, code, var
    uint32_t library_list_end = 0;             // offset 84
};

struct Section {
    std::string name;
    uint32_t header_offset = 0;
    uint32_t header_size = 0;
    uint32_t next_header = 0;
    uint32_t flags = 0;
    uint32_t data_size = 0;
    uint32_t memory_size = 0;
    uint32_t data_offset = kNoOffset;
    uint32_t fixup_count = 0;
};

enum class FixupKind : uint32_t { Service = 0, Constant = 1, Routine = 3 };

struct Fixup {
    uint32_t code_offset = 0; // of the 32-bit word the entry names
    FixupKind kind = FixupKind::Service;
    uint32_t value = 0; // the word: a service-table offset, pool offset or code offset
};

// A control as code names it; the same triple the services take.
struct ControlRef {
    uint32_t window = 0;
    uint32_t control = 0;
    uint32_t kind = 0;
};

struct ServiceStub {
    uint32_t code_offset = 0;  // of the stub
    uint32_t table_offset = 0; // byte offset in the 32-bit service table, 0x00..0x30
    int slot = 0;              // gr_slot_for_image_offset(table_offset)
};

// The code section's tables with every fix-up applied: each stored offset is
// replaced by what it names (a routine index, a constant index, a service
// slot), so a loader fills tables of native addresses instead of patching
// 32-bit words.
struct Linkage {
    std::vector<uint32_t> routine_entries;  // code offset of each routine's entry
    std::vector<uint32_t> constant_offsets; // pool offset of each constant
    std::vector<ControlRef> controls;       // one per form element, in form order
    std::vector<ServiceStub> services;
    std::vector<Fixup> fixups; // the code section's fix-up table, decoded

    // The routine whose entry lies at `code_offset`, if any.
    std::optional<uint32_t> routineAt(uint32_t code_offset) const;
};

struct Image {
    Program program;
    Header header;
    std::vector<Section> sections; // in chain order
    Linkage linkage;
    std::array<std::vector<uint32_t>, 4> identity_groups; // @reloc1: code offsets
    // The @reloc1 size field is four bytes short of its groups (the layout as
    // first shipped); the groups were read by their counts.
    bool short_reloc_size = false;
    uint32_t end = 0; // just after the last section; bytes beyond are fill
};

// Parses and verifies an image. Accepts trailing fill after the last
// section, so a loader may pass the whole data section the image sits in.
Result<Image> readImage(std::span<const uint8_t> bytes);

// Text conversion at the image boundary (GBK inside, UTF-8 outside).
Result<std::string> utf8ToGbk(std::string_view utf8);
Result<std::string> gbkToUtf8(std::string_view gbk);

// "0x1A2B": how every message writes a value.
std::string hex(uint64_t value);

// Human-readable name of a control kind ("edit box"), or "" if unknown.
const char* kindName(uint32_t kind);

} // namespace gr::image
