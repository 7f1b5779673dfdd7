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

namespace gearcalc {

// The context-menu command of 结果编辑框 that prints the inspection card.
inline constexpr int32_t kCardCommand = 1;

// Puts 打印检测卡 on 结果编辑框's context menu, enabled exactly when
// 打印按钮 is; nothing when the runtime has no context menus or the loaded
// image lacks the card's routine or texts (an image of an earlier version).
void OfferInspectionCard(const rt::Runtime& rt);

} // namespace gearcalc
