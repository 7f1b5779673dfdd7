// One calculation run: from the inputs in the main window's controls to the
// three-block report in the result box.
#pragma once

#include <gearrt/api.hpp>

namespace gearcalc {

// Runs the calculation on the controls of the main window: the item lookup
// (in item-number mode), the basic dimensions, the span measurement and the
// tooth-thickness allowances, written as the report into 结果编辑框.
void Calculate(const rt::Runtime& rt);

} // namespace gearcalc
