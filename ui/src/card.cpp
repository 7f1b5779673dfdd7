// 打印检测卡 on the result box's context menu: the inspection card of the
// calculation the result box shows, printed through 结果打印机 like the
// report. The card's numbers come from the report's own lines, so they
// are those of the last calculation whatever the inputs say now.
#include <gearcalc/calculation.hpp>
#include <gearcalc/card.hpp>
#include <geardata/lookups.hpp>
#include <gearprog/controls.hpp>
#include <gearprog/routines.hpp>
#include <gearprog/texts.hpp>

#include <string>
#include <vector>

namespace gearcalc {

namespace {

using rt::Runtime;

card::ReportLabels reportLabels(const Runtime& rt)
{
    card::ReportLabels l;
    l.module = rt.Const(text::kModule);
    l.teeth = rt.Const(text::kTeeth);
    l.pressure_angle = rt.Const(text::kPressureAngle);
    l.helix_angle = rt.Const(text::kHelixAngle);
    l.degree = rt.Const(text::kDegree);
    l.pitch_diameter = rt.Const(text::kPitchDiameter);
    l.tip_diameter = rt.Const(text::kTipDiameter);
    l.root_diameter = rt.Const(text::kRootDiameter);
    l.base_diameter = rt.Const(text::kBaseDiameter);
    l.span = rt.Const(text::kSpan);
    l.teeth_spanned = rt.Const(text::kTeethSpanned);
    l.grade = rt.Const(text::kGrade);
    l.grade_suffix = rt.Const(text::kGradeSuffix);
    l.no_grade = rt.Const(text::kNoGrade);
    l.upper_deviation = rt.Const(text::kUpperDeviation);
    l.maker_span = rt.Const(text::kMakerSpan);
    l.lower_deviation = rt.Const(text::kLowerDeviation);
    l.tolerance = rt.Const(text::kTolerance);
    l.maker_lower_deviation = rt.Const(text::kMakerLowerDeviation);
    return l;
}

std::string selectedItem(const Runtime& rt, uint32_t combo)
{
    const int64_t index = rt.GetPropertyInt(rt.Ctl(combo), prop::kSelectedIndex);
    if (index < 0) return {};
    return rt.ItemText(rt.Ctl(combo), static_cast<int32_t>(index)).str();
}

// The item number typed in item-number mode, when the item catalogue's
// record of it is the gear the report shows (same module and teeth);
// empty otherwise, so a number typed after the calculation is not printed
// beside another gear's data.
std::string itemNumber(const Runtime& rt, const card::ReportValues& report)
{
    if (rt.GetPropertyInt(rt.Ctl(slot::货号选择框), prop::kChecked) != 1) return {};
    std::string item = rt.GetPropertyText(rt.Ctl(slot::货号编辑框), prop::kText).str();
    if (item.empty() || FindItem(rt, item) != ItemLookup::Found) return {};
    const std::string module = rt.ValueToText(rt.ReadField(rt.Const(text::kFieldModule))).str();
    const std::string teeth = rt.ValueToText(rt.ReadField(rt.Const(text::kFieldTeeth))).str();
    if (report.module != module || report.teeth != teeth) return {};
    return item;
}

std::string_view fileName(std::string_view path)
{
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

void sendToPrinter(const Runtime& rt, const std::vector<card::PrintCommand>& commands)
{
    const rt::Control printer = rt.Ctl(slot::结果打印机);
    if (!rt.BeginPrint(printer, true, true, 2)) return; // the user cancelled the print dialog
    double font = -1.0;
    std::vector<double> xy;
    for (const card::PrintCommand& c : commands) {
        if (c.kind == card::PrintCommand::Kind::Text) {
            if (c.font_size != font) rt.SetPrintFontSize(printer, font = c.font_size);
            rt.PrintText(printer, c.x, c.y, c.text);
        } else if (c.points.size() == 2) {
            rt.PrintLine(printer, c.points[0].x, c.points[0].y, c.points[1].x, c.points[1].y, c.pen_width);
        } else {
            xy.clear();
            for (const card::Point& p : c.points) {
                xy.push_back(p.x);
                xy.push_back(p.y);
            }
            rt.PrintPolyline(printer, c.pen_width, xy.data(), xy.size());
        }
    }
    rt.EndPrint(printer);
}

void printCard(const Runtime& rt, const gr_value* args, int32_t nargs)
{
    if (nargs < 1 || args[0].u.i != kCardCommand) return;
    const std::string report = rt.GetPropertyText(rt.Ctl(slot::结果编辑框), prop::kText).str();
    const card::ReportValues values = card::ReadReport(report, reportLabels(rt));
    card::CardData data = card::FromReport(values);
    card::FillInspectionExtras(data);
    data.item = itemNumber(rt, values);
    // The series the report's allowance lines were looked up in.
    if (values.upper_deviation) data.deviation_series = selectedItem(rt, slot::齿厚偏差组合框);
    if (values.tolerance) data.tolerance_series = selectedItem(rt, slot::齿厚公差组合框);
    for (uint32_t file : {text::kDeviationFile, text::kToleranceFile, text::kItemFile})
        data.catalogues.emplace_back(fileName(rt.Const(file)));
    const std::vector<card::PrintCommand> commands =
        card::LayoutCard(data, [&rt](card_text::Id id) { return rt.Const(id); });
    sendToPrinter(rt, commands);
}

} // namespace

} // namespace gearcalc

GEARCALC_ENTRY gr_status gc_print_card(gr_env* env, void* ctx, const gr_value* args, int32_t nargs,
                                       gr_value* result) noexcept
{
    return rt::entry<gearcalc::printCard>(env, ctx, args, nargs, result);
}
