// gearcalc-report run as a child process, and its JSON lines.
#pragma once

#include "child_process.hpp"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace report_cli {

using namespace child_process;
using Json = nlohmann::json;

// Runs gearcalc-report with `args`; output is captured through files.
inline Outcome report(const std::vector<std::string>& args, const std::string& stdout_path = {})
{
    return runChild(GEARCALC_REPORT, args, stdout_path);
}

// The standard output of a shell command.
inline std::string commandOutput(const std::string& command)
{
    std::string text;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
        ::pclose(pipe);
    }
    return text;
}

inline std::vector<Json> jsonLines(const std::string& out)
{
    std::vector<Json> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) lines.push_back(Json::parse(line));
    return lines;
}

} // namespace report_cli
