// The report's labels and the calculation's messages. "\r\n" is a CR LF
// line break.
#pragma once

#include <string_view>

namespace gearcalc::text {

inline constexpr std::string_view kBasicHeader = "**齿轮基本信息**";
inline constexpr std::string_view kModule = "\r\n模数：";
inline constexpr std::string_view kTeeth = "\r\n齿数：";
inline constexpr std::string_view kPressureAngle = "\r\n压力角：";
inline constexpr std::string_view kHelixAngle = "\r\n螺旋角：";
inline constexpr std::string_view kDegree = "°";
inline constexpr std::string_view kDegreeBreak = "°\r\n";
inline constexpr std::string_view kResultsHeader = "\r\n**计算结果**";
inline constexpr std::string_view kPitchDiameter = "\r\n分度圆直径：";
inline constexpr std::string_view kTipDiameter = "\r\n齿顶圆直径：";
inline constexpr std::string_view kRootDiameter = "\r\n齿根圆直径：";
inline constexpr std::string_view kBaseDiameter = "\r\n基圆直径：";
inline constexpr std::string_view kAddendum = "\r\n齿顶高：";
inline constexpr std::string_view kDedendum = "\r\n齿根高：";
inline constexpr std::string_view kWholeDepth = "\r\n全齿高：";
inline constexpr std::string_view kSpan = "\r\n公法线长度：";
inline constexpr std::string_view kTeethSpanned = "\r\n公法线跨齿数：";
inline constexpr std::string_view kAccuracyHeader = "\r\n\r\n**齿轮精度参数**";
inline constexpr std::string_view kNoGrade = "\r\n制齿精度：无";
inline constexpr std::string_view kGrade = "\r\n制齿精度依据DIN 3967：";
inline constexpr std::string_view kGradeSuffix = "级";
inline constexpr std::string_view kUpperDeviation = "\r\n齿厚上偏差：";
inline constexpr std::string_view kMakerSpan = "\r\nZKD 公法线长度：";
inline constexpr std::string_view kLowerDeviation = "\r\n齿厚下偏差：";
inline constexpr std::string_view kTolerance = "\r\n齿厚公差：";
inline constexpr std::string_view kMakerLowerDeviation = "\r\nZKD 公法线长度下偏差:-";
inline constexpr std::string_view kOutOfTable = "超出表格范围";

inline constexpr std::string_view kItemNotFound = "ZKD-KSTAL公司目前没有此类齿轮！";

} // namespace gearcalc::text
