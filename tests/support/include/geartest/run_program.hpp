// Runs a program as a child process, the way a user's shell would, and
// collects what it wrote: for tests of the command-line tools on every
// system.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace geartest {

struct ProgramRun {
    int status = -1; // exit status; 128 + signal when a signal ended it
    std::string out; // standard output, byte for byte
    std::string err; // standard error
};

// Runs `program` (a path) with `args` (UTF-8), with empty standard input;
// its output goes through files in `scratch`. Throws when it cannot start.
ProgramRun runProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::filesystem::path& scratch);

} // namespace geartest
