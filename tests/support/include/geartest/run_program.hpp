// Runs a program as a child process, the way a user's shell would, and
// collects what it wrote: for tests of the command-line tools on every
// system.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace geartest {

struct ProgramRun {
    int status = -1; // exit status; 128 + signal when a signal ended it; -1 when it had to be killed
    std::string out; // standard output, byte for byte
    std::string err; // standard error
};

// Runs `program` (a path) with `args` (UTF-8), with empty standard input;
// its output goes through files in `scratch`, standard output to
// `stdout_path` instead when given (it is then not collected). A program
// that has not ended after `timeout` is killed: a hang shows as status -1,
// not as a stuck test. Throws when it cannot start.
ProgramRun runProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::filesystem::path& scratch, const std::filesystem::path& stdout_path = {},
                      std::chrono::seconds timeout = std::chrono::seconds(60));

} // namespace geartest
