// Input files named on a command line: anything a user types may be a
// folder, a FIFO, a device, unreadable, or gone by the time it is read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

namespace gear_tools {

// What a path names, without opening it for reading (a FIFO would block).
enum class PathKind { Missing, RegularFile, Folder, Special, Unknown };

// The kind of `path`, symbolic links followed.
PathKind pathKind(const std::string& path);

// Reads the whole of the regular file `path` into `bytes`. Anything else
// (a folder, a FIFO, a device, a socket) is refused without waiting on it,
// as is a file larger than `max_size` bytes. Returns an empty string, or
// what went wrong in words that name the path, e.g. "x.csv is a folder, not
// a file".
std::string readRegularFile(const std::string& path, std::string& bytes,
                            std::size_t max_size = std::numeric_limits<std::size_t>::max());

// Why a path that is not a regular file cannot be read as one ("is a
// folder, not a file", "is a FIFO or a device, not a regular file"), or an
// empty string for a regular file.
std::string notARegularFile(const std::string& path);

} // namespace gear_tools
