// Loads a program from its image: verifies the image, checks that the
// support libraries it lists are present in the runtime's folder, binds each
// routine to the program's native entry by name, and resolves the constant
// table into texts. The result describes the program to a Host.
#pragma once

#include <gearimg/image.hpp>
#include <gearrt/program.hpp>

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace gr {

struct LoadedProgram {
    image::Image image;                 // the verified image, with the form to build
    std::vector<RoutineEntry> routines; // bound routines, by index
    std::vector<std::string> constants; // the constant table as texts
    ProgramDescription description;     // points into the members above
};

struct LoadResult {
    std::unique_ptr<LoadedProgram> program; // null on failure
    std::string error;                      // why loading failed
};

// `library_folder` is where support libraries are looked for; empty skips
// that check (the command line and tests load the style library lazily).
LoadResult loadProgram(std::span<const uint8_t> bytes, RoutineLookup lookup, const std::string& library_folder);

} // namespace gr
