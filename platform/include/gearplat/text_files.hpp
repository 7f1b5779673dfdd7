// Texts and files across systems: GBK (the program image's encoding) to
// and from UTF-8, file names given as UTF-8 whatever the system's own
// encoding, and a program's arguments and standard output as UTF-8 bytes.
#pragma once

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace gearplat {

// The outcome of converting a whole text: `ok` with `text`, or the offset
// of the first input byte that could not be converted (`bad_at`).
// `available` is false when the system offers no such conversion.
struct Converted {
    bool ok = false;
    bool available = true;
    std::string text;
    std::size_t bad_at = 0;
};
// GBK as the system knows it (iconv's "GBK"; Windows code page 936).
Converted gbkToUtf8(std::string_view gbk);
// Fails on a character GBK cannot hold: nothing is replaced.
Converted utf8ToGbk(std::string_view utf8);

// A file name given in UTF-8 (on Windows the system's names are UTF-16;
// a narrow name would be read in the user's code page).
inline std::filesystem::path pathFromUtf8(std::string_view utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}
inline std::string utf8FromPath(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}
// fopen with a UTF-8 file name; null with errno set on failure.
std::FILE* openFile(const std::string& utf8_path, const char* mode);

// The program's arguments as UTF-8 (on Windows read again from the wide
// command line; argv holds them in the user's code page).
std::vector<std::string> utf8Arguments(int argc, char** argv);
// Standard output writes its bytes as they are (no LF to CR LF on Windows).
void binaryStandardOutput();

// A console shows characters, not bytes: on Windows a console reads the
// bytes written to it in its own code page (437, 936, ...), so UTF-8 text
// turns into other characters there. After this call, std::cout and
// std::cerr write UTF-8 text to a console as characters (UTF-16 through the
// console API), whatever its code page; redirected to a file or a pipe they
// write their bytes as before. Call it first in main(), before anything is
// written. Elsewhere it does nothing: terminals take the bytes.
void consoleStandardStreams();
// Whether standard output (or standard error) is a console that gets
// characters rather than bytes (after consoleStandardStreams()).
bool standardOutputIsConsole();
bool standardErrorIsConsole();
// Writes UTF-8 text to standard output and flushes it: to a console as
// characters, elsewhere its bytes as they are. False when it could not all
// be written (errno says why where the system told).
bool writeStandardOutput(std::string_view utf8);

} // namespace gearplat
