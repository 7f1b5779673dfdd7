// How the program names the main window's controls, and the property
// numbers and colours it uses.
#pragma once

#include <gearrt/api.hpp>
#include <gearrt/form.hpp>

#include <cstdint>

namespace gearcalc {

// The program names a control by its place in the control table: the
// window's own element first, then the controls in form order (the tab
// order). The form is built in this order and checks it.
namespace slot {
enum : uint32_t {
    窗口 = 0,
    模数标签, 模数编辑框, 齿数标签, 齿数编辑框, 压力角标签, 压力角编辑框, 圆点标签,
    直齿单选框, 斜齿单选框, 螺旋角标签,
    度编辑框, 度标签, 分编辑框, 分标签, 秒编辑框, 秒标签,
    度数选择框, 度数编辑框, 度数标签,
    精度标签, 精度组合框, 上偏差标签, 齿厚偏差组合框, 公差标签, 齿厚公差组合框,
    货号选择框, 货号编辑框,
    图片框1, 结果编辑框, 隐藏选择框, 计算按钮, 打印按钮, 退出按钮, 结果打印机,
    kCount
};
} // namespace slot

// Property numbers.
namespace prop {
inline constexpr int32_t kLeft = 0, kTop = 1, kWidth = 2, kHeight = 3;
inline constexpr int32_t kDisabled = 6;
inline constexpr int32_t kText = 8;
inline constexpr int32_t kEditTextColour = 10;
inline constexpr int32_t kLabelTextColour = 16;
inline constexpr int32_t kFont = 17;
inline constexpr int32_t kChecked = 18;
inline constexpr int32_t kSelectedIndex = 19;
} // namespace prop

// Colours (0xBBGGRR).
inline constexpr int64_t kBlack = 0x000000, kLightGrey = 0xC0C0C0, kMidGrey = 0x808080, kBlue = 0xFF0000;

// The main window's form description.
const gr::form::Window& mainWindowForm();

} // namespace gearcalc
