// gearcalc-report run as a child process, and its JSON lines.
#pragma once

#include "child_process.hpp"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

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

inline std::vector<Json> jsonLines(const std::string& out)
{
    std::vector<Json> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) lines.push_back(Json::parse(line));
    return lines;
}

} // namespace report_cli
