// Windows platform layer: the shared platform functions, the registry and
// the failure message box. Texts are UTF-8 here and UTF-16 towards Windows.
#include <gearplat/windows.hpp>

#include "failure_message.hpp"
#include <gearlaunch/launcher.hpp>

#include "native_platform.hpp"

#include <cwchar>
#include <vector>

namespace gearlaunch {

namespace {

// MB_OK | MB_ICONERROR
constexpr UINT kFailureBoxStyle = 0x10;

std::wstring widen(const std::string& utf8) { return gearplat::toWide(utf8); }

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

class WindowsPlatform final : public NativePlatform {
public:
    // No library is loaded from the current folder, from here on.
    WindowsPlatform() { gearplat::safeLibrarySearch(); }

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
            return gearplat::fromWide(text);
        }
        return std::nullopt;
    }

    void reportFailure(const char* text, const char* caption) override
    {
        writeFailureToStderr(text, caption);
#if GEARCALC_LAUNCHER_TESTING
        recordFailureForTests(text, caption);
#else
        // The text is UTF-8 (it holds Chinese): the wide function shows it
        // whatever the user's code page.
        ::MessageBoxW(nullptr, widen(text).c_str(), widen(caption).c_str(), kFailureBoxStyle);
#endif
    }
};

} // namespace

std::unique_ptr<Platform> makeNativePlatform() { return std::make_unique<WindowsPlatform>(); }

} // namespace gearlaunch
