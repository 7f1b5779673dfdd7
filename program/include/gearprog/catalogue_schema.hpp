// The catalogue files as the program and its tools see them: file names,
// aliases, field names, the tooth-thickness series and the ranges of the
// window's selections. Every part of the system takes them from here.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace gearcalc::schema {

// The three files, beside the program, and the aliases they are opened under.
inline constexpr std::string_view kDeviationFile = "spc.edb"; // upper allowances by pitch-diameter range
inline constexpr std::string_view kToleranceFile = "gc.edb";  // tolerances by pitch-diameter range
inline constexpr std::string_view kItemFile = "ZKD.edb";      // the item catalogue
inline constexpr std::string_view kDeviationAlias = "S";
inline constexpr std::string_view kToleranceAlias = "G";
inline constexpr std::string_view kItemAlias = "Z";
// The same names as the program appends them to its folder.
inline constexpr std::string_view kDeviationPath = "/spc.edb";
inline constexpr std::string_view kTolerancePath = "/gc.edb";
inline constexpr std::string_view kItemPath = "/ZKD.edb";
static_assert(kDeviationPath.substr(1) == kDeviationFile && kTolerancePath.substr(1) == kToleranceFile &&
              kItemPath.substr(1) == kItemFile);

// The fields of the item catalogue.
inline constexpr std::string_view kFieldItemNumber = "订货编号";
inline constexpr std::string_view kFieldModule = "模数";
inline constexpr std::string_view kFieldTeeth = "齿数";
inline constexpr std::string_view kFieldToothForm = "齿形"; // 1 helical, else spur
inline constexpr std::string_view kFieldGrade = "精度";
// The fields of both range tables: the pitch-diameter range of a row.
inline constexpr std::string_view kFieldMinimum = "最小";
inline constexpr std::string_view kFieldMaximum = "最大";

// The deviation series, in the order of the window's selection; each is a
// field of the allowance table.
inline constexpr std::array<std::string_view, 11> kDeviationSeries = {"a", "ab", "b", "bc", "c", "cd",
                                                                     "d", "e",  "f", "g",  "h"};
// The tolerance series 21 to 30; the tolerance table names its fields with
// the series' Chinese numerals.
inline constexpr int kFirstTolerance = 21, kLastTolerance = 30;
inline constexpr std::array<std::string_view, 10> kToleranceFields = {
    "二十一", "二十二", "二十三", "二十四", "二十五", "二十六", "二十七", "二十八", "二十九", "三十"};
static_assert(kToleranceFields.size() == kLastTolerance - kFirstTolerance + 1);
// The accuracy grades.
inline constexpr int kFirstGrade = 1, kLastGrade = 12;

// The series an item-number run selects: deviation "e", tolerance "25".
inline constexpr int kItemDeviationIndex = 7;
inline constexpr int kItemToleranceIndex = 4;
static_assert(kDeviationSeries[kItemDeviationIndex] == "e");
static_assert(kFirstTolerance + kItemToleranceIndex == 25);

// "from", "from + 1", ..., "to" as texts (the items of a numbered selection).
inline std::vector<std::string> numberTexts(int from, int to)
{
    std::vector<std::string> items;
    for (int i = from; i <= to; ++i) items.push_back(std::to_string(i));
    return items;
}

} // namespace gearcalc::schema
