// POSIX platform layer: the shared platform functions, a settings file under the
// XDG config folder in place of the Windows registry, and the failure
// message on standard error (plus a dialog when a desktop is available).
#include <gearlaunch/posix_settings.hpp>

#include "failure_message.hpp"
#include <gearlaunch/launcher.hpp>

#include "native_platform.hpp"

#include <fcntl.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace gearlaunch::posix {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// A settings file is small; anything larger is not one of ours.
constexpr std::size_t kMaxSettingsFile = 1 << 20;

// The whole content of a regular file; nothing for anything else (a FIFO
// would block the launcher, a folder has no content).
std::optional<std::string> readRegularFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return std::nullopt;
    std::optional<std::string> content;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && static_cast<unsigned long long>(st.st_size) <= kMaxSettingsFile) {
        content.emplace();
        char chunk[4096];
        for (;;) {
            const ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                content.reset();
                break;
            }
            if (n == 0) break;
            content->append(chunk, static_cast<std::size_t>(n));
            if (content->size() > kMaxSettingsFile) {
                content.reset();
                break;
            }
        }
    }
    ::close(fd);
    return content;
}

std::string homeFolder()
{
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr) return pw->pw_dir;
    return {};
}

#if !GEARCALC_LAUNCHER_TESTING
// Runs the first dialog program found, without a shell, and waits for it.
void showDialog(const char* text, const char* caption)
{
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if ((display == nullptr || *display == '\0') && (wayland == nullptr || *wayland == '\0')) return;
    if (const char* off = std::getenv("GEARCALC_LAUNCHER_NO_DIALOG"); off != nullptr && *off != '\0') return;

    const std::string zenityTitle = std::string("--title=") + caption;
    const std::string zenityText = std::string("--text=") + text;
    const char* const zenity[] = {"zenity", "--error", "--no-markup", zenityTitle.c_str(), zenityText.c_str(), nullptr};
    const char* const kdialog[] = {"kdialog", "--title", caption, "--error", text, nullptr};
    const char* const xmessage[] = {"xmessage", "-center", "-title", caption, "-buttons", "OK:0", "-default", "OK", text, nullptr};
    for (const char* const* argv : {zenity, kdialog, xmessage}) {
        pid_t pid = 0;
        if (::posix_spawnp(&pid, argv[0], nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0) continue;
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        return;
    }
}
#endif

class PosixPlatform final : public NativePlatform {
public:
    std::optional<std::string> readUserValue(const char* key, const char* name) override
    {
        const std::string home = homeFolder();
        const std::optional<std::string> config = userConfigFolder(std::getenv("XDG_CONFIG_HOME"), home.c_str());
        if (!config) return std::nullopt;
        const std::optional<std::string> file = settingsFileFor(*config, key);
        if (!file) return std::nullopt;
        const std::optional<std::string> content = readRegularFile(*file);
        if (!content) return std::nullopt;
        return findSettingsValue(*content, name);
    }

    void reportFailure(const char* text, const char* caption) override
    {
        writeFailureToStderr(text, caption);
#if GEARCALC_LAUNCHER_TESTING
        recordFailureForTests(text, caption);
#else
        showDialog(text, caption);
#endif
    }
};

} // namespace

std::optional<std::string> userConfigFolder(const char* xdgConfigHome, const char* home)
{
    if (xdgConfigHome != nullptr && xdgConfigHome[0] == '/') return std::string(xdgConfigHome);
    if (home != nullptr && home[0] != '\0') {
        std::string folder = home;
        if (folder.back() != '/') folder += '/';
        return folder + ".config";
    }
    return std::nullopt;
}

std::optional<std::string> settingsFileFor(const std::string& configFolder, std::string_view key)
{
    constexpr std::string_view kSoftware = "Software\\";
    if (key.size() >= kSoftware.size() && equalsIgnoringCase(key.substr(0, kSoftware.size()), kSoftware))
        key.remove_prefix(kSoftware.size());
    std::string file = configFolder;
    for (;;) {
        const std::size_t end = key.find('\\');
        const std::string_view name = key.substr(0, end);
        if (name.empty() || name == "." || name == ".." || name.find('/') != std::string_view::npos) return std::nullopt;
        if (file.empty() || file.back() != '/') file += '/';
        file += name;
        if (end == std::string_view::npos) break;
        key.remove_prefix(end + 1);
    }
    return file + ".conf";
}

std::optional<std::string> findSettingsValue(std::string_view content, std::string_view name)
{
    constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
    if (content.substr(0, kUtf8Bom.size()) == kUtf8Bom) content.remove_prefix(kUtf8Bom.size());
    while (!content.empty()) {
        const std::size_t end = content.find('\n');
        std::string_view line = content.substr(0, end);
        content.remove_prefix(end == std::string_view::npos ? content.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        line = trimmed(line);
        if (line.empty() || line.front() == '#' || line.front() == ';' || line.front() == '[') continue;
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos || !equalsIgnoringCase(trimmed(line.substr(0, eq)), name)) continue;
        return std::string(trimmed(line.substr(eq + 1)));
    }
    return std::nullopt;
}

} // namespace gearlaunch::posix

namespace gearlaunch {

std::unique_ptr<Platform> makeNativePlatform() { return std::make_unique<posix::PosixPlatform>(); }

} // namespace gearlaunch
