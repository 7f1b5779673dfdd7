// The program as a whole: its routines bound to their entries, and the
// program as the runtime loads it from the image attached to this
// executable (the command line and the tests run exactly what ships).
#pragma once

#include <gearrt/program.hpp>

#include <span>

namespace gearcalc {

// Every routine with its exported name and entry, by routine index.
std::span<const gr::RoutineEntry> routineTable();

// Finds a routine by its exported name (null when there is none): how a
// runtime in the same executable binds the image's routines.
gr_routine_fn findRoutine(const char* name);

// The program loaded from the attached image (form, bound routines,
// constants). Ends the process with a message on standard error when the
// attached image cannot be loaded.
const gr::ProgramDescription& programDescription();

} // namespace gearcalc
