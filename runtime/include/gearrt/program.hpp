// How a program describes itself to the runtime: its window's form
// description and its routines. Event bindings in the form name routines
// by their index in `routines`.
#pragma once

#include <gearrt/form.hpp>
#include <gearrt/services.h>

#include <cstddef>
#include <cstdint>

namespace gr {

struct RoutineEntry {
    const char* name;
    gr_routine_fn fn;
};

struct ProgramDescription {
    const form::Window* form = nullptr;
    const RoutineEntry* routines = nullptr;
    size_t routine_count = 0;
    uint32_t start_routine = 0; // index into routines
};

} // namespace gr
