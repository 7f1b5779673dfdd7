// The launcher's main routine, written once against a small platform layer.
// It finds the runtime library (beside the program, else in the folder
// registered for the current user), asks it for its start routine and hands
// that routine the program image.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace gearlaunch {

inline constexpr char kBesideRuntimeName[] = "tavrn.vlr";
inline constexpr char kInstalledRuntimeName[] = "tavrn.vle";
inline constexpr char kInstallKey[] = "Software\\Brakon\\Vela\\Install";
inline constexpr char kInstallValue[] = "Path";
// The failure message: what went wrong and what to do, in Chinese and then
// in English (UTF-8). Most often the program was started from inside a zip
// file, whose other files Windows does not extract.
#ifdef _WIN32
inline constexpr char kFailureText[] =
    "找不到运行库 tavrn.vlr，或运行库无效！请先解压 zip 压缩包中的全部文件，再运行解压出的 gearcalc.exe"
    "（tavrn.vlr 须与它在同一文件夹中）。\n\n"
    "Not found the kernel library or the kernel library is invalid! Extract all files of the zip first, then run "
    "gearcalc.exe from the extracted folder (tavrn.vlr must be in the same folder).";
#else
inline constexpr char kFailureText[] =
    "找不到运行库 tavrn.vlr，或运行库无效！请重新安装本程序（tavrn.vlr 须与 gearcalc 在同一文件夹中）。\n\n"
    "Not found the kernel library or the kernel library is invalid! Reinstall the program (tavrn.vlr must be "
    "in the same folder as gearcalc).";
#endif
inline constexpr char kFailureCaption[] = "Error";
inline constexpr int kFailureExitCode = -1;

using LibraryHandle = void*;
// Any exported function; cast to its real type before calling it.
using AnyFunction = void (*)();

// Everything the main routine needs from the operating system.
// Texts are UTF-8 (on Windows the layer converts to and from UTF-16).
class Platform {
public:
    virtual ~Platform() = default;

    // The separator appended to folder names.
    virtual char separator() const = 0;
    // Whether `c` ends a folder name in a path (Windows accepts both slashes).
    virtual bool isSeparator(char c) const { return c == separator(); }

    // The full path of the running executable; nothing when it cannot be
    // read completely (a truncated path would name the wrong folder).
    virtual std::optional<std::string> executablePath() = 0;

    // 0 when the library cannot be loaded.
    virtual LibraryHandle loadLibrary(const std::string& path) = 0;
    virtual AnyFunction findFunction(LibraryHandle library, const char* name) = 0;
    virtual void freeLibrary(LibraryHandle library) = 0;

    // The text value `name` of the current user's settings key `key`;
    // nothing when the key or the value does not exist or cannot be read.
    virtual std::optional<std::string> readUserValue(const char* key, const char* name) = 0;

    // Tells the user that the launch failed (standard error, and a dialog
    // where the platform has one).
    virtual void reportFailure(const char* text, const char* caption) = 0;
};

// The folder part of `path` up to and including its last separator; nothing
// when the path has no separator.
std::optional<std::string> folderOf(const std::string& path, const Platform& platform);

// `folder` with a separator appended unless it already ends with one.
std::string withTrailingSeparator(std::string folder, const Platform& platform);

// The main routine. Returns the process exit code: 0 after the runtime's
// start routine returned, kFailureExitCode after the failure was reported.
// On success the runtime library stays loaded for the life of the process.
int runLauncher(Platform& platform, const void* image);

// The platform layer of the system the launcher is built for.
std::unique_ptr<Platform> makeNativePlatform();

} // namespace gearlaunch
