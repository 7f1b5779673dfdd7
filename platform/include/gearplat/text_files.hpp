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

} // namespace gearplat
