// The card's data: the report's values read back from its text, and what
// follows from them (the span limits, the dimension over balls).
#include <gearcalc/card.hpp>
#include <gearcalc/tooth_checks.hpp>

#include <charconv>
#include <cmath>

namespace gearcalc::card {

namespace {

std::string_view withoutLineBreaks(std::string_view label)
{
    while (!label.empty() && (label.front() == '\r' || label.front() == '\n')) label.remove_prefix(1);
    while (!label.empty() && (label.back() == '\r' || label.back() == '\n')) label.remove_suffix(1);
    return label;
}

std::vector<std::string_view> lines(std::string_view text)
{
    std::vector<std::string_view> out;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        out.push_back(line);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return out;
}

std::optional<std::string> valueAfter(const std::vector<std::string_view>& report, std::string_view label,
                                      std::string_view suffix = {})
{
    label = withoutLineBreaks(label);
    suffix = withoutLineBreaks(suffix);
    if (label.empty()) return std::nullopt;
    for (std::string_view line : report) {
        if (line.substr(0, label.size()) != label) continue;
        std::string_view value = line.substr(label.size());
        if (!suffix.empty() && value.size() >= suffix.size() && value.substr(value.size() - suffix.size()) == suffix)
            value.remove_suffix(suffix.size());
        return std::string(value);
    }
    return std::nullopt;
}

std::optional<double> numberOf(const std::optional<std::string>& text)
{
    return text ? PlainNumber(*text) : std::nullopt;
}

} // namespace

std::optional<double> PlainNumber(std::string_view text)
{
    double x = 0.0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), x);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty() || !std::isfinite(x)) return std::nullopt;
    return x;
}

ReportValues ReadReport(std::string_view report, const ReportLabels& l)
{
    const std::vector<std::string_view> text = lines(report);
    ReportValues v;
    v.module = valueAfter(text, l.module);
    v.teeth = valueAfter(text, l.teeth);
    v.pressure_angle = valueAfter(text, l.pressure_angle, l.degree);
    v.helix_angle = valueAfter(text, l.helix_angle, l.degree);
    v.pitch_diameter = valueAfter(text, l.pitch_diameter);
    v.tip_diameter = valueAfter(text, l.tip_diameter);
    v.root_diameter = valueAfter(text, l.root_diameter);
    v.base_diameter = valueAfter(text, l.base_diameter);
    v.span = valueAfter(text, l.span);
    v.teeth_spanned = valueAfter(text, l.teeth_spanned);
    if (!valueAfter(text, l.no_grade)) v.grade = valueAfter(text, l.grade, l.grade_suffix);
    v.upper_deviation = valueAfter(text, l.upper_deviation);
    v.maker_span = valueAfter(text, l.maker_span);
    v.lower_deviation = valueAfter(text, l.lower_deviation);
    v.tolerance = valueAfter(text, l.tolerance);
    v.maker_lower_deviation = valueAfter(text, l.maker_lower_deviation);
    return v;
}

CardData FromReport(const ReportValues& report)
{
    CardData card;
    card.report = report;
    if (const std::optional<double> g = numberOf(report.grade); g && *g == std::floor(*g) && std::fabs(*g) < 1000)
        card.grade = static_cast<int>(*g);

    const std::optional<double> maker = numberOf(report.maker_span);
    const std::optional<double> below = numberOf(report.maker_lower_deviation);
    if (maker && below) card.span_lower = inspection::RoundTo4(*maker - *below);

    // The dimension over balls, from the same values and by the same rules
    // as the command line's test dimensions.
    const std::optional<double> m = numberOf(report.module), z = numberOf(report.teeth);
    const std::optional<double> alpha = numberOf(report.pressure_angle), beta = numberOf(report.helix_angle);
    if (!m || !z || !alpha || !beta) {
        card.ball_problem = true;
        return card;
    }
    inspection::Request request;
    request.span = numberOf(report.span);
    request.upper_allowance = numberOf(report.upper_deviation);
    request.tolerance = numberOf(report.tolerance);
    const bool upper_outside = report.upper_deviation && !request.upper_allowance;
    const bool tolerance_outside = report.tolerance && !request.tolerance;
    if (upper_outside) request.tolerance.reset(); // without A, A − T is unknown too
    card.outside_tables = upper_outside || tolerance_outside;
    const inspection::Result<inspection::Sheet> sheet =
        inspection::Inspect(inspection::Gear{*m, *z, *alpha, *beta}, request);
    if (sheet) card.sheet = sheet.value();
    else card.ball_problem = true;
    return card;
}

bool IsoClassApplies(std::optional<int> grade)
{
    return grade && *grade >= 1 && *grade <= 11;
}

void FillInspectionExtras(CardData& card)
{
    const ReportValues& r = card.report;
    const std::optional<double> m = numberOf(r.module), z = numberOf(r.teeth);
    const std::optional<double> alpha = numberOf(r.pressure_angle), beta = numberOf(r.helix_angle);
    if (!m || !z || !alpha || !beta) return;
    const inspection::Gear gear{*m, *z, *alpha, *beta};

    // The chord at the allowance limits only where the report has them
    // (without A, A - T is unknown too).
    const std::optional<double> upper = numberOf(r.upper_deviation);
    const std::optional<double> tolerance = upper ? numberOf(r.tolerance) : std::nullopt;
    if (const auto chord = inspection::ChordalToothThickness(gear, upper, tolerance)) {
        ChordalThickness c;
        c.thickness = inspection::RoundTo4(chord->nominal.thickness);
        c.height = inspection::RoundTo4(chord->nominal.height);
        if (upper && chord->upper) {
            c.thickness_upper = inspection::RoundTo4(chord->upper->thickness);
            c.height_upper = inspection::RoundTo4(chord->upper->height);
        }
        if (upper && tolerance && chord->lower) {
            c.thickness_lower = inspection::RoundTo4(chord->lower->thickness);
            c.height_lower = inspection::RoundTo4(chord->lower->height);
        }
        card.chordal = c;
    }

    // The ISO class equal to the DIN grade, where the standard has one; a
    // gear outside the standard's range keeps its rows empty.
    if (!IsoClassApplies(card.grade)) return;
    if (const auto iso = inspection::Iso1328Tolerances(gear, *card.grade, std::nullopt)) {
        IsoTolerances t;
        t.tolerance_class = iso->tolerance_class;
        t.fpT = inspection::ToleranceText(iso->fpT);
        t.FpT = inspection::ToleranceText(iso->FpT);
        t.fHaT = inspection::ToleranceText(iso->fHaT);
        t.ffaT = inspection::ToleranceText(iso->ffaT);
        t.FaT = inspection::ToleranceText(iso->FaT);
        t.FrT = inspection::ToleranceText(iso->FrT);
        card.iso = t;
    }
}

} // namespace gearcalc::card
