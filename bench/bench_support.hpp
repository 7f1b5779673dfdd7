// Helpers the benchmarks share: a scratch folder removed at exit and the
// size of the generated item catalogue.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include <stdlib.h>

namespace bench {

// A fresh folder under the system's temporary folder; `path` is empty when
// it could not be made.
class ScratchFolder {
public:
    explicit ScratchFolder(const char* prefix)
    {
        std::string pattern = (std::filesystem::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
        if (::mkdtemp(pattern.data())) path = pattern;
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        if (!path.empty()) std::filesystem::remove_all(path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::filesystem::path path;
};

// Records in the generated item catalogue: 1,000,000, or
// GEARCALC_BENCH_RECORDS for a quick run.
inline std::size_t itemRecordCount()
{
    const char* env = std::getenv("GEARCALC_BENCH_RECORDS");
    return env ? std::strtoull(env, nullptr, 10) : 1'000'000;
}

} // namespace bench
