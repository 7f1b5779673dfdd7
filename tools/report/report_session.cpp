#include "report_session.hpp"

#include "recording_window.hpp"

#include <geardrive/user_actions.hpp>
#include <gearhost/host.hpp>

#include <gearcalc/calculation.hpp>
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

std::string_view withoutBreak(std::string_view label)
{
    while (label.substr(0, 2) == "\r\n") label.remove_prefix(2);
    return label;
}

} // namespace

Session::Session(const std::string& catalogue_dir, const std::string& library_dir)
{
    gr::HostOptions options;
    options.program_folder = catalogue_dir;
    options.library_folder = library_dir;
    auto window = std::make_unique<RecordingWindowSystem>(id::结果编辑框);
    window_ = window.get();
    host_ = std::make_unique<gr::Host>(programDescription(), std::move(window), std::move(options));
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

void Session::fillInputs(gr::UserActions& user, const GearInput& gear)
{
    user.typeText(id::压力角编辑框, gear.pressure_angle);
    setChecked(id::货号选择框, gear.item.has_value());
    if (gear.item) {
        user.typeText(id::货号编辑框, *gear.item);
        return;
    }
    user.typeText(id::货号编辑框, "");
    user.typeText(id::模数编辑框, gear.module.value_or(""));
    user.typeText(id::齿数编辑框, gear.teeth.value_or(""));
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

RunResult Session::run(const GearInput& gear)
{
    gr::Host& host = *host_;
    gr::UserActions user(host);
    host.dialogs().clearMessages();
    // A run that writes nothing (not found, stopped early) must not show the
    // previous gear's report.
    user.typeText(id::结果编辑框, "");
    fillInputs(user, gear);

    user.click(id::计算按钮);

    RunResult result;
    result.report = host.model().find(id::结果编辑框)->text;
    result.append_ends = window_->appendEnds();
    for (const gr::MessageRequest& m : host.dialogs().messages()) result.messages.push_back(m.text);
    host.dialogs().clearMessages();
    if (gear.item && result.messages.size() == 1 && result.messages.front() == programText(text::kItemNotFound))
        result.outcome = Outcome::ItemNotFound;
    else if (!result.messages.empty())
        result.outcome = Outcome::Stopped;
    else if (result.report.empty())
        result.outcome = Outcome::NoModule;
    else
        noteUnusableCatalogues(result);
    return result;
}

void Session::noteUnusableCatalogues(RunResult& result)
{
    // A finished run looked up the range tables whose series it had
    // selected (an item run selects both). A table that is not open gave
    // nothing to look up, and the report shows 超出表格范围 where its values
    // belong: the run did not do what was asked of it.
    static constexpr struct {
        uint32_t series;
        text::Id file, alias;
    } kTables[] = {{id::齿厚偏差组合框, text::kDeviationFile, text::kDeviationAlias},
                   {id::齿厚公差组合框, text::kToleranceFile, text::kToleranceAlias}};
    const gr::db::DatabaseSet& db = host_->databases();
    for (const auto& table : kTables) {
        const gr::ControlState* combo = host_->model().find(table.series);
        if (combo == nullptr || combo->selected_index < 0 || db.isOpen(programText(table.alias))) continue;
        std::string why = db.openFailure(programText(table.alias));
        std::string note = "本次计算需要 " + std::string(programText(table.file).substr(1)) + "，但它没有打开";
        note += why.empty() ? std::string("。") : "：" + why;
        result.messages.push_back(std::move(note));
        result.outcome = Outcome::Stopped;
    }
}

RunResult Session::runFromRecord(const GearInput& gear, std::size_t record)
{
    gr::db::DatabaseSet& db = host_->databases();
    db.setSearchStart(programText(text::kItemAlias), record);
    RunResult result = run(gear);
    db.setSearchStart(programText(text::kItemAlias), 0);
    return result;
}

std::optional<gr::PrintJob> Session::printCard()
{
    gr::Host& host = *host_;
    const gr::ControlState* box = host.model().find(id::结果编辑框);
    const gr::MenuCommand* entry = box != nullptr ? box->menuCommand(kCardCommand) : nullptr;
    if (entry == nullptr || !entry->enabled) return std::nullopt;
    const std::size_t before = host.printedJobs().size();
    // The print dialog's answer; the card's routine always asks for it.
    host.dialogs().queuePrintAnswer(gr::PrintAnswer{true, {}});
    const bool chosen = gr::UserActions(host).chooseMenuCommand(id::结果编辑框, kCardCommand);
    host.dialogs().clearMessages();
    if (!chosen || host.printedJobs().size() == before) return std::nullopt;
    return host.printedJobs().back();
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
    auto field = [](std::string_view name, text::Id label, std::string_view suffix = {},
                    std::string_view appended_suffix = {}) {
        return ReportField{name, withoutBreak(programText(label)), suffix,
                           appended_suffix.empty() ? suffix : appended_suffix};
    };
    static const std::vector<ReportField> fields = {
        field("module", text::kModule),
        field("teeth", text::kTeeth),
        field("pressure_angle", text::kPressureAngle, programText(text::kDegree)),
        field("helix_angle", text::kHelixAngle, programText(text::kDegree), programText(text::kDegreeBreak)),
        field("pitch_diameter", text::kPitchDiameter),
        field("tip_diameter", text::kTipDiameter),
        field("root_diameter", text::kRootDiameter),
        field("base_diameter", text::kBaseDiameter),
        field("addendum", text::kAddendum),
        field("dedendum", text::kDedendum),
        field("whole_depth", text::kWholeDepth),
        field("span", text::kSpan),
        field("teeth_spanned", text::kTeethSpanned),
        field("grade", text::kGrade, programText(text::kGradeSuffix)),
        field("upper_deviation", text::kUpperDeviation),
        field("maker_span", text::kMakerSpan),
        field("lower_deviation", text::kLowerDeviation),
        field("tolerance", text::kTolerance),
        field("maker_span_lower_deviation", text::kMakerLowerDeviation),
    };
    return fields;
}

namespace {

// Matches report lines, in report order, against the fields' labels; a
// field is looked for only from the last match on.
class LineMatcher {
public:
    LineMatcher(std::span<std::optional<std::string_view>> out, bool appended) : out_(out), appended_(appended)
    {
        std::fill(out_.begin(), out_.end(), std::nullopt);
    }

    void take(std::string_view line)
    {
        const std::vector<ReportField>& fields = reportFields();
        line = withoutBreak(line);
        for (std::size_t i = next_; i < fields.size() && i < out_.size(); ++i) {
            const ReportField& f = fields[i];
            if (line.substr(0, f.label.size()) != f.label) continue;
            std::string_view value = line.substr(f.label.size());
            const std::string_view suffix = appended_ ? f.appended_suffix : f.suffix;
            if (!suffix.empty() && value.size() >= suffix.size() &&
                value.substr(value.size() - suffix.size()) == suffix)
                value.remove_suffix(suffix.size());
            out_[i] = value;
            next_ = i + 1;
            return;
        }
    }

private:
    std::span<std::optional<std::string_view>> out_;
    bool appended_;
    std::size_t next_ = 0;
};

} // namespace

void reportValues(const RunResult& run, std::span<std::optional<std::string_view>> out)
{
    LineMatcher matcher(out, true);
    const std::string_view report = run.report;
    std::size_t begin = 0;
    for (const std::size_t end : run.append_ends) {
        if (end < begin || end > report.size()) break; // not pieces of this report
        matcher.take(report.substr(begin, end - begin));
        begin = end;
    }
}

void reportValues(std::string_view report, std::span<std::optional<std::string_view>> out)
{
    LineMatcher matcher(out, false);
    while (!report.empty()) {
        const std::size_t end = report.find("\r\n");
        matcher.take(report.substr(0, end));
        report = end == std::string_view::npos ? std::string_view() : report.substr(end + 2);
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
