// The program's routine table: every routine the runtime may call, by the
// index that the form's event bindings use.
#pragma once

#include <gearrt/program.hpp>

#include <cstdint>

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
    kRoutineCount
};

// The program as the runtime sees it: its form and its routines.
const gr::ProgramDescription& programDescription();

} // namespace gearcalc
