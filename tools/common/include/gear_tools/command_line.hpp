// The command-line tools' arguments, the same on every system: read as
// UTF-8 (on Windows from the wide command line), and parsed with CLI11
// without Windows-style "/option" switches, so that a path such as
// /tmp/gear.img stays a path.
#pragma once

#include <gearplat/text_files.hpp>

#include <CLI/CLI.hpp>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace gear_tools {

// Nothing when the tool goes on; else the exit status CLI11 chose (after
// printing the help or the usage error).
inline void withoutWindowsStyleOptions(CLI::App& app)
{
    app.allow_windows_style_options(false);
    // Subcommands took the setting when they were made.
    for (CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; })) withoutWindowsStyleOptions(*sub);
}

inline std::optional<int> parseArguments(CLI::App& app, int argc, char** argv)
{
    withoutWindowsStyleOptions(app);
    std::vector<std::string> args = gearplat::utf8Arguments(argc, argv);
    if (!args.empty()) args.erase(args.begin());
    std::reverse(args.begin(), args.end()); // CLI11 takes them last first
    try {
        app.parse(args);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    }
    return std::nullopt;
}

} // namespace gear_tools
