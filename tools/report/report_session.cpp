#include "report_session.hpp"

#include <gearhost/headless.hpp>
#include <geardrive/user_actions.hpp>
#include <gearhost/host.hpp>

#include <gearprog/catalogue_schema.hpp>
#include <gearprog/controls.hpp>
#include <gearprog/form_identities.hpp>
#include <gearprog/routines.hpp>
#include <gearprog/texts.hpp>
#include <gearui/program.hpp>

#include <algorithm>
#include <charconv>

namespace gearcalc::report {

namespace {

// A text of the program, as loaded from its image's constant pool.
std::string_view programText(text::Id id)
{
    return gearcalc::programDescription().constants[id];
}

using schema::kDeviationSeries;
using schema::kFirstGrade;
using schema::kFirstTolerance;
using schema::kLastGrade;
using schema::kLastTolerance;

std::optional<int> wholeNumber(std::string_view text)
{
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// A yes/no cell of the batch file (and the value of a flag given there).
std::optional<bool> flagValue(std::string_view text)
{
    text = trimmed(text);
    for (std::string_view yes : {"1", "true", "yes", "y", "x"})
        if (text == yes) return true;
    for (std::string_view no : {"", "0", "false", "no", "n"})
        if (text == no) return false;
    return std::nullopt;
}

std::string_view withoutBreak(std::string_view label)
{
    while (label.substr(0, 2) == "\r\n") label.remove_prefix(2);
    return label;
}

} // namespace

const std::vector<std::string_view>& optionNames()
{
    static const std::vector<std::string_view> names = {"item",  "module",    "teeth",     "pressure-angle",
                                                        "spur",  "helical",   "helix",     "helix-dms",
                                                        "grade", "deviation", "tolerance"};
    return names;
}

std::string setOption(GearInput& gear, std::string_view name, std::string_view value)
{
    if (name == "item") {
        gear.item = std::string(value);
    } else if (name == "module") {
        gear.module = std::string(value);
    } else if (name == "teeth") {
        gear.teeth = std::string(value);
    } else if (name == "pressure-angle") {
        gear.pressure_angle = std::string(value);
    } else if (name == "spur" || name == "helical") {
        std::optional<bool> on = flagValue(value);
        if (!on) return "--" + std::string(name) + " takes yes or no, not \"" + std::string(value) + "\"";
        if (*on) (name == "helical" ? gear.helical : gear.spur) = true;
    } else if (name == "helix") {
        gear.helix = std::string(value);
        gear.helical = true;
    } else if (name == "helix-dms") {
        // Three values separated by blanks (the command line passes them as
        // three words, the batch file as one cell).
        std::array<std::string, 3> parts;
        std::size_t n = 0;
        std::string_view rest = value;
        while (true) {
            rest = trimmed(rest);
            if (rest.empty()) break;
            const std::size_t end = std::min(rest.find(' '), rest.find('\t'));
            if (n == parts.size()) return "--helix-dms takes three values: degrees, minutes and seconds";
            parts[n++] = std::string(rest.substr(0, end));
            if (end == std::string_view::npos) break;
            rest.remove_prefix(end);
        }
        if (n != parts.size()) return "--helix-dms takes three values: degrees, minutes and seconds";
        gear.helix_dms = std::move(parts);
        gear.helical = true;
    } else if (name == "grade") {
        std::optional<int> g = wholeNumber(trimmed(value));
        if (!g || *g < kFirstGrade || *g > kLastGrade)
            return "--grade takes a whole number from 1 to 12, not \"" + std::string(value) + "\"";
        gear.grade = *g;
    } else if (name == "deviation") {
        const std::string_view v = trimmed(value);
        if (std::find(kDeviationSeries.begin(), kDeviationSeries.end(), v) == kDeviationSeries.end())
            return "--deviation takes one of a, ab, b, bc, c, cd, d, e, f, g, h, not \"" + std::string(value) + "\"";
        gear.deviation = std::string(v);
    } else if (name == "tolerance") {
        std::optional<int> t = wholeNumber(trimmed(value));
        if (!t || *t < kFirstTolerance || *t > kLastTolerance)
            return "--tolerance takes a whole number from 21 to 30, not \"" + std::string(value) + "\"";
        gear.tolerance = *t;
    } else {
        return "unknown option \"" + std::string(name) + "\"";
    }
    return {};
}

std::string checkCombination(const GearInput& gear)
{
    if (gear.item) {
        // The lookup writes all of these itself; only the pressure angle is
        // still read from its box.
        if (!gear.module.empty() || !gear.teeth.empty() || gear.helical || gear.spur || gear.grade ||
            gear.deviation || gear.tolerance)
            return "--item takes no --module, --teeth, --spur, --helical, --helix, --helix-dms, --grade, "
                   "--deviation or --tolerance: the item catalogue supplies them";
        return {};
    }
    if (gear.helix && gear.helix_dms) return "--helix and --helix-dms exclude each other";
    if (gear.spur && gear.helical) return "--spur excludes --helical, --helix and --helix-dms";
    return {};
}

Session::Session(const std::string& catalogue_dir, const std::string& library_dir)
{
    gr::HostOptions options;
    options.program_folder = catalogue_dir;
    options.library_folder = library_dir;
    host_ = std::make_unique<gr::Host>(programDescription(), std::make_unique<gr::HeadlessWindowSystem>(),
                                       std::move(options));
    host_->dialogs().forbidRealDialogs(true);
    gr_env* env = host_->env();
    env->services->create_window(env, kMainWindow);
    for (const gr::MessageRequest& m : host_->dialogs().messages()) startup_messages_.push_back(m.text);
    host_->dialogs().clearMessages();
}

Session::~Session() = default;

void Session::setChecked(uint32_t identity, bool on)
{
    // The mode toggles' handlers only enable, disable and colour controls,
    // which the calculation never reads: the state is set directly, so a
    // control that the current mode disables can still be set.
    gr::ControlState* c = host_->model().find(identity);
    if (c == nullptr || (c->checked != 0) == on) return;
    c->checked = on ? 1 : 0;
    host_->windowSystem().refresh(*c, gr::kPropChecked);
}

RunResult Session::run(const GearInput& gear)
{
    gr::Host& host = *host_;
    gr::UserActions user(host);
    host.dialogs().clearMessages();
    // A run that writes nothing (not found, stopped early) must not show the
    // previous gear's report.
    user.typeText(id::结果编辑框, "");

    user.typeText(id::压力角编辑框, gear.pressure_angle);
    setChecked(id::货号选择框, gear.item.has_value());
    if (gear.item) {
        user.typeText(id::货号编辑框, *gear.item);
    } else {
        user.typeText(id::货号编辑框, "");
        user.typeText(id::模数编辑框, gear.module);
        user.typeText(id::齿数编辑框, gear.teeth);
        setChecked(id::直齿单选框, !gear.helical);
        setChecked(id::斜齿单选框, gear.helical);
        setChecked(id::度数选择框, gear.helix.has_value());
        user.typeText(id::度数编辑框, gear.helix.value_or(""));
        const std::array<std::string, 3> dms = gear.helix_dms.value_or(std::array<std::string, 3>{});
        user.typeText(id::度编辑框, dms[0]);
        user.typeText(id::分编辑框, dms[1]);
        user.typeText(id::秒编辑框, dms[2]);
        user.selectItem(id::精度组合框, gear.grade ? *gear.grade - kFirstGrade : -1);
        int series = -1;
        if (gear.deviation) {
            const auto* it = std::find(kDeviationSeries.begin(), kDeviationSeries.end(), *gear.deviation);
            if (it != kDeviationSeries.end()) series = static_cast<int>(it - kDeviationSeries.begin());
        }
        user.selectItem(id::齿厚偏差组合框, series);
        user.selectItem(id::齿厚公差组合框, gear.tolerance ? *gear.tolerance - kFirstTolerance : -1);
    }

    user.click(id::计算按钮);

    RunResult result;
    result.report = host.model().find(id::结果编辑框)->text;
    for (const gr::MessageRequest& m : host.dialogs().messages()) result.messages.push_back(m.text);
    host.dialogs().clearMessages();
    if (gear.item && result.messages.size() == 1 && result.messages.front() == programText(text::kItemNotFound))
        result.outcome = Outcome::ItemNotFound;
    else if (!result.messages.empty())
        result.outcome = Outcome::Stopped;
    else if (result.report.empty())
        result.outcome = Outcome::NoModule;
    return result;
}

std::vector<std::string> Session::itemNumbers(std::string& error)
{
    std::vector<std::string> numbers;
    gr::db::DatabaseSet& db = host_->databases();
    if (!db.select(programText(text::kItemAlias)) || !db.goFirst()) return numbers;
    db.search([&]() {
        const gr::db::ReadResult r = db.readField(programText(text::kFieldItemNumber), gr::db::Expect::Text);
        if (r.status != GR_OK) {
            error = r.message;
            return -1;
        }
        numbers.emplace_back(r.value.text);
        return 0; // visit every record
    });
    return numbers;
}

const std::vector<ReportField>& reportFields()
{
    static const std::vector<ReportField> fields = {
        {"module", withoutBreak(programText(text::kModule)), ""},
        {"teeth", withoutBreak(programText(text::kTeeth)), ""},
        {"pressure_angle", withoutBreak(programText(text::kPressureAngle)), programText(text::kDegree)},
        {"helix_angle", withoutBreak(programText(text::kHelixAngle)), programText(text::kDegree)},
        {"pitch_diameter", withoutBreak(programText(text::kPitchDiameter)), ""},
        {"tip_diameter", withoutBreak(programText(text::kTipDiameter)), ""},
        {"root_diameter", withoutBreak(programText(text::kRootDiameter)), ""},
        {"base_diameter", withoutBreak(programText(text::kBaseDiameter)), ""},
        {"addendum", withoutBreak(programText(text::kAddendum)), ""},
        {"dedendum", withoutBreak(programText(text::kDedendum)), ""},
        {"whole_depth", withoutBreak(programText(text::kWholeDepth)), ""},
        {"span", withoutBreak(programText(text::kSpan)), ""},
        {"teeth_spanned", withoutBreak(programText(text::kTeethSpanned)), ""},
        {"grade", withoutBreak(programText(text::kGrade)), programText(text::kGradeSuffix)},
        {"upper_deviation", withoutBreak(programText(text::kUpperDeviation)), ""},
        {"maker_span", withoutBreak(programText(text::kMakerSpan)), ""},
        {"lower_deviation", withoutBreak(programText(text::kLowerDeviation)), ""},
        {"tolerance", withoutBreak(programText(text::kTolerance)), ""},
        {"maker_span_lower_deviation", withoutBreak(programText(text::kMakerLowerDeviation)), ""},
    };
    return fields;
}

void reportValues(std::string_view report, std::span<std::optional<std::string_view>> out)
{
    const std::vector<ReportField>& fields = reportFields();
    std::fill(out.begin(), out.end(), std::nullopt);
    // Lines are matched in report order, so a field is looked for only from
    // the last match on.
    std::size_t next_field = 0;
    while (!report.empty()) {
        const std::size_t end = report.find("\r\n");
        std::string_view line = report.substr(0, end);
        report = end == std::string_view::npos ? std::string_view() : report.substr(end + 2);
        for (std::size_t i = next_field; i < fields.size() && i < out.size(); ++i) {
            const ReportField& f = fields[i];
            if (line.substr(0, f.label.size()) != f.label) continue;
            std::string_view value = line.substr(f.label.size());
            if (!f.suffix.empty() && value.size() >= f.suffix.size() &&
                value.substr(value.size() - f.suffix.size()) == f.suffix)
                value.remove_suffix(f.suffix.size());
            out[i] = value;
            next_field = i + 1;
            break;
        }
    }
}

std::vector<std::pair<std::string_view, std::optional<std::string_view>>> reportValues(std::string_view report)
{
    const std::vector<ReportField>& fields = reportFields();
    std::vector<std::optional<std::string_view>> values(fields.size());
    reportValues(report, values);
    std::vector<std::pair<std::string_view, std::optional<std::string_view>>> named;
    named.reserve(fields.size());
    for (std::size_t i = 0; i < fields.size(); ++i) named.emplace_back(fields[i].name, values[i]);
    return named;
}

std::string asText(std::string_view report)
{
    std::string out;
    out.reserve(report.size() + 1);
    while (!report.empty()) {
        const std::size_t end = report.find("\r\n");
        out += report.substr(0, end);
        if (end == std::string_view::npos) break;
        out += '\n';
        report.remove_prefix(end + 2);
    }
    out += '\n';
    return out;
}

} // namespace gearcalc::report
