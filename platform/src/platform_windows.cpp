// Windows: paths go through the UTF-16 ("W") functions and are UTF-8 above
// this layer. The ANSI functions turn characters outside the user's code
// page into '?' and, with double-byte code pages, can carry a backslash byte
// inside a character, both of which would name a wrong file.
#include <gearplat/windows.hpp>

#include <gearplat/growing_read.hpp>
#include <gearplat/platform.hpp>

namespace gearplat {

namespace {

// The longest path the system handles, in UTF-16 units, with its NUL.
constexpr std::size_t kMaxPathUnits = 32768;

bool isAbsolute(const std::wstring& path)
{
    const bool drive = path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
    const bool unc = path.size() >= 2 && (path[0] == L'\\' || path[0] == L'/') && (path[1] == L'\\' || path[1] == L'/');
    return drive || unc;
}

std::optional<std::string> modulePath(HMODULE module)
{
    // GetModuleFileNameW returns the buffer's size when it had to cut the
    // path; the buffer then grows until the path fits.
    const std::optional<std::wstring> path = readGrowing<wchar_t>(
        [module](wchar_t* buffer, std::size_t capacity) {
            return static_cast<long long>(::GetModuleFileNameW(module, buffer, static_cast<DWORD>(capacity)));
        },
        MAX_PATH, kMaxPathUnits);
    if (!path) return std::nullopt;
    return fromWide(*path);
}

} // namespace

char separator() { return '\\'; }
bool isSeparator(char c) { return c == '\\' || c == '/'; }

std::string withoutTrailingSeparator(std::string folder)
{
    // "C:\" stays a root folder.
    while (folder.size() > 1 && isSeparator(folder.back()) && !(folder.size() == 3 && folder[1] == ':'))
        folder.pop_back();
    return folder;
}

static_assert(CP_UTF8 == 65001);

std::wstring toWide(std::string_view text, unsigned code_page)
{
    if (text.empty()) return {};
    const int length = static_cast<int>(text.size());
    const int units = ::MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, text.data(), length, nullptr, 0);
    if (units <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    ::MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, text.data(), length, wide.data(), units);
    return wide;
}

std::optional<std::string> fromWide(std::wstring_view wide)
{
    if (wide.empty()) return std::string();
    const int bytes = ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return std::nullopt;
    std::string utf8(static_cast<std::size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), static_cast<int>(wide.size()), utf8.data(), bytes, nullptr, nullptr);
    return utf8;
}

std::optional<std::string> executablePath() { return modulePath(nullptr); }

LibraryHandle moduleHandle(const void* address)
{
    HMODULE module = nullptr;
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              static_cast<LPCWSTR>(address), &module))
        return nullptr;
    return module;
}

std::optional<std::string> moduleFolder(const void* address)
{
    HMODULE module = static_cast<HMODULE>(moduleHandle(address));
    if (module == nullptr) return std::nullopt;
    const std::optional<std::string> path = modulePath(module);
    if (!path) return std::nullopt;
    std::optional<std::string> folder = folderOf(*path);
    if (!folder) return std::nullopt;
    return withoutTrailingSeparator(std::move(*folder));
}

void safeLibrarySearch()
{
    ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    // Also takes the current folder out of the older search order.
    ::SetDllDirectoryW(L"");
}

LibraryHandle loadLibrary(const std::string& path)
{
    const std::wstring wide = toWide(path);
    if (wide.empty()) return nullptr;
    // With a full path, the library's own dependencies are found in its
    // folder (the runtime may live in the registered install folder), then
    // in the program's and the system's folders.
    const DWORD flags = isAbsolute(wide) ? LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS : 0;
    return ::LoadLibraryExW(wide.c_str(), nullptr, flags);
}

AnyFunction findFunction(LibraryHandle library, const char* name)
{
    return reinterpret_cast<AnyFunction>(::GetProcAddress(static_cast<HMODULE>(library), name));
}

void freeLibrary(LibraryHandle library) { ::FreeLibrary(static_cast<HMODULE>(library)); }

void* findInExecutable(const char* name)
{
    return reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(nullptr), name));
}

} // namespace gearplat
