#include <gearlaunch/launcher.hpp>

#include <gearlaunch/runtime_entry.h>

#include <gearplat/platform.hpp>

#include <cstring>

namespace gearlaunch {

std::optional<std::string> folderOf(const std::string& path, const Platform& platform)
{
    return gearplat::folderOf(path, [&platform](char c) { return platform.isSeparator(c); });
}

std::string withTrailingSeparator(std::string folder, const Platform& platform)
{
    if (folder.empty() || !platform.isSeparator(folder.back())) folder += platform.separator();
    return folder;
}

namespace {

// The runtime beside the program, else the one in the registered install
// folder. The registry is read only when there is none beside the program.
LibraryHandle loadRuntime(Platform& platform)
{
    // Without the program's own folder we cannot tell whether a runtime lies
    // beside it, and that one must win over the registered one: give up.
    const std::optional<std::string> program = platform.executablePath();
    if (!program) return nullptr;
    const std::optional<std::string> folder = folderOf(*program, platform);
    if (!folder) return nullptr;

    if (LibraryHandle beside = platform.loadLibrary(*folder + kBesideRuntimeName)) return beside;

    std::optional<std::string> installed = platform.readUserValue(kInstallKey, kInstallValue);
    if (!installed) return nullptr;
    // The value is a text: whatever follows an embedded NUL is not part of it.
    installed->resize(std::strlen(installed->c_str()));
    // An empty value registers no folder (appending a separator would point
    // at the file system's root).
    if (installed->empty()) return nullptr;
    return platform.loadLibrary(withTrailingSeparator(std::move(*installed), platform) + kInstalledRuntimeName);
}

int fail(Platform& platform)
{
    platform.reportFailure(kFailureText, kFailureCaption);
    return kFailureExitCode;
}

} // namespace

int runLauncher(Platform& platform, const void* image)
{
    LibraryHandle runtime = loadRuntime(platform);
    if (runtime == nullptr) return fail(platform);

    const auto entry = reinterpret_cast<gear_runtime_entry>(platform.findFunction(runtime, GEAR_RUNTIME_ENTRY_NAME));
    if (entry == nullptr) {
        platform.freeLibrary(runtime);
        return fail(platform);
    }
    const gear_start_routine start = entry(GEAR_RUNTIME_ENTRY_KEY);
    if (start == nullptr) {
        platform.freeLibrary(runtime);
        return fail(platform);
    }
    // The runtime usually ends the process itself through its exit service;
    // nothing of the launcher's is left on the heap by now.
    start(image);
    return 0;
}

} // namespace gearlaunch
