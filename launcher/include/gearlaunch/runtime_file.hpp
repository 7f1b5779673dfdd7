// The check a runtime library file passes before it is handed to the
// system's loader. The loader maps the file and trusts its headers: a FIFO
// under the runtime's name blocks it for ever, and a truncated library maps
// pages past the end of the file, which kill the process with a bus error on
// first touch. So the launcher accepts only a regular file whose headers
// describe a shared library for this machine and whose every segment lies
// inside the file, read with ordinary reads (nothing is mapped).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace gearlaunch {

// A library file is at most this large; anything larger is not a runtime.
inline constexpr std::uint64_t kMaxRuntimeFileSize = std::uint64_t{1} << 30;

// Reads `size` bytes at `offset` into `out`; false when they are not all there.
using ReadAt = std::function<bool(std::uint64_t offset, void* out, std::size_t size)>;

// What a shared library built for this machine looks like.
struct ElfMachine {
    unsigned char elf_class; // 1: 32-bit, 2: 64-bit
    unsigned char data;      // 1: little-endian, 2: big-endian
    std::uint16_t machine;   // e_machine; 0 accepts any
};
struct PeMachine {
    std::uint16_t machine; // IMAGE_FILE_HEADER.Machine
};
ElfMachine nativeElfMachine();
PeMachine nativePeMachine();

// Whether a file of `file_size` bytes read through `read` is an ELF shared
// library (resp. a PE DLL) for `expected` whose headers, program headers
// (resp. section table) and segments (resp. sections' raw data) all lie
// inside the file.
bool elfLibraryFits(const ReadAt& read, std::uint64_t file_size, ElfMachine expected);
bool peLibraryFits(const ReadAt& read, std::uint64_t file_size, PeMachine expected);

// Whether `path` names a regular file that passes the check for this
// system's library format (ELF on POSIX, PE on Windows). Opening never
// blocks: a FIFO, a device or a folder is refused without waiting.
bool runtimeFileLoadable(const std::string& path);

} // namespace gearlaunch
