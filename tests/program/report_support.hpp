// Helpers for the calculation tests: entering a gear as the user does,
// reading single values of the report by label, and small catalogue folders
// written with the production writer.
#pragma once

#include "program_fixture.hpp"

#include <geardb/catalogue_writer.hpp>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace gearcalc::testing {

// The text after `label` on its line of the report; nullopt when no line
// starts with the label. `label` is given without its leading line break.
inline std::optional<std::string> reportValue(std::string_view report, std::string_view label)
{
    std::size_t at = 0;
    while (at <= report.size()) {
        const std::size_t end = report.find("\r\n", at);
        const std::string_view line = report.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
        if (line.substr(0, label.size()) == label) return std::string(line.substr(label.size()));
        if (end == std::string_view::npos) break;
        at = end + 2;
    }
    return std::nullopt;
}

// The report's lines (split at CR LF).
inline std::vector<std::string> reportLines(std::string_view report)
{
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (true) {
        const std::size_t end = report.find("\r\n", at);
        lines.emplace_back(report.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at));
        if (end == std::string_view::npos) break;
        at = end + 2;
    }
    return lines;
}

// A scratch folder for catalogue files, removed with everything in it.
class CatalogueFolder {
public:
    CatalogueFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "gearcalc-calc-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~CatalogueFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    CatalogueFolder(const CatalogueFolder&) = delete;
    CatalogueFolder& operator=(const CatalogueFolder&) = delete;

    std::string path() const { return path_.string(); }

    // Writes `name` (e.g. "spc.edb") with these fields and rows.
    void write(const std::string& name, std::vector<gr::db::Field> fields,
               const std::vector<std::vector<gr::db::CellValue>>& rows) const
    {
        std::string error;
        auto writer = gr::db::CatalogueWriter::create((path_ / name).string(), std::move(fields), error);
        if (!writer) throw std::runtime_error(error);
        for (const auto& row : rows)
            if (std::string e = writer->add(row); !e.empty()) throw std::runtime_error(e);
        if (std::string e = writer->commit(); !e.empty()) throw std::runtime_error(e);
    }

private:
    std::filesystem::path path_;
};

using gr::db::Field;
using gr::db::FieldKind;

// Fields of a range table with the given value fields, all DOUBLE.
inline std::vector<Field> rangeFields(std::initializer_list<std::string_view> series,
                                      FieldKind kind = FieldKind::Double)
{
    std::vector<Field> fields = {{"最小", FieldKind::Double}, {"最大", FieldKind::Double}};
    for (std::string_view s : series) fields.push_back({std::string(s), kind});
    return fields;
}

// A test fixture with the user's ways of entering a gear.
class CalculationFixture : public ProgramTest {
protected:
    void spur(const std::string& module, const std::string& teeth, const std::string& pressure = "20")
    {
        type(id::模数编辑框, module);
        type(id::齿数编辑框, teeth);
        type(id::压力角编辑框, pressure);
        if (checked(id::直齿单选框) == 0) {
            ASSERT_TRUE(click(id::直齿单选框));
        }
    }
    // Helical, helix angle typed in decimal degrees.
    void helicalDecimal(const std::string& module, const std::string& teeth, const std::string& helix,
                        const std::string& pressure = "20")
    {
        spur(module, teeth, pressure);
        ASSERT_TRUE(click(id::斜齿单选框));
        if (checked(id::度数选择框) == 0) {
            ASSERT_TRUE(click(id::度数选择框));
        }
        type(id::度数编辑框, helix);
    }
    // Helical, helix angle in degrees, minutes and seconds.
    void helicalDms(const std::string& module, const std::string& teeth, const std::string& d,
                    const std::string& m, const std::string& s, const std::string& pressure = "20")
    {
        spur(module, teeth, pressure);
        ASSERT_TRUE(click(id::斜齿单选框));
        if (checked(id::度数选择框) == 1) {
            ASSERT_TRUE(click(id::度数选择框));
        }
        type(id::度编辑框, d);
        type(id::分编辑框, m);
        type(id::秒编辑框, s);
    }
    // Item-number mode with this number typed.
    void item(const std::string& number)
    {
        if (checked(id::货号选择框) == 0) {
            ASSERT_TRUE(click(id::货号选择框));
        }
        type(id::货号编辑框, number);
    }
    // Combo selections: grade 1..12, series "a".."h", tolerance 21..30;
    // 0 / "" leaves a box without a selection.
    void series(int grade, const std::string& deviation, int tolerance)
    {
        static const std::vector<std::string> kSeries = {"a", "ab", "b", "bc", "c", "cd", "d", "e", "f", "g", "h"};
        select(id::精度组合框, grade == 0 ? -1 : grade - 1);
        int index = -1;
        for (std::size_t i = 0; i < kSeries.size(); ++i)
            if (kSeries[i] == deviation) index = static_cast<int>(i);
        select(id::齿厚偏差组合框, index);
        select(id::齿厚公差组合框, tolerance == 0 ? -1 : tolerance - 21);
    }
    // Clicks 计算按钮 and answers the report.
    std::string calculate()
    {
        EXPECT_TRUE(click(id::计算按钮));
        return report();
    }
    std::string value(std::string_view label) { return reportValue(report(), label).value_or("(no line)"); }
};

} // namespace gearcalc::testing
