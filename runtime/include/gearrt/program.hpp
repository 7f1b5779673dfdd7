// How a program describes itself to the runtime: its window's form
// description and its routines. Event bindings in the form name routines
// by their index in `routines`.
#pragma once

#include <gearrt/form.hpp>
#include <gearrt/services.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace gr {

struct RoutineEntry {
    const char* name;
    gr_routine_fn fn;
};

struct LibraryCall {
    int32_t library = 0; // position in the program's library list
    int32_t command = 0;
};

// A support library the program lists: its file base name and version.
struct LibraryRequirement {
    const char* name;
    uint32_t major = 0;
    uint32_t minor = 0;
};

struct ProgramDescription {
    const form::Window* form = nullptr;
    const RoutineEntry* routines = nullptr;
    size_t routine_count = 0;
    uint32_t start_routine = 0; // index into routines
    // The program's constant table as texts (UTF-8), by index.
    const std::string* constants = nullptr;
    size_t constant_count = 0;
    // The control table: the window's own element, then the controls, in
    // form order, as the program must name them. Null: taken from the form.
    const gr_control_ref* controls = nullptr;
    size_t control_count = 0;
    // Number constants by constant index (constant_count of them); NaN where
    // `constant_is_number` says the entry is not a number.
    const double* constant_numbers = nullptr;
    const bool* constant_is_number = nullptr;
    // The routines the program passes as values, as indices into `routines`.
    const uint32_t* routine_values = nullptr;
    size_t routine_value_count = 0;
    // The support-library commands the program calls.
    const LibraryCall* library_calls = nullptr;
    size_t library_call_count = 0;
    // The support libraries by position (0 is the runtime itself). Null:
    // the libraries every program of this system lists.
    const LibraryRequirement* libraries = nullptr;
    size_t library_count = 0;
};

// Finds one of the program's routines by its exported name; null when the
// program has no such routine.
using RoutineLookup = gr_routine_fn (*)(const char* name);

} // namespace gr
