// Runs a launcher executable as a process in prepared folders, with stub
// runtimes beside it or in a registered install folder, and checks its exit
// code, its standard error and the order of what the stubs and the launcher
// recorded in one shared log. One case per run:
//
//   launcher_cases --case NAME --launcher EXE --stub-start LIB --stub-refuse LIB
//                  --stub-noentry LIB --image FILE --work DIR
//
// Natively it runs the POSIX launcher with the settings file under
// $XDG_CONFIG_HOME; in the Windows build it runs under Wine, starts the
// Windows launcher and writes the current user's registry.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
constexpr char kProgramName[] = "gearcalc.exe";
constexpr char kSeparator = '\\';
constexpr long long kFailureExitCode = 0xFFFFFFFFLL; // -1 as GetExitCodeProcess reads it
#else
constexpr char kProgramName[] = "gearcalc";
constexpr char kSeparator = '/';
constexpr long long kFailureExitCode = 255; // -1 as waitpid reads it
#endif

// The launcher's message: what to do, in Chinese, then in English.
#ifdef _WIN32
constexpr char kFailureText[] =
    "Error: 找不到运行库 tavrn.vlr，或运行库无效！请先解压 zip 压缩包中的全部文件，再运行解压出的 gearcalc.exe"
    "（tavrn.vlr 须与它在同一文件夹中）。\n\n"
    "Not found the kernel library or the kernel library is invalid! Extract all files of the zip first, then run "
    "gearcalc.exe from the extracted folder (tavrn.vlr must be in the same folder).";
#else
constexpr char kFailureText[] =
    "Error: 找不到运行库 tavrn.vlr，或运行库无效！请重新安装本程序（tavrn.vlr 须与 gearcalc 在同一文件夹中）。\n\n"
    "Not found the kernel library or the kernel library is invalid! Reinstall the program (tavrn.vlr must be "
    "in the same folder as gearcalc).";
#endif

int failures = 0;

void check(bool ok, const std::string& what)
{
    if (ok) return;
    ++failures;
    std::cerr << "FAILED: " << what << '\n';
}

std::string utf8(const fs::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

fs::path fromUtf8(const std::string& text) { return fs::path(std::u8string(text.begin(), text.end())); }

// Paths given by the build are host (Unix) paths; Wine shows the host's
// root as drive Z:.
fs::path fromHostPath(const std::string& text)
{
#ifdef _WIN32
    if (!text.empty() && text[0] == '/') {
        std::string windows = "Z:" + text;
        for (char& c : windows)
            if (c == '/') c = '\\';
        return fromUtf8(windows);
    }
#endif
    return fromUtf8(text);
}

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::vector<std::string> readLines(const fs::path& path)
{
    std::vector<std::string> lines;
    std::istringstream in(readFile(path));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

[[maybe_unused]] void writeFile(const fs::path& path, const std::string& content)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

#ifdef _WIN32
// The extended form of a path, which the file functions take beyond MAX_PATH.
std::wstring extended(const fs::path& path)
{
    const std::wstring wide = fs::absolute(path).wstring();
    return wide.rfind(L"\\\\?\\", 0) == 0 ? wide : L"\\\\?\\" + wide;
}

void removeExtended(const std::wstring& folder)
{
    WIN32_FIND_DATAW entry;
    const HANDLE found = ::FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (found != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") continue;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeExtended(folder + L"\\" + name);
            else
                ::DeleteFileW((folder + L"\\" + name).c_str());
        } while (::FindNextFileW(found, &entry));
        ::FindClose(found);
    }
    ::RemoveDirectoryW(folder.c_str());
}
#endif

void removeTree(const fs::path& path)
{
#ifdef _WIN32
    removeExtended(extended(path));
#else
    // Trees deeper than PATH_MAX are beyond std::filesystem; rm walks them
    // relative to each folder.
    const std::string command = "rm -rf -- '" + utf8(path) + "'";
    if (std::system(command.c_str()) != 0) std::cerr << "note: could not remove " << path << '\n';
#endif
}

void copyFile(const fs::path& from, const fs::path& to)
{
    fs::create_directories(to.parent_path());
#ifdef _WIN32
    // (std::filesystem::copy_file of this tool chain cannot overwrite.)
    check(::CopyFileW(extended(from).c_str(), extended(to).c_str(), FALSE) != 0, "cannot copy to " + utf8(to));
#else
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
#endif
}

bool sameFile(const std::string& a, const std::string& b)
{
    std::error_code error;
    const bool same = fs::equivalent(fromUtf8(a), fromUtf8(b), error);
    return error ? a == b : same;
}

// Log lines compare as text, except that "load <path>" lines compare the
// files they name.
bool sameLog(const std::vector<std::string>& actual, const std::vector<std::string>& expected)
{
    if (actual.size() != expected.size()) return false;
    for (std::size_t i = 0; i < actual.size(); ++i) {
        const bool loads = actual[i].rfind("load ", 0) == 0 && expected[i].rfind("load ", 0) == 0;
        if (loads ? !sameFile(actual[i].substr(5), expected[i].substr(5)) : actual[i] != expected[i]) return false;
    }
    return true;
}

std::string joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) text += "    " + line + "\n";
    return text.empty() ? "    (nothing)\n" : text;
}

