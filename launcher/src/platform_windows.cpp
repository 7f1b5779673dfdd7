// Windows platform layer. Paths go through the UTF-16 ("W") functions and are
// UTF-8 inside the launcher: the ANSI functions turn characters outside the
// user's code page into '?' and, with double-byte code pages, can carry a
// backslash byte inside a character, both of which would name a wrong folder.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "failure_message.hpp"
#include "growing_read.hpp"
#include "launcher.hpp"

#include <cwchar>
#include <vector>

namespace gearlaunch {

namespace {

// The longest path the system handles, in UTF-16 units, with its NUL.
constexpr std::size_t kMaxPathUnits = 32768;
// MB_OK | MB_ICONERROR
constexpr UINT kFailureBoxStyle = 0x10;

std::wstring widen(const std::string& utf8)
{
    if (utf8.empty()) return {};
    const int units = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    if (units <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), wide.data(), units);
    return wide;
}

// Nothing when `wide` is not valid UTF-16 (an unpaired surrogate cannot be
// passed on without naming another file).
std::optional<std::string> narrow(const std::wstring& wide)
{
    if (wide.empty()) return std::string();
    const int bytes = ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return std::nullopt;
    std::string utf8(static_cast<std::size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), static_cast<int>(wide.size()), utf8.data(), bytes, nullptr, nullptr);
    return utf8;
}

bool isAbsolute(const std::wstring& path)
{
    const bool drive = path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
    const bool unc = path.size() >= 2 && (path[0] == L'\\' || path[0] == L'/') && (path[1] == L'\\' || path[1] == L'/');
    return drive || unc;
}

class RegistryKey {
public:
    explicit RegistryKey(HKEY key) : key_(key) {}
    ~RegistryKey() { ::RegCloseKey(key_); }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    HKEY get() const { return key_; }

private:
    HKEY key_;
};

class WindowsPlatform final : public Platform {
public:
    char separator() const override { return '\\'; }
    bool isSeparator(char c) const override { return c == '\\' || c == '/'; }

    std::optional<std::string> executablePath() override
    {
        // GetModuleFileNameW returns the buffer's size when it had to cut the
        // path; the buffer then grows until the path fits.
        const std::optional<std::wstring> path = readGrowing<wchar_t>(
            [](wchar_t* buffer, std::size_t capacity) {
                return static_cast<long long>(::GetModuleFileNameW(nullptr, buffer, static_cast<DWORD>(capacity)));
            },
            MAX_PATH, kMaxPathUnits);
        if (!path) return std::nullopt;
        return narrow(*path);
    }

    LibraryHandle loadLibrary(const std::string& path) override
    {
        const std::wstring wide = widen(path);
        if (wide.empty()) return nullptr;
        // With a full path, let the runtime's own dependencies be found in
        // its folder first (it may live in the registered install folder).
        const DWORD flags = isAbsolute(wide) ? LOAD_WITH_ALTERED_SEARCH_PATH : 0;
        return ::LoadLibraryExW(wide.c_str(), nullptr, flags);
    }

    AnyFunction findFunction(LibraryHandle library, const char* name) override
    {
        return reinterpret_cast<AnyFunction>(::GetProcAddress(static_cast<HMODULE>(library), name));
    }

    void freeLibrary(LibraryHandle library) override { ::FreeLibrary(static_cast<HMODULE>(library)); }

    std::optional<std::string> readUserValue(const char* key, const char* name) override
    {
        // An empty key name would open the user's root key itself.
        const std::wstring keyName = widen(key);
        if (keyName.empty()) return std::nullopt;
        HKEY opened = nullptr;
        if (::RegOpenKeyExW(HKEY_CURRENT_USER, keyName.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return std::nullopt;
        const RegistryKey guard(opened); // closed whether or not the read succeeds
        const std::wstring valueName = widen(name);

        // The value's type is not examined; its data are read as UTF-16 text
        // of whatever length it has (the value may change between the two
        // calls, hence the loop).
        for (int attempt = 0; attempt < 4; ++attempt) {
            DWORD size = 0;
            if (::RegQueryValueExW(guard.get(), valueName.c_str(), nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
            std::vector<wchar_t> data(size / sizeof(wchar_t) + 1, L'\0');
            DWORD got = size;
            const LONG status = ::RegQueryValueExW(guard.get(), valueName.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()), &got);
            if (status == ERROR_MORE_DATA) continue;
            if (status != ERROR_SUCCESS) return std::nullopt;
            // Up to the first NUL: the stored text usually carries its own.
            std::wstring text(data.data(), got / sizeof(wchar_t));
            text.resize(wcsnlen(text.c_str(), text.size()));
            return narrow(text);
        }
        return std::nullopt;
    }

    void reportFailure(const char* text, const char* caption) override
    {
        writeFailureToStderr(text, caption);
#if GEARCALC_LAUNCHER_TESTING
        recordFailureForTests(text, caption);
#else
        ::MessageBoxA(nullptr, text, caption, kFailureBoxStyle);
#endif
    }
};

} // namespace

std::unique_ptr<Platform> makeNativePlatform() { return std::make_unique<WindowsPlatform>(); }

} // namespace gearlaunch
