// The command-line tools as a user runs them: a child process with
// arguments, its standard output, standard error and exit status, and a
// scratch folder for its files.
#pragma once

#include <geartest/run_program.hpp>
#include <geartest/scratch_folder.hpp>

#ifndef _WIN32
#include <unistd.h>
#endif

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace child_process {

namespace fs = std::filesystem;

class TempFolder {
public:
    TempFolder() : path_(geartest::makeScratchFolder("gearcalc-tool-test")) {}
    ~TempFolder()
    {
        std::error_code ec;
        // Tests make files unreadable and folders unwritable: give them back first.
        for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::recursive_directory_iterator();
             it.increment(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    std::string path() const { return path_.string(); }

private:
    fs::path path_;
};

inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void writeFile(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

using Outcome = geartest::ProgramRun;

// Whether the tests run as root, for whom permission bits do not hold.
inline bool runningAsRoot()
{
#ifdef _WIN32
    return false;
#else
    return ::geteuid() == 0;
#endif
}

// Runs `program` with `args`. Standard output goes to `stdout_path` when
// given (e.g. "/dev/full"), else it is captured. A child that has not ended
// after `timeout` is killed: a hang shows as status -1, not as a stuck test.
inline Outcome runChild(const std::string& program, const std::vector<std::string>& args,
                        const std::string& stdout_path = {},
                        std::chrono::seconds timeout = std::chrono::seconds(60))
{
    TempFolder scratch;
    return geartest::runProgram(program, args, scratch.path(), stdout_path, timeout);
}

} // namespace child_process
