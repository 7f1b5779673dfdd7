// The program's routine table: every routine the runtime may call, by the
// index that the form's event bindings use.
#pragma once

#include <gearrt/program.hpp>

#include <cstdint>
#include <span>

namespace gearcalc {

enum Routine : uint32_t {
    kStartRoutine = 0,
    kExitRoutine,
    kStartupHandler,   // window created
    kMouseMoved,       // window: mouse moved
    kKeyPressed,       // window: key pressed
    kItemToggle,       // 货号选择框 clicked
    kSpurSelected,     // 直齿单选框 clicked
    kHelicalSelected,  // 斜齿单选框 clicked
    kDegreeToggle,     // 度数选择框 clicked
    kCalculate,        // 计算按钮 clicked
    kPrint,            // 打印按钮 clicked
    kExitButton,       // 退出按钮 clicked
    kCondItem,         // record search: the item number
    kCondDeviationRow, // record search: a diameter range of the allowance table
    kCondToleranceRow, // record search: a diameter range of the tolerance table
    kRoutineCount
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

// Every routine with its exported name, by index. The program image names
// the routines by these names; the runtime binds them to the entries.
std::span<const gr::RoutineEntry> routineTable();

// Finds a routine by its exported name (null when there is none): how a
// runtime in the same executable binds the image's routines.
gr_routine_fn findRoutine(const char* name);

// The program as loaded by the runtime from the image attached to this
// executable (form, bound routines, constants). Ends the process with a
// message on standard error when the attached image cannot be loaded.
const gr::ProgramDescription& programDescription();

} // namespace gearcalc
