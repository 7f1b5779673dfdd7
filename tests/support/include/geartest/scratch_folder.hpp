// A fresh folder for a test's files under the system's temporary folder,
// on every system (POSIX mkdtemp does not exist on Windows).
#pragma once

#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <system_error>

namespace geartest {

// Makes "<temp>/<prefix>-<random>" and answers its path; throws when no
// fresh name could be made.
inline std::filesystem::path makeScratchFolder(const std::string& prefix)
{
    static std::mt19937_64 random{std::random_device{}()};
    static constexpr char digits[] = "0123456789abcdef";
    const std::filesystem::path temp = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = prefix + "-";
        for (std::uint64_t bits = random(), k = 0; k < 12; ++k, bits >>= 4) name += digits[bits & 15];
        std::error_code ec;
        // false: the name exists already, try another.
        if (std::filesystem::create_directory(temp / name, ec)) return temp / name;
        if (ec) break;
    }
    throw std::runtime_error("cannot make a scratch folder in " + temp.string());
}

} // namespace geartest