struct Options {
    std::string caseName;
    fs::path launcher, stubStart, stubRefuse, stubNoEntry, image, work;
};

struct Result {
    long long exitCode = -1000;
    std::string stderrText;
    std::vector<std::string> log;
};

// How a run differs from the usual one.
struct RunSetup {
    bool settingsUnderHome = false; // no $XDG_CONFIG_HOME: the settings live under $HOME/.config
    int folderFd = -1;              // POSIX: start "./gearcalc" in this open folder
};

// The current user's per-user settings: the registry on Windows, the
// settings file under the config folder elsewhere.
class UserSettings {
public:
    explicit UserSettings(fs::path configFolder) : file_(std::move(configFolder) / "Brakon" / "Vela" / "Install.conf") {}

    void clear()
    {
#ifdef _WIN32
        ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Brakon");
#else
        std::error_code ignored;
        fs::remove(file_, ignored);
#endif
    }

    void setInstallPath(const std::string& value) { set("Path", value); }
    void setKeyWithoutPath() { set("Version", "5.0"); }

private:
    void set(const std::string& name, const std::string& value)
    {
        clear();
#ifdef _WIN32
        HKEY key = nullptr;
        if (::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Brakon\\Vela\\Install", 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                              nullptr) != ERROR_SUCCESS) {
            check(false, "cannot create the registry key");
            return;
        }
        const std::wstring wideName = fromUtf8(name).wstring();
        const std::wstring wideValue = fromUtf8(value).wstring();
        ::RegSetValueExW(key, wideName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(wideValue.c_str()),
                         static_cast<DWORD>((wideValue.size() + 1) * sizeof(wchar_t)));
        ::RegCloseKey(key);
#else
        writeFile(file_, "# the install folder registered for the current user\n" + name + "=" + value + "\n");
#endif
    }

    fs::path file_;
};

class Sandbox {
public:
    explicit Sandbox(const Options& options) : root(options.work / options.caseName), settings(root / "config"), options_(options)
    {
        removeTree(root);
        fs::create_directories(root);
        settings.clear();
    }

    ~Sandbox() { settings.clear(); }

    fs::path placeProgram(const fs::path& folder) const
    {
        copyFile(options_.launcher, folder / kProgramName);
        return folder / kProgramName;
    }

    static void placeRuntime(const fs::path& stub, const fs::path& file) { copyFile(stub, file); }

