// The POSIX platform layer, and the pieces of it that tests reach directly.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace gearlaunch::posix {

// The folder of per-user settings: $XDG_CONFIG_HOME when it is an absolute
// path, else $HOME/.config. Nothing when neither is usable.
std::optional<std::string> userConfigFolder(const char* xdgConfigHome, const char* home);

// The file that stands for the registry key `key` (Windows notation, under
// the current user) in `configFolder`: a leading "Software\" is dropped, the
// remaining key names become folders and the last one a file with the
// extension ".conf". "Software\Brakon\Vela\Install" becomes
// "<configFolder>/Brakon/Vela/Install.conf". Nothing for a key that names no
// file (empty names, "." or "..").
std::optional<std::string> settingsFileFor(const std::string& configFolder, std::string_view key);

// The value `name` in the text of a settings file: lines "name=value";
// names compare without regard to ASCII case, blanks around names and values
// are ignored, and so are empty lines, comment lines starting with '#' or ';'
// and section lines starting with '['. The first line naming `name` counts.
std::optional<std::string> findSettingsValue(std::string_view content, std::string_view name);

} // namespace gearlaunch::posix
