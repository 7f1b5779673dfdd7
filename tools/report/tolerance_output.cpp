// The ISO 1328-1:2013 tolerances of a finished run (--iso-class): computed
// from the gear of its report and --face-width, written after the report as
// a block, as the "tolerances" object in JSON, or as columns of the
// inspection sheet. Values in µm, rounded by the standard's rule.
#include "gauging_output.hpp"

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <array>
#include <charconv>
#include <string_view>
#include <utility>

namespace gearcalc::report {

namespace {

using inspection::Tolerance;
using inspection::ToleranceText;

constexpr std::string_view kHeader = "\r\n\r\n**ISO 1328-1:2013 公差**";
constexpr std::string_view kClass = "\r\n公差等级：";
constexpr std::string_view kFaceWidth = "\r\n齿宽：";
constexpr std::string_view kNoHelix = "\r\n螺旋线公差：未给定齿宽，不计算";
constexpr std::string_view kOutside = "\r\n超出 ISO 1328-1:2013 的适用范围，不给出公差";
constexpr std::string_view kMicrometre = " μm";

// One tolerance: its JSON name, its label in the block, its column.
struct Item {
    const char* json;
    std::string_view label;
    std::string_view column;
    bool helix;
};

constexpr std::array<Item, 9> kItems = {{
    {"fpT", "\r\n单个齿距偏差 fpT：", "fpT（μm）", false},
    {"FpT", "\r\n齿距累积总偏差 FpT：", "FpT（μm）", false},
    {"fHaT", "\r\n齿廓倾斜 fHαT：", "fHαT（μm）", false},
    {"ffaT", "\r\n齿廓形状 ffαT：", "ffαT（μm）", false},
    {"FaT", "\r\n齿廓总偏差 FαT：", "FαT（μm）", false},
    {"fHbT", "\r\n螺旋线倾斜 fHβT：", "fHβT（μm）", true},
    {"ffbT", "\r\n螺旋线形状 ffβT：", "ffβT（μm）", true},
    {"FbT", "\r\n螺旋线总偏差 FβT：", "FβT（μm）", true},
    {"FrT", "\r\n径向跳动 FrT：", "FrT（μm）", false},
}};
constexpr std::string_view kClassColumn = "ISO 公差等级";

// The tolerances in the order of kItems; a helix one is absent without a
// face width.
std::array<std::optional<Tolerance>, 9> inOrder(const inspection::IsoTolerances& t)
{
    return {t.fpT, t.FpT, t.fHaT, t.ffaT, t.FaT, t.fHbT, t.ffbT, t.FbT, t.FrT};
}

} // namespace

ToleranceCheck toleranceCheck(const RunValues& values, const InspectionOptions& o)
{
    ToleranceCheck t;
    t.tolerance_class = o.iso_class.value_or(0);
    std::string problem;
    const std::optional<inspection::Gear> gear = reportGear(values, problem);
    if (!gear) {
        t.problem = problem + ": no ISO 1328-1:2013 tolerances";
        return t;
    }
    const inspection::Result<inspection::IsoTolerances> r =
        inspection::Iso1328Tolerances(*gear, t.tolerance_class, o.face_width);
    if (r) t.values = r.value();
    else t.problem = r.problem() + ": no ISO 1328-1:2013 tolerances";
    return t;
}

std::string toleranceBlock(const ToleranceCheck& t, const InspectionOptions& o)
{
    std::string out(kHeader);
    out += kClass;
    out += std::to_string(t.tolerance_class);
    if (!t.values) {
        out += kOutside;
        return out;
    }
    if (o.face_width) {
        char buf[32];
        out += kFaceWidth;
        out.append(buf, std::to_chars(buf, buf + sizeof buf, *o.face_width).ptr);
    }
    const auto values = inOrder(*t.values);
    for (std::size_t i = 0; i < kItems.size(); ++i) {
        if (!values[i]) {
            // The three helix tolerances need a face width: one line says so.
            if (kItems[i].json == std::string_view("fHbT")) out += kNoHelix;
            continue;
        }
        out += kItems[i].label;
        out += ToleranceText(*values[i]);
        out += kMicrometre;
    }
    return out;
}

std::string toleranceJson(const ToleranceCheck& t)
{
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> w(buffer);
    w.StartObject();
    w.Key("class");
    w.Int(t.tolerance_class);
    std::array<std::optional<Tolerance>, 9> values;
    if (t.values) values = inOrder(*t.values);
    for (std::size_t i = 0; i < kItems.size(); ++i) {
        w.Key(kItems[i].json);
        if (values[i]) {
            const std::string text = ToleranceText(*values[i]);
            w.String(text.data(), static_cast<rapidjson::SizeType>(text.size()));
        } else {
            w.Null();
        }
    }
    w.Key("problem");
    if (t.problem.empty()) w.Null();
    else w.String(t.problem.data(), static_cast<rapidjson::SizeType>(t.problem.size()));
    w.EndObject();
    return std::string(buffer.GetString(), buffer.GetSize());
}

std::vector<std::string_view> toleranceColumns()
{
    std::vector<std::string_view> columns = {kClassColumn};
    for (const Item& item : kItems) columns.push_back(item.column);
    return columns;
}

void toleranceCells(std::vector<std::string>& cells, const ToleranceCheck* t)
{
    cells.push_back(t != nullptr && t->values ? std::to_string(t->tolerance_class) : std::string());
    std::array<std::optional<Tolerance>, 9> values;
    if (t != nullptr && t->values) values = inOrder(*t->values);
    for (const std::optional<Tolerance>& v : values) cells.push_back(v ? ToleranceText(*v) : std::string());
}

} // namespace gearcalc::report
