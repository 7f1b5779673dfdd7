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
    std::vector<gr_control_ref> controls; // the resolved control table
    std::vector<double> numbers;          // number constants by constant index (NaN elsewhere)
    std::unique_ptr<bool[]> is_number;    // which constants are numbers
    std::vector<LibraryCall> library_calls;
    ProgramDescription description;     // points into the members above
};

struct LoadResult {
    std::unique_ptr<LoadedProgram> program; // null on failure
    std::string error;                      // why loading failed
};

struct LoadOptions {
    // Where support libraries are looked for; empty skips that check (the
    // command line and tests load the style library lazily).
    std::string library_folder;
    // Gives the window and every element new identities, counting up from
    // these (the words the @reloc1 identity group lists are rewritten in the
    // resolved tables and the form). Zero keeps the image's own numbers.
    uint32_t window_base = 0;
    uint32_t element_base = 0;
};

LoadResult loadProgram(std::span<const uint8_t> bytes, RoutineLookup lookup, const LoadOptions& options);

} // namespace gr
