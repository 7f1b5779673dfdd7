// The program's routine table: every routine the runtime may call, by the
// index that the form's event bindings use.
#pragma once

#include <gearrt/program.hpp>

#include <cstdint>
#include <span>

namespace gearcalc {

enum Routine : uint32_t {
#define GEARCALC_ROUTINE(id, entry) id,
#include <gearprog/routines.def>
#undef GEARCALC_ROUTINE
    kRoutineCount
};

// The exported entry names, by routine index: the image names the routines
// by these, and the runtime binds each to the entry of that name.
inline constexpr const char* kRoutineNames[kRoutineCount] = {
#define GEARCALC_ROUTINE(id, entry) #entry,
#include <gearprog/routines.def>
#undef GEARCALC_ROUTINE
};

// The routines the program passes as values, by their place in the image's
// table of them; a routine gets one with `rt.RoutineValue(value::kCondItem)`.
namespace value {
enum Id : uint32_t { kCondItem = 0, kCondDeviationRow, kCondToleranceRow, kExitRoutine, kCount };
}
// The routine each of them is: only for packing the image.
inline constexpr Routine kRoutineValues[value::kCount] = {gearcalc::kCondItem, gearcalc::kCondDeviationRow,
                                                          gearcalc::kCondToleranceRow, gearcalc::kExitRoutine};

// The support-library commands the program calls, by their place in the
// image's library-call table.
namespace call {
enum Id : uint32_t { kEnableVisualStyle = 0, kCount };
}

} // namespace gearcalc

// How the program's handlers and lookups define an exported entry: the
// runtime finds each in the executable by its name.
#if defined(_WIN32)
#define GEARCALC_ENTRY extern "C" __declspec(dllexport)
#else
#define GEARCALC_ENTRY extern "C" __attribute__((visibility("default")))
#endif

// The exported entries themselves.
extern "C" {
#define GEARCALC_ROUTINE(id, entry) gr_status entry(gr_env*, void*, const gr_value*, int32_t, gr_value*) noexcept;
#include <gearprog/routines.def>
#undef GEARCALC_ROUTINE
}