    Result run(const fs::path& program, const RunSetup& setup = {}) const
    {
        const fs::path log = root / "events.log";
        const fs::path errors = root / "stderr.txt";
        std::error_code ignored;
        fs::remove(log, ignored);
        fs::remove(errors, ignored);
        const std::vector<std::pair<std::string, std::optional<std::string>>> environment = {
            {"GEAR_STUB_LOG", utf8(log)},
            {"GEARCALC_LAUNCHER_MESSAGE_LOG", utf8(log)},
            {"XDG_CONFIG_HOME", setup.settingsUnderHome ? std::nullopt : std::optional(utf8(root / "config"))},
            {"HOME", utf8(setup.settingsUnderHome ? root / "home" : root / "no-home")},
            // The product build would show a dialog on a desktop.
            {"DISPLAY", std::nullopt},
            {"WAYLAND_DISPLAY", std::nullopt},
        };
        Result result;
        result.exitCode = start(program, errors, environment, setup);
        // Sanitizer notes ("==pid==...") are not the launcher's output.
        std::istringstream lines(readFile(errors));
        for (std::string line; std::getline(lines, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back(); // Windows text mode
            if (line.rfind("==", 0) != 0) result.stderrText += line + "\n";
        }
        result.log = readLines(log);
        return result;
    }

    const fs::path root;
    UserSettings settings;

private:
#ifdef _WIN32
    long long start(const fs::path& program, const fs::path& errors,
                    const std::vector<std::pair<std::string, std::optional<std::string>>>& environment, const RunSetup&) const
    {
        for (const auto& [name, value] : environment) {
            const std::wstring wideName = fromUtf8(name).wstring();
            ::SetEnvironmentVariableW(wideName.c_str(), value ? fromUtf8(*value).wstring().c_str() : nullptr);
        }
        SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        HANDLE errorFile = ::CreateFileW(errors.wstring().c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = nullptr;
        startup.hStdOutput = errorFile;
        startup.hStdError = errorFile;
        // CreateProcessW takes a path longer than MAX_PATH only in its
        // extended form.
        const std::wstring application = program.wstring().size() < MAX_PATH ? program.wstring() : extended(program);
        std::wstring commandLine = L"\"" + application + L"\"";
        PROCESS_INFORMATION process{};
        const std::wstring folder = root.wstring();
        const BOOL started = ::CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                              folder.c_str(), &startup, &process);
        ::CloseHandle(errorFile);
        if (!started) {
            check(false, "cannot start " + utf8(program) + " (error " + std::to_string(::GetLastError()) + ")");
            return -1000;
        }
        DWORD code = 0;
        if (::WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) {
            ::TerminateProcess(process.hProcess, 1);
            check(false, "the launcher did not end within a minute");
        }
        ::GetExitCodeProcess(process.hProcess, &code);
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
        return code;
    }
#else
    long long start(const fs::path& program, const fs::path& errors,
                    const std::vector<std::pair<std::string, std::optional<std::string>>>& environment, const RunSetup& setup) const
    {
        const pid_t child = ::fork();
        if (child == 0) {
            const int err = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int null = ::open("/dev/null", O_RDWR);
            if (err < 0 || null < 0) ::_exit(120);
            ::dup2(null, 0);
            ::dup2(null, 1);
            ::dup2(err, 2);
            for (const auto& [name, value] : environment) {
                if (value)
                    ::setenv(name.c_str(), value->c_str(), 1);
                else
                    ::unsetenv(name.c_str());
            }
            const bool moved = setup.folderFd >= 0 ? ::fchdir(setup.folderFd) == 0 : ::chdir(root.c_str()) == 0;
            if (!moved) ::_exit(121);
            const std::string path = setup.folderFd >= 0 ? std::string("./") + kProgramName : program.string();
            char* const argv[] = {const_cast<char*>(path.c_str()), nullptr};
            ::execv(path.c_str(), argv);
            ::_exit(122);
        }
        if (child < 0) {
            check(false, "cannot fork");
            return -1000;
        }
        int status = 0;
        for (int waited = 0;; ++waited) {
            const pid_t done = ::waitpid(child, &status, WNOHANG);
            if (done == child) break;
            if (waited == 6000) { // a minute
                ::kill(child, SIGKILL);
                ::waitpid(child, &status, 0);
                check(false, "the launcher did not end within a minute");
                break;
            }
            const timespec pause{0, 10'000'000};
            ::nanosleep(&pause, nullptr);
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
    }
#endif

    const Options& options_;
};

std::string describe(const Result& result)
{
    return "exit code " + std::to_string(result.exitCode) + ", standard error \"" + result.stderrText + "\", log:\n" +
           joined(result.log);
}

// What a start routine that got the right image records.
std::string startLine(const fs::path& image)
{
    const std::string bytes = readFile(image);
    unsigned long long hash = 14695981039346656037ull;
    for (unsigned char c : bytes) hash = (hash ^ c) * 1099511628211ull;
    char line[160];
    std::snprintf(line, sizeof line, "start aligned=1 same=1 size=%llu fnv=%016llx", static_cast<unsigned long long>(bytes.size()),
                  hash);
    return line;
}

void expectStarted(const Result& result, const fs::path& runtime, const Options& options, const std::string& what)
{
    std::vector<std::string> expected = {"load " + utf8(runtime), "entry 1000", startLine(options.image)};
#ifndef _WIN32
    expected.push_back("unload"); // at the end of the process
#endif
    check(result.exitCode == 0 && result.stderrText.empty() && sameLog(result.log, expected),
          what + ": expected a start through " + utf8(runtime) + " and exit code 0, got " + describe(result) + "  expected log:\n" +
              joined(expected));
}

void expectFailure(const Result& result, std::vector<std::string> before, const std::string& what)
{
    // The log holds the message line by line, the first one marked.
    std::istringstream message(std::string("message ") + kFailureText);
    for (std::string line; std::getline(message, line);) before.push_back(line);
    check(result.exitCode == kFailureExitCode && result.stderrText == std::string(kFailureText) + "\n" && sameLog(result.log, before),
          what + ": expected the failure message and exit code " + std::to_string(kFailureExitCode) + ", got " + describe(result) +
              "  expected log:\n" + joined(before));
}

// A folder name of `length` characters with spaces and dots in it.
std::string longName(char tag, std::size_t length)
{
    std::string name = std::string(1, tag) + " gear.folder";
    while (name.size() < length) name += name.size() % 10 == 0 ? '.' : static_cast<char>('a' + name.size() % 26);
    name.resize(length);
    // Windows drops a trailing dot or space from a path's folder names, so
    // a name must end in a letter to stay the name it was created as.
    if (name.back() == '.' || name.back() == ' ') name.back() = 'z';
    return name;
}

using CaseBody = std::function<void(const Options&, Sandbox&)>;

const std::map<std::string, CaseBody>& cases()
{
    static const std::map<std::string, CaseBody> all = {
        {"beside",
         [](const Options& o, Sandbox& s) {
             const fs::path program = s.placeProgram(s.root / "app");
             s.placeRuntime(o.stubStart, s.root / "app" / "tavrn.vlr");
             // A working runtime is registered as well: the one beside the
             // program wins. The install folder's file name beside the
             // program is not a runtime.
             s.placeRuntime(o.stubStart, s.root / "app" / "tavrn.vle");
             s.placeRuntime(o.stubStart, s.root / "install" / "tavrn.vle");
             s.settings.setInstallPath(utf8(s.root / "install"));
             expectStarted(s.run(program), s.root / "app" / "tavrn.vlr", o, "runtime beside the program");
         }},
        {"registered",
         [](const Options& o, Sandbox& s) {
             const fs::path program = s.placeProgram(s.root / "app");
             s.placeRuntime(o.stubStart, s.root / "app" / "tavrn.vle");
             s.placeRuntime(o.stubStart, s.root / "install" / "tavrn.vlr");
             s.placeRuntime(o.stubStart, s.root / "install" / "tavrn.vle");
             s.settings.setInstallPath(utf8(s.root / "install"));
             expectStarted(s.run(program), s.root / "install" / "tavrn.vle", o, "registered path without a trailing separator");
             s.settings.setInstallPath(utf8(s.root / "install") + kSeparator);
             expectStarted(s.run(program), s.root / "install" / "tavrn.vle", o, "registered path with a trailing separator");
         }},
        {"registered_under_home",
         [](const Options& o, Sandbox& s) {
             const fs::path program = s.placeProgram(s.root / "app");
             s.placeRuntime(o.stubStart, s.root / "install" / "tavrn.vle");
             UserSettings(s.root / "home" / ".config").setInstallPath(utf8(s.root / "install"));
             RunSetup setup;
             setup.settingsUnderHome = true;
             expectStarted(s.run(program, setup), s.root / "install" / "tavrn.vle", o, "settings under $HOME/.config");
         }},
        {"no_key",
         [](const Options& o, Sandbox& s) {
             const fs::path program = s.placeProgram(s.root / "app");
             s.placeRuntime(o.stubStart, s.root / "install" / "tavrn.vle");
             expectFailure(s.run(program), {}, "no runtime beside the program and no registered key");
         }},
        {"no_value",
         [](const Options& o, Sandbox& s) {
             const fs::path program = s.placeProgram(s.root / "app");
             s.placeRuntime(o.stubStart, s.root / "install" / "tavrn.vle");
             s.settings.setKeyWithoutPath();
             expectFailure(s.run(program), {}, "registered key without a Path value");
             s.settings.setInstallPath("");
             expectFailure(s.run(program), {}, "empty Path value");
         }},
        {"registered_without_runtime",
         [](const Options& o, Sandbox& s) {
             const fs::path program = s.placeProgram(s.root / "app");
             s.placeRuntime(o.stubStart, s.root / "install" / "tavrn.vlr");
             s.settings.setInstallPath(utf8(s.root / "install"));
             expectFailure(s.run(program), {}, "registered folder without tavrn.vle");
         }},
        {"missing_entry",
         [](const Options& o, Sandbox& s) {
             const fs::path program = s.placeProgram(s.root / "app");
             s.placeRuntime(o.stubNoEntry, s.root / "app" / "tavrn.vlr");
             expectFailure(s.run(program), {"load " + utf8(s.root / "app" / "tavrn.vlr"), "unload"},
                           "runtime without GetNewSock (released before the message)");
         }},
        {"entry_refuses",
         [](const Options& o, Sandbox& s) {
             const fs::path program = s.placeProgram(s.root / "app");
             s.placeRuntime(o.stubRefuse, s.root / "app" / "tavrn.vlr");
             expectFailure(s.run(program), {"load " + utf8(s.root / "app" / "tavrn.vlr"), "entry 1000", "unload"},
                           "GetNewSock returning 0 (released before the message)");
             s.placeRuntime(o.stubRefuse, s.root / "install" / "tavrn.vle");
             fs::remove(s.root / "app" / "tavrn.vlr");
             s.settings.setInstallPath(utf8(s.root / "install"));
             expectFailure(s.run(program), {"load " + utf8(s.root / "install" / "tavrn.vle"), "entry 1000", "unload"},
                           "registered runtime whose GetNewSock returns 0");
         }},
        {"dots_and_spaces",
         [](const Options& o, Sandbox& s) {
             const fs::path app = s.root / "Gear Tools v1.2" / "calc.app dir";
             const fs::path install = s.root / "Install Dir.v5 x";
             const fs::path program = s.placeProgram(app);
             s.placeRuntime(o.stubStart, install / "tavrn.vle");
             s.settings.setInstallPath(utf8(install));
             expectStarted(s.run(program), install / "tavrn.vle", o, "registered folder with dots and spaces");
             s.placeRuntime(o.stubStart, app / "tavrn.vlr");
             expectStarted(s.run(program), app / "tavrn.vlr", o, "program folder with dots and spaces");
         }},
        {"long_program_path",
         [](const Options& o, Sandbox& s) {
             // Longer than 128 characters (and on POSIX longer than 260): a
             // path cut at a limit names one of the folders above, each of
             // which holds a runtime that must not be loaded. Windows starts
             // no program from a path of MAX_PATH or more.
#ifdef _WIN32
             const std::size_t length = 250;
#else
             const std::size_t length = 400;
#endif
             const std::size_t fixed = utf8(s.root).size() + std::strlen(kProgramName) + 4;
             check(fixed + 3 * 10 < length, "the work folder leaves room for a long program path");
             const std::size_t each = fixed + 3 * 10 < length ? (length - fixed) / 3 : 10;
             fs::path folder = s.root;
             for (char tag : {'a', 'b', 'c'}) {
                 s.placeRuntime(o.stubStart, folder / "tavrn.vlr");
                 folder /= longName(tag, each);
             }
             const fs::path program = s.placeProgram(folder);
             s.placeRuntime(o.stubStart, folder / "tavrn.vlr");
             check(utf8(program).size() > 128, "the program path is longer than 128 characters");
             expectStarted(s.run(program), folder / "tavrn.vlr", o, "program in a folder with a long path");
         }},
        {"long_registered_path",
         [](const Options& o, Sandbox& s) {
             const fs::path program = s.placeProgram(s.root / "app");
             fs::path folder = s.root;
             for (char tag : {'a', 'b', 'c'}) {
                 s.placeRuntime(o.stubStart, folder / "tavrn.vle");
                 folder /= longName(tag, 120);
             }
             s.placeRuntime(o.stubStart, folder / "tavrn.vle");
             s.settings.setInstallPath(utf8(folder));
             check(utf8(folder).size() > 259, "the registered path is longer than 259 bytes");
             expectStarted(s.run(program), folder / "tavrn.vle", o, "registered path longer than 259 bytes");
         }},
        {"damaged_beside",
         [](const Options& o, Sandbox& s) {
             // What lies beside the program under the runtime's name but is
             // no loadable library is refused before the system's loader
             // sees it: the failure message, never a crash.
             const fs::path program = s.placeProgram(s.root / "app");
             const fs::path runtime = s.root / "app" / "tavrn.vlr";
             const std::string stub = readFile(o.stubStart);
             const std::vector<std::pair<std::string, std::string>> damaged = {
                 {"a library cut to half its size", stub.substr(0, stub.size() / 2)},
#ifndef _WIN32
                 // (Windows' loader needs no byte of a DLL's trailing symbol table.)
                 {"a library missing its last byte", stub.substr(0, stub.size() - 1)},
#endif
                 {"a library cut inside its headers", stub.substr(0, 100)},
                 {"an empty file", ""},
                 {"a text file", "not a library\n"},
#ifdef _WIN32
                 // The machine field of the PE header changed to 32-bit x86.
                 {"a library for another machine",
                  [&] {
                      std::string bytes = stub;
                      const std::size_t pe = static_cast<unsigned char>(bytes[0x3C]) | static_cast<unsigned char>(bytes[0x3D]) << 8;
                      bytes[pe + 4] = '\x4C';
                      bytes[pe + 5] = '\x01';
                      return bytes;
                  }()},
#else
                 // e_machine changed to 32-bit x86.
                 {"a library for another machine", [&] { std::string b = stub; b[18] = 3; b[19] = 0; return b; }()},
#endif
             };
             for (const auto& [what, bytes] : damaged) {
                 writeFile(runtime, bytes);
                 expectFailure(s.run(program), {}, what + " beside the program");
             }
             fs::remove(runtime);
             fs::create_directories(runtime);
             expectFailure(s.run(program), {}, "a folder named tavrn.vlr beside the program");
             fs::remove(runtime);
             // A damaged runtime beside the program is no runtime: the
             // registered one is loaded as when there is none.
             writeFile(runtime, stub.substr(0, stub.size() / 2));
             s.placeRuntime(o.stubStart, s.root / "install" / "tavrn.vle");
             s.settings.setInstallPath(utf8(s.root / "install"));
             expectStarted(s.run(program), s.root / "install" / "tavrn.vle", o, "damaged runtime beside, sound one registered");
             writeFile(s.root / "install" / "tavrn.vle", stub.substr(0, stub.size() / 2));
             fs::remove(runtime);
             expectFailure(s.run(program), {}, "damaged runtime in the registered folder");
         }},
#ifdef _WIN32
        {"version_record",
         [](const Options& o, Sandbox&) {
             // The executable carries the product's icon and version record.
             const std::wstring exe = fs::absolute(o.launcher).wstring();
             DWORD ignored = 0;
             const DWORD size = ::GetFileVersionInfoSizeW(exe.c_str(), &ignored);
             check(size > 0, "the executable has no version record");
             if (size == 0) return;
             std::vector<char> info(size);
             check(::GetFileVersionInfoW(exe.c_str(), 0, size, info.data()) != 0, "cannot read the version record");
             VS_FIXEDFILEINFO* fixed = nullptr;
             UINT length = 0;
             check(::VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) != 0 && fixed,
                   "the version record has no fixed part");
             if (fixed) {
                 check(fixed->dwFileVersionMS == 0x00010000 && fixed->dwFileVersionLS == 0, "file version is not 1.0.0.0");
                 check(fixed->dwProductVersionMS == 0x00010000 && fixed->dwProductVersionLS == 0,
                       "product version is not 1.0.0.0");
             }
             wchar_t* name = nullptr;
             check(::VerQueryValueW(info.data(), L"\\StringFileInfo\\080404B0\\ProductName",
                                    reinterpret_cast<void**>(&name), &length) != 0 &&
                       name && std::wstring(name) == L"ZKD-KESTAL \u9F7F\u8F6E\u53C2\u6570\u8BA1\u7B97",
                   "the product name is not ZKD-KESTAL 齿轮参数计算");
             wchar_t* company = nullptr;
             check(::VerQueryValueW(info.data(), L"\\StringFileInfo\\080404B0\\CompanyName",
                                    reinterpret_cast<void**>(&company), &length) != 0 &&
                       company && std::wstring(company) == L"ZKD-KESTAL",
                   "the company name is not ZKD-KESTAL");
             const HMODULE module = ::LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
             check(module && ::FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14)) != nullptr,
                   "the executable has no icon"); // 14: RT_GROUP_ICON
             if (module) ::FreeLibrary(module);
         }},
#endif
#ifndef _WIN32
        {"fifo_beside",
         [](const Options&, Sandbox& s) {
             // A FIFO never reaches the system's loader, whose open would
             // wait for a writer for ever.
             const fs::path program = s.placeProgram(s.root / "app");
             check(::mkfifo((s.root / "app" / "tavrn.vlr").c_str(), 0644) == 0, "cannot make the FIFO");
             expectFailure(s.run(program), {}, "a FIFO named tavrn.vlr beside the program");
         }},
        {"beyond_path_limit",
         [](const Options& o, Sandbox& s) {
             // A program folder deeper than PATH_MAX: its path cannot be read
             // or opened in full, so the launcher must fail instead of loading
             // a runtime from a folder above it. Built folder by folder.
             const std::string launcher = readFile(o.launcher);
             const std::string stub = readFile(o.stubStart);
             auto put = [](int folder, const char* name, const std::string& bytes) {
                 const int fd = ::openat(folder, name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0755);
                 const bool ok = fd >= 0 && ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
                 if (fd >= 0) ::close(fd);
                 check(ok, std::string("cannot write ") + name);
             };
             int folder = ::open(s.root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
             std::size_t length = utf8(s.root).size();
             for (char tag = 'a'; length <= 4096 + 400; ++tag) {
                 put(folder, "tavrn.vlr", stub);
                 const std::string name = longName(tag, 200);
                 ::mkdirat(folder, name.c_str(), 0755);
                 const int inner = ::openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
                 ::close(folder);
                 folder = inner;
                 length += 1 + name.size();
                 if (folder < 0) break;
             }
             check(folder >= 0, "cannot build the deep folder");
             if (folder < 0) return;
             put(folder, kProgramName, launcher);
             put(folder, "tavrn.vlr", stub);
             RunSetup setup;
             setup.folderFd = folder;
             expectFailure(s.run(s.root, setup), {}, "program folder deeper than PATH_MAX");
             ::close(folder);
         }},
#endif
    };
    return all;
}

