// Windows: GBK is code page 936; file names and the command line are read
// and passed as UTF-16.
#include <gearplat/windows.hpp>

#include <gearplat/platform.hpp>
#include <gearplat/text_files.hpp>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <shellapi.h>

#include <cerrno>

namespace gearplat {

namespace {

constexpr UINT kGbk = 936;

std::wstring gbkToWide(std::string_view gbk)
{
    return toWide(gbk, kGbk);
}

// Nothing converted when a character has no GBK form (no '?' in its place).
std::string wideToGbk(std::wstring_view wide)
{
    if (wide.empty()) return {};
    BOOL replaced = FALSE;
    const int bytes = ::WideCharToMultiByte(kGbk, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, &replaced);
    if (bytes <= 0 || replaced) return {};
    std::string gbk(static_cast<std::size_t>(bytes), '\0');
    ::WideCharToMultiByte(kGbk, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), gbk.data(), bytes, nullptr, &replaced);
    return replaced ? std::string() : gbk;
}

// Where a conversion that failed as a whole fails first: the characters of
// `in` (of the lengths `length` gives) converted one at a time.
template <class Length, class Convert>
std::size_t firstBadCharacter(std::string_view in, Length length, Convert convert)
{
    std::size_t at = 0;
    while (at < in.size()) {
        const std::size_t n = std::min(length(static_cast<unsigned char>(in[at])), in.size() - at);
        if (!convert(in.substr(at, n))) return at;
        at += n;
    }
    return at;
}

std::size_t gbkLength(unsigned char lead) { return lead >= 0x81 && lead <= 0xFE ? 2 : 1; }

std::size_t utf8Length(unsigned char lead)
{
    if (lead >= 0xF0) return 4;
    if (lead >= 0xE0) return 3;
    if (lead >= 0xC0) return 2;
    return 1;
}

// `in` converted as a whole (`convert` answers nothing on failure), or where
// it fails first.
template <class Convert, class Length>
Converted convertWhole(std::string_view in, Convert convert, Length length)
{
    Converted result;
    std::optional<std::string> text = in.empty() ? std::optional<std::string>(std::string()) : convert(in);
    if (text) {
        result.ok = true;
        result.text = std::move(*text);
        return result;
    }
    result.bad_at = firstBadCharacter(in, length, [&](std::string_view c) { return convert(c).has_value(); });
    return result;
}

std::optional<std::string> gbkToUtf8Text(std::string_view gbk)
{
    const std::wstring wide = gbkToWide(gbk);
    if (wide.empty()) return std::nullopt;
    return fromWide(wide);
}

std::optional<std::string> utf8ToGbkText(std::string_view utf8)
{
    const std::wstring wide = toWide(utf8);
    std::string gbk = wide.empty() ? std::string() : wideToGbk(wide);
    if (gbk.empty()) return std::nullopt;
    return gbk;
}

} // namespace

Converted gbkToUtf8(std::string_view gbk) { return convertWhole(gbk, gbkToUtf8Text, gbkLength); }

Converted utf8ToGbk(std::string_view utf8) { return convertWhole(utf8, utf8ToGbkText, utf8Length); }

std::FILE* openFile(const std::string& utf8_path, const char* mode)
{
    const std::wstring path = toWide(utf8_path);
    std::string plain_mode = mode;
    const std::size_t exclusive = plain_mode.find('x');
    if (exclusive != std::string::npos) plain_mode.erase(exclusive, 1);
    const std::wstring wide_mode = toWide(plain_mode);
    if (path.empty() || wide_mode.empty()) {
        errno = EINVAL;
        return nullptr;
    }
    if (exclusive == std::string::npos) return ::_wfopen(path.c_str(), wide_mode.c_str());
    // "x" (fail when the file exists), which the C runtime's fopen lacks.
    int flags = _O_CREAT | _O_EXCL | _O_BINARY;
    flags |= plain_mode.find('+') != std::string::npos ? _O_RDWR : _O_WRONLY;
    const int fd = ::_wopen(path.c_str(), flags, _S_IREAD | _S_IWRITE);
    if (fd < 0) return nullptr;
    std::FILE* file = ::_wfdopen(fd, wide_mode.c_str());
    if (file == nullptr) ::_close(fd);
    return file;
}

std::vector<std::string> utf8Arguments(int argc, char** argv)
{
    int count = 0;
    LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr) return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) arguments.push_back(fromWide(wide[i]).value_or(std::string()));
    ::LocalFree(wide);
    return arguments;
}

void binaryStandardOutput()
{
    ::_setmode(::_fileno(stdout), _O_BINARY);
}

} // namespace gearplat
