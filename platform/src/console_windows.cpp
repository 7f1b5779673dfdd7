// Windows: standard output and standard error on a console. A console
// shows the bytes written to it in its output code page (437 on an English
// Windows, 936 on a Chinese one), so the tools' UTF-8 text would show as
// other characters there. On a console the text goes out as UTF-16 through
// WriteConsoleW instead; a file or a pipe still gets the bytes.
#include <gearplat/windows.hpp>

#include <gearplat/platform.hpp>
#include <gearplat/text_files.hpp>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <iostream>
#include <streambuf>
#include <string>

namespace gearplat {

namespace {

// Whether `handle` is a console's screen buffer (a file, a pipe or the NUL
// device is not, though NUL is a character device too).
bool isConsole(HANDLE handle)
{
    DWORD mode = 0;
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetFileType(handle) == FILE_TYPE_CHAR &&
           ::GetConsoleMode(handle, &mode) != 0;
}

// The length of the part of `text` that ends with a whole UTF-8 character:
// a sequence cut off at the end waits for its next bytes. Bytes that can
// never become a character are passed on (they show as U+FFFD).
std::size_t wholeCharacters(std::string_view text)
{
    const std::size_t size = text.size();
    // A lead byte at most three bytes back may still be waiting for bytes.
    for (std::size_t back = 1; back <= std::min<std::size_t>(3, size); ++back) {
        const auto c = static_cast<unsigned char>(text[size - back]);
        if ((c & 0xC0) == 0x80) continue; // a continuation byte: look further back
        const std::size_t needed = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        return needed > back && c < 0xF8 ? size - back : size;
    }
    return size;
}

// The console text is written in pieces of at most this many UTF-16 units
// (older consoles refuse very large writes).
constexpr std::size_t kPieceUnits = 8192;

// Writes UTF-16 text to the console, all of it or false.
bool writeWide(HANDLE console, std::wstring_view text)
{
    while (!text.empty()) {
        std::size_t piece = std::min(text.size(), kPieceUnits);
        // A surrogate pair stays in one piece.
        if (piece < text.size() && piece > 1 && text[piece - 1] >= 0xD800 && text[piece - 1] <= 0xDBFF) --piece;
        DWORD written = 0;
        if (!::WriteConsoleW(console, text.data(), static_cast<DWORD>(piece), &written, nullptr) || written == 0) {
            errno = EIO;
            return false;
        }
        text.remove_prefix(std::min<std::size_t>(written, text.size()));
    }
    return true;
}

// A stream buffer that collects UTF-8 bytes and writes them to a console
// as characters when flushed (and whenever a good amount has gathered). A
// byte order mark at the very start (the CSV's) is not shown: on a screen
// it means nothing.
class ConsoleBuffer final : public std::streambuf {
public:
    explicit ConsoleBuffer(HANDLE console) : console_(console) {}

    bool write(std::string_view bytes)
    {
        if (failed_) return false;
        pending_.append(bytes);
        return pending_.size() < kGathered || flushWhole();
    }

    bool flushWhole()
    {
        if (failed_) return false;
        std::string_view text = pending_;
        text = text.substr(0, wholeCharacters(text));
        if (atStart_ && !text.empty()) {
            constexpr std::string_view kBom = "\xEF\xBB\xBF";
            if (text.size() < kBom.size() && kBom.starts_with(text)) return true; // wait: it may be a mark
            if (text.starts_with(kBom)) text.remove_prefix(kBom.size());
            atStart_ = false;
        }
        std::wstring wide;
        if (!text.empty()) {
            const int units = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
            wide.resize(static_cast<std::size_t>(std::max(units, 0)));
            ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), units);
        }
        pending_.erase(0, static_cast<std::size_t>(text.data() + text.size() - pending_.data()));
        if (!writeWide(console_, wide)) failed_ = true;
        return !failed_;
    }

protected:
    int_type overflow(int_type c) override
    {
        if (traits_type::eq_int_type(c, traits_type::eof())) return sync() == 0 ? traits_type::not_eof(c) : c;
        const char ch = traits_type::to_char_type(c);
        return write(std::string_view(&ch, 1)) ? c : traits_type::eof();
    }

    std::streamsize xsputn(const char* s, std::streamsize n) override
    {
        return write(std::string_view(s, static_cast<std::size_t>(n))) ? n : 0;
    }

    int sync() override { return flushWhole() ? 0 : -1; }

private:
    static constexpr std::size_t kGathered = 1 << 14;
    HANDLE console_;
    std::string pending_;
    bool atStart_ = true;
    bool failed_ = false;
};

// Made once, by consoleStandardStreams(), for each stream that is a
// console; they live as long as the process (the streams may be used until
// the very end).
ConsoleBuffer* outBuffer = nullptr;
ConsoleBuffer* errBuffer = nullptr;

} // namespace

void consoleStandardStreams()
{
    if (outBuffer == nullptr && isConsole(::GetStdHandle(STD_OUTPUT_HANDLE))) {
        std::fflush(stdout);
        outBuffer = new ConsoleBuffer(::GetStdHandle(STD_OUTPUT_HANDLE));
        std::cout.rdbuf(outBuffer);
    }
    if (errBuffer == nullptr && isConsole(::GetStdHandle(STD_ERROR_HANDLE))) {
        std::fflush(stderr);
        errBuffer = new ConsoleBuffer(::GetStdHandle(STD_ERROR_HANDLE));
        std::cerr.rdbuf(errBuffer);
        std::clog.rdbuf(errBuffer);
    }
}

bool standardOutputIsConsole() { return outBuffer != nullptr; }
bool standardErrorIsConsole() { return errBuffer != nullptr; }

bool writeStandardOutput(std::string_view utf8)
{
    if (outBuffer != nullptr) return outBuffer->write(utf8) && outBuffer->flushWhole();
    if (utf8.empty()) return std::fflush(stdout) == 0; // an empty view may have no data pointer
    return std::fwrite(utf8.data(), 1, utf8.size(), stdout) == utf8.size() && std::fflush(stdout) == 0;
}

} // namespace gearplat
