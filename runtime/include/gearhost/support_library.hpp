// Opening and checking a support library (such as the visual-style library)
// the program lists: "<folder>/<name>.vlr", whose entry must answer a table
// of this interface version with the listed name and major version. The
// program loader checks every listed library this way before the program
// starts; the host opens them this way when the program first calls one.
#pragma once

#include <gearplat/platform.hpp>
#include <gearrt/library.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace gr {

struct SupportLibrary {
    gearplat::Library library;
    const gr_library_info* info = nullptr; // null when it could not be used
    std::string path;
    std::string error; // why it could not be used (empty when it can)
};

// The library's file name for a listed name.
std::string supportLibraryPath(const std::string& folder, std::string_view name);

SupportLibrary openSupportLibrary(const std::string& folder, std::string_view name, uint32_t major, uint32_t minor);

} // namespace gr
