// The identities the form gives the main window and its controls. They
// build the form description and let tests and tools find a control in the
// built window; the program's routines never use them: they name controls
// by their place in the control table (controls.hpp), since the runtime may
// number the window and its controls as it likes.
#pragma once

#include <cstdint>

namespace gearcalc {

inline constexpr uint32_t kMainWindow = 0x52010001u;
inline constexpr uint32_t kWindowSelf = 0x06010000u;

namespace id {
inline constexpr uint32_t 模数标签 = 0x1601001C, 模数编辑框 = 0x1601001E;
inline constexpr uint32_t 齿数标签 = 0x1601001D, 齿数编辑框 = 0x1601001F;
inline constexpr uint32_t 压力角标签 = 0x1601005B, 压力角编辑框 = 0x1601005A, 圆点标签 = 0x1601005D;
inline constexpr uint32_t 直齿单选框 = 0x16010020, 斜齿单选框 = 0x16010021;
inline constexpr uint32_t 螺旋角标签 = 0x16010022;
inline constexpr uint32_t 度编辑框 = 0x16010026, 度标签 = 0x16010023;
inline constexpr uint32_t 分编辑框 = 0x16010027, 分标签 = 0x16010024;
inline constexpr uint32_t 秒编辑框 = 0x16010028, 秒标签 = 0x16010025;
inline constexpr uint32_t 度数选择框 = 0x16010037, 度数编辑框 = 0x1601002B, 度数标签 = 0x1601002C;
inline constexpr uint32_t 精度标签 = 0x1601002D, 精度组合框 = 0x1601002E;
inline constexpr uint32_t 上偏差标签 = 0x1601002F, 齿厚偏差组合框 = 0x16010031;
inline constexpr uint32_t 公差标签 = 0x16010030, 齿厚公差组合框 = 0x16010032;
inline constexpr uint32_t 货号选择框 = 0x1601008E, 货号编辑框 = 0x1601008D;
inline constexpr uint32_t 隐藏选择框 = 0x16010017;
inline constexpr uint32_t 图片框1 = 0x16010036;
inline constexpr uint32_t 结果编辑框 = 0x16010058;
inline constexpr uint32_t 计算按钮 = 0x16010034, 打印按钮 = 0x16010072, 退出按钮 = 0x16010035;
inline constexpr uint32_t 结果打印机 = 0x16010071;
} // namespace id

} // namespace gearcalc
