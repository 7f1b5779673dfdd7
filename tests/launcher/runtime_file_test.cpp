// The check a runtime file passes before the system's loader sees it: the
// real stub library and every cut of it, single changed header fields, a
// hand-made PE header for the Windows format, and files that are no
// regular files.
#include <gearlaunch/runtime_file.hpp>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace {

using namespace gearlaunch;
using Bytes = std::vector<unsigned char>;

ReadAt from(const Bytes& bytes)
{
    return [&bytes](std::uint64_t offset, void* out, std::size_t n) {
        if (offset > bytes.size() || n > bytes.size() - offset) return false;
        std::memcpy(out, bytes.data() + offset, n);
        return true;
    };
}

Bytes stubLibrary()
{
    std::ifstream in(STUB_LIBRARY, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

bool elfFits(const Bytes& b) { return elfLibraryFits(from(b), b.size(), nativeElfMachine()); }

TEST(RuntimeFileElf, TheBuiltLibraryPassesAndEveryCutOfItIsRefused)
{
    const Bytes stub = stubLibrary();
    ASSERT_GT(stub.size(), 1000u);
    EXPECT_TRUE(elfFits(stub));
    for (std::size_t size = 0; size < stub.size(); ++size) {
        const Bytes cut(stub.begin(), stub.begin() + static_cast<long>(size));
        ASSERT_FALSE(elfFits(cut)) << "cut to " << size << " bytes";
    }
}

struct ElfChange {
    const char* name;
    std::function<void(Bytes&)> apply;
};
void PrintTo(const ElfChange& c, std::ostream* os) { *os << c.name; }

class ElfHeaderChanged : public testing::TestWithParam<ElfChange> {};

TEST_P(ElfHeaderChanged, IsRefused)
{
    Bytes b = stubLibrary();
    GetParam().apply(b);
    EXPECT_FALSE(elfFits(b));
}

void put64(Bytes& b, std::size_t at, std::uint64_t v)
{
    for (int i = 0; i < 8; ++i) b.at(at + static_cast<std::size_t>(i)) = static_cast<unsigned char>(v >> (8 * i));
}
std::uint64_t get64(const Bytes& b, std::size_t at)
{
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = v << 8 | b.at(at + static_cast<std::size_t>(i));
    return v;
}

// Offsets of the 64-bit little-endian ELF header this machine builds.
const ElfChange kElfChanges[] = {
    {"Magic", [](Bytes& b) { b[1] = 'X'; }},
    {"OtherClass", [](Bytes& b) { b[4] = 1; }},
    {"OtherByteOrder", [](Bytes& b) { b[5] = 2; }},
    {"Executable", [](Bytes& b) { b[16] = 2; }},
    {"OtherMachine", [](Bytes& b) { b[18] = 3; b[19] = 0; }},
    {"ProgramHeadersPastTheEnd", [](Bytes& b) { put64(b, 32, b.size()); }},
    {"ProgramHeaderOffsetHuge", [](Bytes& b) { put64(b, 32, ~std::uint64_t{0} - 8); }},
    {"NoProgramHeaders", [](Bytes& b) { b[56] = 0; b[57] = 0; }},
    {"SectionHeadersPastTheEnd", [](Bytes& b) { put64(b, 40, b.size() - 8); }},
    {"SegmentPastTheEnd",
     [](Bytes& b) {
         // The first program header's file size made to reach past the end.
         const std::size_t ph = static_cast<std::size_t>(get64(b, 32));
         put64(b, ph + 32, b.size());
         put64(b, ph + 8, 1);
     }},
};

INSTANTIATE_TEST_SUITE_P(Fields, ElfHeaderChanged, testing::ValuesIn(kElfChanges),
                         [](const testing::TestParamInfo<ElfChange>& i) { return std::string(i.param.name); });

// A minimal PE32+ DLL header: DOS header, PE header at 0x40, an optional
// header of 0xF0 bytes, one section with 0x200 raw bytes at 0x200.
Bytes peLibrary()
{
    Bytes b(0x400, 0);
    auto put = [&b](std::size_t at, std::uint64_t v, int width) {
        for (int i = 0; i < width; ++i) b.at(at + static_cast<std::size_t>(i)) = static_cast<unsigned char>(v >> (8 * i));
    };
    b[0] = 'M', b[1] = 'Z';
    put(0x3C, 0x40, 4);
    b[0x40] = 'P', b[0x41] = 'E';
    put(0x44, 0x8664, 2); // AMD64
    put(0x46, 1, 2);      // one section
    put(0x54, 0xF0, 2);   // optional header size
    put(0x56, 0x2022, 2); // executable image, large addresses, DLL
    put(0x58, 0x20B, 2);  // PE32+
    const std::size_t section = 0x58 + 0xF0;
    put(section + 16, 0x200, 4);
    put(section + 20, 0x200, 4);
    return b;
}

struct PeCase {
    const char* name;
    std::function<void(Bytes&)> apply;
    bool fits;
};
void PrintTo(const PeCase& c, std::ostream* os) { *os << c.name; }

class PeHeader : public testing::TestWithParam<PeCase> {};

TEST_P(PeHeader, FitsOnlyWhenWholeAndForThisMachine)
{
    Bytes b = peLibrary();
    GetParam().apply(b);
    EXPECT_EQ(peLibraryFits(from(b), b.size(), PeMachine{0x8664}), GetParam().fits);
}

const PeCase kPeCases[] = {
    {"Whole", [](Bytes&) {}, true},
    {"CutInsideTheSection", [](Bytes& b) { b.resize(0x3FF); }, false},
    {"CutInsideTheHeaders", [](Bytes& b) { b.resize(0x60); }, false},
    {"NoMzSignature", [](Bytes& b) { b[1] = 'X'; }, false},
    {"PeHeaderPastTheEnd", [](Bytes& b) { b[0x3D] = 0x10; }, false},
    {"NoPeSignature", [](Bytes& b) { b[0x41] = 'X'; }, false},
    {"For32BitX86", [](Bytes& b) { b[0x44] = 0x4C, b[0x45] = 0x01; }, false},
    {"NotADll", [](Bytes& b) { b[0x57] = 0x00; }, false},
    {"Pe32Magic", [](Bytes& b) { b[0x58] = 0x0B, b[0x59] = 0x01; }, false},
    {"SectionTablePastTheEnd", [](Bytes& b) { b[0x46] = 0xFF; }, false},
    {"SectionDataPastTheEnd", [](Bytes& b) { b[0x58 + 0xF0 + 21] = 0x03; }, false},
    // A symbol table of 2 entries at 0x400 and a string table of 4 bytes
    // behind it end exactly at the end of the file; one byte less cuts them.
    {"SymbolTableInside", [](Bytes& b) { b.resize(0x428); b[0x4D] = 0x04, b[0x50] = 2, b[0x424] = 4; }, true},
    {"SymbolTableCut", [](Bytes& b) { b.resize(0x427); b[0x4D] = 0x04, b[0x50] = 2, b[0x424] = 4; }, false},
    {"StringTablePastTheEnd", [](Bytes& b) { b.resize(0x428); b[0x4D] = 0x04, b[0x50] = 2, b[0x424] = 5; }, false},
};

INSTANTIATE_TEST_SUITE_P(Files, PeHeader, testing::ValuesIn(kPeCases),
                         [](const testing::TestParamInfo<PeCase>& i) { return std::string(i.param.name); });

TEST(RuntimeFileOnDisk, OnlyARegularSoundLibraryIsLoadable)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / ("runtime_file_test_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const Bytes stub = stubLibrary();
    auto write = [&](const char* name, std::size_t size) {
        std::ofstream(folder / name, std::ios::binary).write(reinterpret_cast<const char*>(stub.data()), static_cast<long>(size));
        return (folder / name).string();
    };
    EXPECT_TRUE(runtimeFileLoadable(write("whole.so", stub.size())));
    EXPECT_FALSE(runtimeFileLoadable(write("half.so", stub.size() / 2)));
    EXPECT_FALSE(runtimeFileLoadable((folder / "missing.so").string()));
    EXPECT_FALSE(runtimeFileLoadable(folder.string()));
    EXPECT_FALSE(runtimeFileLoadable("/dev/zero"));
    const std::string fifo = (folder / "fifo.so").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_FALSE(runtimeFileLoadable(fifo)); // and returns: no writer is waited for
    std::filesystem::remove_all(folder);
}

} // namespace
