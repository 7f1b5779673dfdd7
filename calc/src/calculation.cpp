#include <gearcalc/calculation.hpp>

#include <geardata/lookups.hpp>
#include <gearprog/controls.hpp>
#include <gearprog/routines.hpp>
#include <gearprog/texts.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace gearcalc {

namespace {

constexpr double kCatalogueHelixAngle = 19.5283;

// Working values of one run; they all start empty.
struct RunValues {
    std::string helix;     // helix angle β in decimal degrees, as text
    std::string unit_span; // the span measurement for module 1, as text
    int32_t teeth_spanned = 0;
    double upper_deviation = 0.0; // A
    // The program's number constants, read once per run.
    double pi = 0.0, half_turn = 0.0, slack = 0.0;
    rt::Control result_box{}; // where the report lines go
};

double rad(const RunValues& run, double degrees)
{
    return (degrees * run.pi) / run.half_turn;
}

// Double to 32-bit integer: truncation toward zero, NaN gives 0, values
// beyond the range saturate at its ends.
int32_t toInt(double x)
{
    if (std::isnan(x)) return 0;
    if (x >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    if (x <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(x);
}

bool ticked(const rt::Runtime& rt, uint32_t control)
{
    return rt.GetPropertyInt(rt.Ctl(control), prop::kChecked) == 1;
}

std::string textOf(const rt::Runtime& rt, uint32_t control)
{
    return rt.GetPropertyText(rt.Ctl(control), prop::kText).str();
}

double numberOf(const rt::Runtime& rt, uint32_t control)
{
    rt::Text text = rt.GetPropertyText(rt.Ctl(control), prop::kText);
    return rt.TextToNumber(text);
}

// The pitch diameter d = (m × z) / cos β, β in degrees: the report's line
// and both range lookups use this one value.
double pitchDiameter(const rt::Runtime& rt, const RunValues& run, double m, double z, double beta)
{
    return (m * z) / rt.Cos(rad(run, beta));
}

// The pitch diameter from the inputs as they stand now.
double pitchDiameter(const rt::Runtime& rt, const RunValues& run)
{
    return pitchDiameter(rt, run, numberOf(rt, slot::模数编辑框), numberOf(rt, slot::齿数编辑框), rt.TextToNumber(run.helix));
}

// Appends one report line: label, value text and suffix joined. Lines are
// short, so they are joined on the stack; a long one (an absurd typed
// value) goes through the heap.
void line(const rt::Runtime& rt, const RunValues& run, std::string_view label, std::string_view value = {},
          std::string_view suffix = {})
{
    const std::size_t size = label.size() + value.size() + suffix.size();
    char buffer[256];
    if (size <= sizeof buffer) {
        char* end = std::copy(label.begin(), label.end(), buffer);
        end = std::copy(value.begin(), value.end(), end);
        end = std::copy(suffix.begin(), suffix.end(), end);
        rt.AppendText(run.result_box, std::string_view(buffer, size));
        return;
    }
    std::string text;
    text.reserve(size);
    text += label;
    text += value;
    text += suffix;
    rt.AppendText(run.result_box, text);
}

std::string fourDecimals(const rt::Runtime& rt, double x)
{
    return rt.ValueToText(rt.RoundTo(x, 4)).str();
}

std::string plain(const rt::Runtime& rt, double x)
{
    return rt.ValueToText(x).str();
}

// Step 1: the item lookup writes the catalogue's gear into the inputs.
// False when the run must end.
bool applyItem(const rt::Runtime& rt, RunValues& run)
{
    switch (FindItem(rt, textOf(rt, slot::货号编辑框))) {
    case ItemLookup::CatalogueUnavailable: return false;
    case ItemLookup::NotFound: rt.ShowMessage(rt.Const(text::kItemNotFound), 64); return false;
    case ItemLookup::Found: break;
    }
    {
        rt::Value module = rt.ReadField(rt.Const(text::kFieldModule));
        rt.SetPropertyText(rt.Ctl(slot::模数编辑框), prop::kText, rt.ValueToText(module));
    }
    {
        rt::Value teeth = rt.ReadField(rt.Const(text::kFieldTeeth));
        rt.SetPropertyText(rt.Ctl(slot::齿数编辑框), prop::kText, rt.ValueToText(teeth));
    }
    double form = rt.ReadNumber(rt.Const(text::kFieldToothForm));
    if (std::fabs(form - 1.0) <= run.slack) {
        rt.SetProperty(rt.Ctl(slot::斜齿单选框), prop::kChecked, 1);
        rt.SetProperty(rt.Ctl(slot::直齿单选框), prop::kChecked, 0);
        run.helix = rt.ValueToText(kCatalogueHelixAngle).str();
    } else {
        rt.SetProperty(rt.Ctl(slot::直齿单选框), prop::kChecked, 1);
        rt.SetProperty(rt.Ctl(slot::斜齿单选框), prop::kChecked, 0);
        run.helix = rt.Const(text::kZero);
    }
    double grade = rt.ReadNumber(rt.Const(text::kFieldGrade));
    rt.SetProperty(rt.Ctl(slot::精度组合框), prop::kSelectedIndex, toInt(grade - 1.0));
    rt.SetProperty(rt.Ctl(slot::齿厚偏差组合框), prop::kSelectedIndex, schema::kItemDeviationIndex); // series "e"
    rt.SetProperty(rt.Ctl(slot::齿厚公差组合框), prop::kSelectedIndex, schema::kItemToleranceIndex); // series "25"
    return true;
}

// Step 3: the helix angle in decimal degrees, as text.
void settleHelix(const rt::Runtime& rt, RunValues& run)
{
    if (rt.GetPropertyInt(rt.Ctl(slot::直齿单选框), prop::kChecked) == 1) {
        run.helix = rt.Const(text::kZero);
    } else if (ticked(rt, slot::货号选择框)) {
        // set by the item lookup
    } else if (ticked(rt, slot::度数选择框)) {
        run.helix = textOf(rt, slot::度数编辑框);
    } else {
        double d = numberOf(rt, slot::度编辑框);
        double m = numberOf(rt, slot::分编辑框);
        double s = numberOf(rt, slot::秒编辑框);
        run.helix = rt.ValueToText(rt.RoundTo(d + (m + s / 60.0) / 60.0, 4)).str();
    }
}

// The basic-information and results blocks.
void geometry(const rt::Runtime& rt, RunValues& run)
{
    const std::string module_text = textOf(rt, slot::模数编辑框);
    const std::string teeth_text = textOf(rt, slot::齿数编辑框);
    const std::string pressure_text = textOf(rt, slot::压力角编辑框);

    line(rt, run, rt.Const(text::kBasicHeader));
    line(rt, run, rt.Const(text::kModule), module_text);
    line(rt, run, rt.Const(text::kTeeth), teeth_text);
    line(rt, run, rt.Const(text::kPressureAngle), pressure_text, rt.Const(text::kDegree));
    line(rt, run, rt.Const(text::kHelixAngle), run.helix, rt.Const(text::kDegreeBreak));
    line(rt, run, rt.Const(text::kResultsHeader));

    const double m = rt.TextToNumber(module_text);
    const double z = rt.TextToNumber(teeth_text);
    const double alpha = rt.TextToNumber(pressure_text);
    const double beta = rt.TextToNumber(run.helix);

    line(rt, run, rt.Const(text::kPitchDiameter), fourDecimals(rt, pitchDiameter(rt, run, m, z, beta)));
    line(rt, run, rt.Const(text::kTipDiameter), fourDecimals(rt, m * ((z / rt.Cos(rad(run, beta))) + 2.0)));
    line(rt, run, rt.Const(text::kRootDiameter), fourDecimals(rt, m * ((z / rt.Cos(rad(run, beta))) - 2.5)));
    line(rt, run, rt.Const(text::kBaseDiameter), fourDecimals(rt, (m * z) * rt.Cos(rad(run, alpha))));
    line(rt, run, rt.Const(text::kAddendum), module_text);
    line(rt, run, rt.Const(text::kDedendum), plain(rt, m * 1.25));
    line(rt, run, rt.Const(text::kWholeDepth), plain(rt, m + (m * 1.25)));

    // The transverse pressure angle, held as text.
    const std::string alpha_t = rt.ValueToText(rt.Atan(rt.Tan(rad(run, alpha)) / rt.Cos(rad(run, beta)))).str();
    const double inv_alpha = rt.Tan(rad(run, alpha)) - rad(run, alpha);

    if (rt.GetPropertyInt(rt.Ctl(slot::斜齿单选框), prop::kChecked) == 1) {
        const double a = rt.TextToNumber(alpha_t);
        const double inv_alpha_t = rt.Tan(a) - a;
        // The virtual number of teeth, held as text.
        const std::string virtual_teeth = rt.ValueToText((z * inv_alpha_t) / inv_alpha).str();
        const double zv = rt.TextToNumber(virtual_teeth);
        const int32_t k = toInt(rt.RoundTo(((alpha / run.half_turn) * zv) + 0.5, 0));
        run.unit_span =
            rt.ValueToText(rt.Cos(rad(run, alpha)) * (((static_cast<double>(k) - 0.5) * run.pi) + (zv * inv_alpha))).str();
        const double w = rt.TextToNumber(run.unit_span) * m;
        run.teeth_spanned = k;
        line(rt, run, rt.Const(text::kSpan), fourDecimals(rt, w));
    } else {
        const int32_t k = toInt(rt.RoundTo(((alpha / run.half_turn) * z) + 0.5, 0));
        const double kd = static_cast<double>(k);
        const double w = (rt.Cos(rad(run, alpha)) * (((kd - 0.5) * run.pi) + (z * inv_alpha))) * m;
        line(rt, run, rt.Const(text::kSpan), fourDecimals(rt, w));
        run.unit_span = rt.ValueToText(rt.Cos(rad(run, alpha)) * (((kd - 0.5) * run.pi) + (z * inv_alpha))).str();
        run.teeth_spanned = k;
    }
    line(rt, run, rt.Const(text::kTeethSpanned), rt.ValueToText(run.teeth_spanned));
}

// The accuracy block: grade, upper and lower allowances, tolerance and the
// maker's span measurement with its lower deviation.
void accuracy(const rt::Runtime& rt, RunValues& run)
{
    line(rt, run, rt.Const(text::kAccuracyHeader));

    const int64_t grade = rt.GetPropertyInt(rt.Ctl(slot::精度组合框), prop::kSelectedIndex);
    if (grade == -1) {
        line(rt, run, rt.Const(text::kNoGrade));
    } else {
        rt::Text item = rt.ItemText(rt.Ctl(slot::精度组合框), static_cast<int32_t>(grade));
        line(rt, run, rt.Const(text::kGrade), item, rt.Const(text::kGradeSuffix));
    }

    const double m = numberOf(rt, slot::模数编辑框);
    const double alpha = numberOf(rt, slot::压力角编辑框);

    // A lookup that found no row leaves no record to read; every value that
    // depends on it says so instead of showing a number from elsewhere.
    bool upper_known = true;
    run.upper_deviation = 0.0;
    const int64_t series = rt.GetPropertyInt(rt.Ctl(slot::齿厚偏差组合框), prop::kSelectedIndex);
    if (series > -1) {
        const bool found = FindDiameterRow(rt, text::kDeviationAlias, pitchDiameter(rt, run));
        rt::Text field = rt.ItemText(rt.Ctl(slot::齿厚偏差组合框), static_cast<int32_t>(series));
        if (found) {
            run.upper_deviation = rt.ReadNumber(field);
            line(rt, run, rt.Const(text::kUpperDeviation), plain(rt, run.upper_deviation));
            const double wz = (rt.TextToNumber(run.unit_span) * m) - (rt.Abs(run.upper_deviation) * rt.Cos(rad(run, alpha)));
            line(rt, run, rt.Const(text::kMakerSpan), fourDecimals(rt, wz));
        } else {
            upper_known = false;
            line(rt, run, rt.Const(text::kUpperDeviation), rt.Const(text::kOutOfTable));
            line(rt, run, rt.Const(text::kMakerSpan), rt.Const(text::kOutOfTable));
        }
    }

    const int64_t tolerance = rt.GetPropertyInt(rt.Ctl(slot::齿厚公差组合框), prop::kSelectedIndex);
    if (tolerance > -1) {
        const bool found = FindDiameterRow(rt, text::kToleranceAlias, pitchDiameter(rt, run));
        rt::Text item = rt.ItemText(rt.Ctl(slot::齿厚公差组合框), static_cast<int32_t>(tolerance));
        rt::Text field = rt.NumberToNameText(rt.TextToNumber(item), true);
        if (!found) {
            line(rt, run, rt.Const(text::kLowerDeviation), rt.Const(text::kOutOfTable));
            line(rt, run, rt.Const(text::kTolerance), rt.Const(text::kOutOfTable));
            line(rt, run, rt.Const(text::kMakerLowerDeviation), rt.Const(text::kOutOfTable));
        } else {
            const double t = rt.ReadNumber(field);
            line(rt, run, rt.Const(text::kLowerDeviation),
                 upper_known ? plain(rt, run.upper_deviation - t) : std::string(rt.Const(text::kOutOfTable)));
            {
                rt::Value stored = rt.ReadField(field);
                line(rt, run, rt.Const(text::kTolerance), rt.ValueToText(stored));
            }
            const double t3 = rt.ReadNumber(field);
            line(rt, run, rt.Const(text::kMakerLowerDeviation), fourDecimals(rt, t3 * rt.Cos(rad(run, alpha))));
        }
    }
}

} // namespace

void Calculate(const rt::Runtime& rt)
{
    RunValues run;
    run.pi = rt.Number(number::kPi);
    run.half_turn = rt.Number(number::kHalfTurn);
    run.slack = rt.Number(number::kSlack);
    if (ticked(rt, slot::货号选择框) && !applyItem(rt, run)) return;

    run.result_box = rt.Ctl(slot::结果编辑框);
    rt.SetPropertyText(run.result_box, prop::kText, rt.Const(text::kEmpty));
    settleHelix(rt, run);
    if (textOf(rt, slot::模数编辑框).empty()) return;
    rt.SetProperty(run.result_box, prop::kEditTextColour, kBlue);

    geometry(rt, run);
    accuracy(rt, run);
    rt.SetProperty(rt.Ctl(slot::打印按钮), prop::kDisabled, 0);
    OfferInspectionCard(rt);
}

void OfferInspectionCard(const rt::Runtime& rt)
{
    const std::optional<gr_program_sizes> sizes = rt.ProgramSizes();
    if (!sizes || sizes->routines <= kPrintCard || sizes->constants < card_text::kEnd) return;
    const bool enabled = rt.GetPropertyInt(rt.Ctl(slot::打印按钮), prop::kDisabled) == 0;
    rt.ContextMenuEntry(rt.Ctl(slot::结果编辑框), kCardCommand, rt.Const(card_text::kMenuEntry), enabled);
}

} // namespace gearcalc
