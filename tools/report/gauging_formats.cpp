// The three forms of the test dimensions: the text block after the report,
// the JSON object and the rows of the inspection CSV.
#include "gauging_output.hpp"

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <charconv>
#include <string_view>
#include <utility>
#include <vector>

namespace gearcalc::report {

namespace {

using inspection::FourDecimals;

constexpr std::string_view kOutOfTable = "超出表格范围";

// Labels of the block; like the report's, each starts a new line.
constexpr std::string_view kHeader = "\r\n\r\n**检测尺寸**";
constexpr std::string_view kBall = "\r\n量球直径：";
constexpr std::string_view kBallFromSeries = "（DIN 3977 系列中不小于理想直径 ";
constexpr std::string_view kBallFromSeriesEnd = " 的最小量球）";
constexpr std::string_view kBallGiven = "（给定）";
constexpr std::string_view kOverBalls = "\r\n跨球距：";
constexpr std::string_view kOverBallsUpper = "\r\n跨球距（上偏差）：";
constexpr std::string_view kOverBallsLower = "\r\n跨球距（下偏差）：";
constexpr std::string_view kMakerOverBalls = "\r\nZKD 跨球距：";
constexpr std::string_view kMakerLowerDeviation = "\r\nZKD 跨球距下偏差:-";
constexpr std::string_view kRadial = "\r\n单球径向尺寸：";
constexpr std::string_view kOverPins = "\r\n跨棒距：";
constexpr std::string_view kPinsLikeBalls = "（同跨球距，量棒直径同量球）";
constexpr std::string_view kBallsOnly = "斜齿轮只能用量球测量，量棒不适用";
constexpr std::string_view kChordalThickness = "\r\n弦齿厚：";
constexpr std::string_view kChordalHeight = "\r\n弦齿高：";
constexpr std::string_view kChordalThicknessUpper = "\r\n弦齿厚（上偏差）：";
constexpr std::string_view kChordalHeightUpper = "\r\n弦齿高（上偏差）：";
constexpr std::string_view kChordalThicknessLower = "\r\n弦齿厚（下偏差）：";
constexpr std::string_view kChordalHeightLower = "\r\n弦齿高（下偏差）：";
constexpr std::string_view kSpan = "\r\n公法线测量：";
constexpr std::string_view kSpanFits = "齿宽 {b} 可以测量（至少需 {n}）";
constexpr std::string_view kSpanTooNarrow = "齿宽 {b} 不足（至少需 {n}），无法测量公法线，请用跨球距检测";

std::string fill(std::string_view pattern, const std::string& b, const std::string& n)
{
    std::string out(pattern);
    out.replace(out.find("{b}"), 3, b);
    out.replace(out.find("{n}"), 3, n);
    return out;
}

void line(std::string& out, std::string_view label, std::string_view value, std::string_view suffix = {})
{
    out += label;
    out += value;
    out += suffix;
}

// A dimension that depends on an allowance: its value, or the report's
// out-of-table text when the series is chosen but its row was not found.
std::string atAllowance(const std::optional<inspection::BallPosition>& p)
{
    return p ? FourDecimals(p->over_balls) : std::string(kOutOfTable);
}

void allowanceLines(std::string& out, const TestDimensions& t)
{
    const inspection::Sheet& s = *t.sheet;
    if (t.deviation_series) line(out, kOverBallsUpper, atAllowance(s.upper));
    if (t.tolerance_series) line(out, kOverBallsLower, atAllowance(s.lower));
    if (t.deviation_series)
        line(out, kMakerOverBalls, s.maker_over_balls ? FourDecimals(*s.maker_over_balls) : std::string(kOutOfTable));
    if (t.tolerance_series)
        line(out, kMakerLowerDeviation,
             s.maker_lower_deviation ? FourDecimals(*s.maker_lower_deviation) : std::string(kOutOfTable));
}

// The chord across the tooth and its height, nominal and at the allowances
// the report has (超出表格范围 where its row was not found).
void chordalLines(std::string& out, const TestDimensions& t)
{
    const inspection::ChordalTooth& c = *t.chordal;
    const auto at = [](const std::optional<inspection::Chordal>& p, bool thickness) {
        return p ? FourDecimals(thickness ? p->thickness : p->height) : std::string(kOutOfTable);
    };
    line(out, kChordalThickness, FourDecimals(c.nominal.thickness));
    line(out, kChordalHeight, FourDecimals(c.nominal.height));
    if (t.deviation_series) {
        line(out, kChordalThicknessUpper, at(c.upper, true));
        line(out, kChordalHeightUpper, at(c.upper, false));
    }
    if (t.tolerance_series) {
        line(out, kChordalThicknessLower, at(c.lower, true));
        line(out, kChordalHeightLower, at(c.lower, false));
    }
}

// A value of the JSON object: a text, a logical, or null.
struct Cell {
    enum Kind { Null, Text, Logical } kind = Null;
    std::string value;
    bool yes = false;
    static Cell text(std::string s)
    {
        Cell c;
        c.kind = Text;
        c.value = std::move(s);
        return c;
    }
    static Cell logical(bool b)
    {
        Cell c;
        c.kind = Logical;
        c.yes = b;
        return c;
    }
};

} // namespace

std::string inspectionBlock(const TestDimensions& t, const InspectionOptions& o)
{
    if (!t.sheet) {
        if (!t.chordal) return {};
        std::string out(kHeader);
        chordalLines(out, t);
        return out;
    }
    const inspection::Sheet& s = *t.sheet;
    std::string out(kHeader);
    if (s.ball_chosen)
        line(out, kBall, FourDecimals(s.ball_diameter),
             std::string(kBallFromSeries) + FourDecimals(s.ideal_ball_diameter) + std::string(kBallFromSeriesEnd));
    else
        line(out, kBall, FourDecimals(s.ball_diameter), kBallGiven);
    line(out, kOverBalls, FourDecimals(s.nominal.over_balls));
    allowanceLines(out, t);
    line(out, kRadial, FourDecimals(s.nominal.radial));
    if (s.pins_apply) line(out, kOverPins, FourDecimals(s.nominal.over_balls), kPinsLikeBalls);
    else line(out, kOverPins, kBallsOnly);
    if (t.chordal) chordalLines(out, t);
    if (s.span) {
        char buf[32];
        const auto end = std::to_chars(buf, buf + sizeof buf, *o.face_width).ptr;
        const std::string b(buf, end), n = FourDecimals(s.span->needed_face_width);
        line(out, kSpan, fill(s.span->measurable ? kSpanFits : kSpanTooNarrow, b, n));
    }
    return out;
}

std::string inspectionJson(const TestDimensions& t)
{
    const auto dim = [](const std::optional<double>& x) { return x ? Cell::text(FourDecimals(*x)) : Cell(); };
    const auto over = [](const std::optional<inspection::BallPosition>& p) {
        return p ? std::optional<double>(p->over_balls) : std::nullopt;
    };
    std::vector<std::pair<const char*, Cell>> cells;
    if (t.sheet) {
        const inspection::Sheet& s = *t.sheet;
        cells = {
            {"ball_diameter", dim(s.ball_diameter)},
            {"ball_source", Cell::text(s.ball_chosen ? "series" : "given")},
            {"ideal_ball_diameter", dim(s.ideal_ball_diameter)},
            {"over_balls", dim(s.nominal.over_balls)},
            {"over_balls_upper", dim(over(s.upper))},
            {"over_balls_lower", dim(over(s.lower))},
            {"radial_over_balls", dim(s.nominal.radial)},
            {"maker_over_balls", dim(s.maker_over_balls)},
            {"maker_over_balls_lower_deviation", dim(s.maker_lower_deviation)},
            {"over_pins", s.pins_apply ? dim(s.nominal.over_balls) : Cell()},
            {"pins_apply", Cell::logical(s.pins_apply)},
            {"span_measurable", s.span ? Cell::logical(s.span->measurable) : Cell()},
            {"span_face_width_needed", s.span ? dim(s.span->needed_face_width) : Cell()},
        };
    } else {
        for (const char* key : {"ball_diameter", "ball_source", "ideal_ball_diameter", "over_balls", "over_balls_upper",
                                "over_balls_lower", "radial_over_balls", "maker_over_balls",
                                "maker_over_balls_lower_deviation", "over_pins", "pins_apply", "span_measurable",
                                "span_face_width_needed"})
            cells.emplace_back(key, Cell());
    }
    const auto chord = [](const inspection::Chordal* c, bool thickness) {
        return c != nullptr ? Cell::text(FourDecimals(thickness ? c->thickness : c->height)) : Cell();
    };
    const auto given = [](const std::optional<inspection::Chordal>& c) { return c ? &*c : nullptr; };
    const inspection::Chordal* nominal = t.chordal ? &t.chordal->nominal : nullptr;
    const inspection::Chordal* upper = t.chordal ? given(t.chordal->upper) : nullptr;
    const inspection::Chordal* lower = t.chordal ? given(t.chordal->lower) : nullptr;
    cells.emplace_back("chordal_thickness", chord(nominal, true));
    cells.emplace_back("chordal_height", chord(nominal, false));
    cells.emplace_back("chordal_thickness_upper", chord(upper, true));
    cells.emplace_back("chordal_height_upper", chord(upper, false));
    cells.emplace_back("chordal_thickness_lower", chord(lower, true));
    cells.emplace_back("chordal_height_lower", chord(lower, false));
    cells.emplace_back("problem", t.problem.empty() ? Cell() : Cell::text(t.problem));

    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> w(buffer);
    w.StartObject();
    for (const auto& [key, cell] : cells) {
        w.Key(key);
        switch (cell.kind) {
        case Cell::Text: w.String(cell.value.data(), static_cast<rapidjson::SizeType>(cell.value.size())); break;
        case Cell::Logical: w.Bool(cell.yes); break;
        case Cell::Null: w.Null(); break;
        }
    }
    w.EndObject();
    return std::string(buffer.GetString(), buffer.GetSize());
}

} // namespace gearcalc::report
