// A scratch folder of the fuzzing process, for targets whose code under
// test reads files: on /dev/shm when there is one, so that each input costs
// no disk write.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include <unistd.h>

namespace fuzz {

inline const std::filesystem::path& scratchFolder()
{
    static const std::filesystem::path folder = [] {
        std::error_code ec;
        const std::filesystem::path base =
            std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path(ec);
        std::filesystem::path f = base / ("gearcalc-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(f, ec);
        return f;
    }();
    return folder;
}

// Removes the scratch folder when the process ends.
struct ScratchCleanup {
    ~ScratchCleanup()
    {
        std::error_code ec;
        std::filesystem::remove_all(scratchFolder(), ec);
    }
};

inline std::string scratchFile(const std::string& name)
{
    // The folder's name is made first, so that it is destroyed after the
    // cleanup that still needs it at exit.
    const std::filesystem::path& folder = scratchFolder();
    static ScratchCleanup cleanup;
    return (folder / name).string();
}

inline void writeFile(const std::string& path, std::string_view bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

} // namespace fuzz