std::optional<Options> parse(int argc, char** argv)
{
    Options options;
    const std::map<std::string, fs::path*> paths = {
        {"--launcher", &options.launcher},    {"--stub-start", &options.stubStart}, {"--stub-refuse", &options.stubRefuse},
        {"--stub-noentry", &options.stubNoEntry}, {"--image", &options.image},       {"--work", &options.work},
    };
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string flag = argv[i];
        if (flag == "--case")
            options.caseName = argv[i + 1];
        else if (auto found = paths.find(flag); found != paths.end())
            *found->second = fromHostPath(argv[i + 1]);
        else
            return std::nullopt;
    }
    for (const auto& [flag, path] : paths)
        if (path->empty()) return std::nullopt;
    if (options.caseName.empty()) return std::nullopt;
    return options;
}

} // namespace

int main(int argc, char** argv)
{
    const std::optional<Options> options = parse(argc, argv);
    if (!options) {
        std::cerr << "usage: launcher_cases --case NAME --launcher EXE --stub-start LIB --stub-refuse LIB --stub-noentry LIB"
                     " --image FILE --work DIR\ncases:";
        for (const auto& [name, body] : cases()) std::cerr << ' ' << name;
        std::cerr << '\n';
        return 2;
    }
    const auto found = cases().find(options->caseName);
    if (found == cases().end()) {
        std::cerr << "unknown case " << options->caseName << '\n';
        return 2;
    }
    {
        Sandbox sandbox(*options);
        found->second(*options, sandbox);
    }
    std::cout << options->caseName << ": " << (failures == 0 ? "passed" : "FAILED") << '\n';
    return failures == 0 ? 0 : 1;
}
