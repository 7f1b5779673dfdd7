// What the launcher, the runtime and the tools need of the operating system:
// the running executable's path, the folder of a file, and loading a library.
// Texts are UTF-8; on Windows the layer converts to and from UTF-16, so a
// folder with Chinese characters works.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace gearplat {

// The separator this system puts between folder names.
char separator();
// Whether `c` ends a folder name in a path (Windows accepts both slashes).
bool isSeparator(char c);

// The folder part of `path` up to and including its last separator, where
// `is_separator` says which characters separate; nothing when the path has
// none.
template <class IsSeparator>
std::optional<std::string> folderOf(std::string_view path, IsSeparator is_separator)
{
    for (std::size_t i = path.size(); i > 0; --i)
        if (is_separator(path[i - 1])) return std::string(path.substr(0, i));
    return std::nullopt;
}
inline std::optional<std::string> folderOf(std::string_view path) { return folderOf(path, isSeparator); }

// `folder` without its trailing separators (a root folder keeps its one).
std::string withoutTrailingSeparator(std::string folder);

// The full path of the running executable; nothing when it cannot be read
// completely (a truncated path would name the wrong folder).
std::optional<std::string> executablePath();

// The folder of the module (executable or library) that holds `address`,
// without a trailing separator; nothing when the system cannot say.
std::optional<std::string> moduleFolder(const void* address);

using LibraryHandle = void*;
// Any exported function; cast to its real type before calling it.
using AnyFunction = void (*)();

// From here on, libraries load only from the program's folder and the
// system's folders, never from the current folder or PATH (on Windows a
// planted DLL there would run inside the program); a library loaded by its
// full path finds its own libraries in its folder. Call it first in main().
// Elsewhere nothing to do: dlopen does not search the current folder.
void safeLibrarySearch();

// Null when the library cannot be loaded.
LibraryHandle loadLibrary(const std::string& path);
AnyFunction findFunction(LibraryHandle library, const char* name);
void freeLibrary(LibraryHandle library);
// An exported function or datum of the running executable itself; null
// when it exports no such name.
void* findInExecutable(const char* name);

// A loaded library, freed when it goes.
class Library {
public:
    Library() = default;
    explicit Library(const std::string& path) : handle_(loadLibrary(path)) {}
    ~Library() { reset(); }
    Library(Library&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
    Library& operator=(Library&& other) noexcept
    {
        if (this != &other) {
            reset();
            handle_ = other.handle_;
            other.handle_ = nullptr;
        }
        return *this;
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    explicit operator bool() const { return handle_ != nullptr; }
    template <class Function>
    Function function(const char* name) const
    {
        return handle_ != nullptr ? reinterpret_cast<Function>(findFunction(handle_, name)) : nullptr;
    }
    void reset()
    {
        if (handle_ != nullptr) freeLibrary(handle_);
        handle_ = nullptr;
    }

private:
    LibraryHandle handle_ = nullptr;
};

#if defined(_WIN32)
// The loaded module (HMODULE of the executable or a library) that holds
// `address`; null when the system cannot say.
LibraryHandle moduleHandle(const void* address);
// UTF-8 (or the text of another code page: 936 is GBK) to UTF-16; empty
// for text that is not valid in that code page.
std::wstring toWide(std::string_view text, unsigned code_page = 65001);
// UTF-16 to UTF-8; nothing when `wide` is not valid UTF-16 (an unpaired
// surrogate cannot be passed on without naming another file).
std::optional<std::string> fromWide(std::wstring_view wide);
#else
// The target of the symbolic link `link` (e.g. "/proc/self/exe") in full;
// nothing when it cannot be read or is longer than 64 KiB.
std::optional<std::string> readLinkFully(const char* link);
#endif

} // namespace gearplat
