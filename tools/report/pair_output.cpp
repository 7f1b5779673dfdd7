#include "pair_output.hpp"

#include <geardb/utf8.hpp>
#include <gearprog/catalogue_schema.hpp>

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <string_view>
#include <utility>
#include <vector>

namespace gearcalc::report {

namespace {

using inspection::FourDecimals;

constexpr std::string_view kHeader = "\r\n\r\n**齿轮副侧隙**";
constexpr std::string_view kMate = "\r\n配对齿轮：";
constexpr std::string_view kNoBacklash = "\r\n无法计算侧隙";
constexpr std::string_view kCentreDistance = "\r\n中心距：";
constexpr std::string_view kCentreAllowances = "\r\n中心距偏差：";
constexpr std::string_view kJtMin = "\r\n圆周侧隙 min：";
constexpr std::string_view kJtMax = "\r\n圆周侧隙 max：";
constexpr std::string_view kJnMin = "\r\n法向侧隙 min：";
constexpr std::string_view kJnMax = "\r\n法向侧隙 max：";
constexpr std::string_view kInterferenceMark = "（干涉）";
constexpr std::string_view kInterference = "\r\n干涉：最小侧隙为负，齿厚和中心距处于最不利的偏差时轮齿会卡住";

std::optional<std::string_view> textOf(const RunValues& values, std::string_view name)
{
    for (const auto& [n, v] : values)
        if (n == name) return v;
    return std::nullopt;
}

std::optional<std::string> copied(const RunValues& values, std::string_view name)
{
    const std::optional<std::string_view> v = textOf(values, name);
    return v ? std::optional<std::string>(*v) : std::nullopt;
}

std::string outsideTables(const char* whose, const RunValues& values)
{
    return std::string(whose) + " pitch diameter " + std::string(textOf(values, "pitch_diameter").value_or("")) +
           " mm lies outside the allowance tables (spc.edb, gc.edb): no backlash";
}

// An allowance with its sign: "+0.0300", "-0.0100", "0.0000".
std::string signedFour(double x)
{
    const std::string text = FourDecimals(x);
    return text.front() == '-' || text == "0.0000" ? text : "+" + text;
}

// Builds the mate's input through the same option rules as the gear's.
std::string mateInput(const GearInput& gear, const RunValues& values, const inspection::Gear& first,
                      const InspectionOptions& o, GearInput& mate)
{
    std::string problem;
    const auto set = [&](std::string_view name, std::string_view value) {
        if (problem.empty()) problem = setOption(mate, name, value);
    };
    set("pressure-angle", gear.pressure_angle);
    if (o.mate_item) {
        set("item", *o.mate_item);
        return problem;
    }
    // The gear's module and helix angle as its report shows them, so the
    // mate is typed with the same texts.
    set("module", textOf(values, "module").value_or(""));
    set("teeth", std::to_string(*o.mate_teeth));
    if (first.helix_angle != 0.0) set("helix", textOf(values, "helix_angle").value_or(""));
    const std::string_view item_deviation = schema::kDeviationSeries[schema::kItemDeviationIndex];
    const int item_tolerance = schema::kFirstTolerance + schema::kItemToleranceIndex;
    set("deviation", o.mate_deviation ? std::string_view(*o.mate_deviation)
                     : gear.deviation ? std::string_view(*gear.deviation)
                                      : item_deviation);
    set("tolerance", std::to_string(o.mate_tolerance.value_or(gear.tolerance.value_or(item_tolerance))));
    return problem;
}

// A text, or null; bytes that are not UTF-8 (a typed item number can hold
// anything) become U+FFFD, as in the rest of the JSON line.
void text(rapidjson::Writer<rapidjson::StringBuffer>& w, const std::optional<std::string>& s)
{
    if (!s) {
        w.Null();
        return;
    }
    std::string mended;
    std::string_view rest = *s;
    for (std::size_t bad = gr::db::firstInvalidUtf8(rest); bad != std::string_view::npos;
         bad = gr::db::firstInvalidUtf8(rest)) {
        mended.append(rest.substr(0, bad));
        mended += "\xEF\xBF\xBD";
        rest.remove_prefix(bad + 1);
    }
    mended.append(rest);
    w.String(mended.data(), static_cast<rapidjson::SizeType>(mended.size()));
}

} // namespace

std::string checkPairInput(const InspectionOptions& o, const GearInput& gear, bool many)
{
    if (!o.pair()) return {};
    if (many) return "--mate-teeth and --mate-item pair one gear: they do not apply to --batch or --all-items";
    if (o.mate_item) {
        if (!gear.item) return "--mate-item pairs two items of the catalogue: give the gear with --item";
        if (std::string p = oneLineProblem(*o.mate_item); !p.empty()) return "--mate-item: the value " + p;
        return {};
    }
    if (!gear.item && (!gear.deviation || !gear.tolerance))
        return "the backlash needs the tooth-thickness allowances of the gear: give --deviation and --tolerance "
               "(the mate takes the same series unless --mate-deviation or --mate-tolerance say otherwise)";
    return {};
}

PairCheck checkPair(Session& session, const GearInput& gear, const RunResult& run, const InspectionOptions& o)
{
    PairCheck p;
    if (o.centre_distance_allowance.size() == 2)
        p.allowances = {o.centre_distance_allowance[0], o.centre_distance_allowance[1]};
    const RunValues values = runValues(run);
    std::string problem;
    const std::optional<inspection::Gear> first = reportGear(values, problem);
    if (!first) {
        p.problem = problem + ": no backlash";
        return p;
    }
    if (std::string e = mateInput(gear, values, *first, o, p.mate); !e.empty()) {
        p.problem = "the mate: " + e;
        return p;
    }
    const std::optional<double> a1 = reportNumber(values, "upper_deviation");
    const std::optional<double> t1 = reportNumber(values, "tolerance");

    // The gear's values are copied out above; the window now calculates the mate.
    const RunResult mate_run = session.run(p.mate);
    if (mate_run.outcome == Outcome::ItemNotFound) {
        p.problem = "the mate's item number " + *p.mate.item + " is not in the item catalogue: no backlash";
        return p;
    }
    if (mate_run.outcome != Outcome::Report) {
        std::string why;
        for (const std::string& m : mate_run.messages) why += (why.empty() ? "" : "; ") + m;
        p.problem = "the mate's calculation wrote no report" + (why.empty() ? std::string() : " (" + why + ")") +
                    ": no backlash";
        return p;
    }
    const RunValues mate_values = runValues(mate_run);
    p.mate_teeth = copied(mate_values, "teeth");
    p.mate_pitch_diameter = copied(mate_values, "pitch_diameter");
    p.mate_upper_deviation = copied(mate_values, "upper_deviation");
    p.mate_tolerance = copied(mate_values, "tolerance");

    if (!a1 || !t1) {
        p.problem = outsideTables("the gear's", values);
        return p;
    }
    const std::optional<inspection::Gear> mate = reportGear(mate_values, problem);
    if (!mate) {
        p.problem = "the mate: " + problem + ": no backlash";
        return p;
    }
    const std::optional<double> a2 = reportNumber(mate_values, "upper_deviation");
    const std::optional<double> t2 = reportNumber(mate_values, "tolerance");
    if (!a2 || !t2) {
        p.problem = outsideTables("the mate's", mate_values);
        return p;
    }
    const inspection::Result<inspection::Backlash> b =
        inspection::PairBacklash({*first, *a1, *t1}, {*mate, *a2, *t2}, p.allowances);
    if (b) p.backlash = b.value();
    else p.problem = b.problem() + ": no backlash";
    return p;
}

std::string pairBlock(const PairCheck& p)
{
    std::string out(kHeader);
    if (p.mate_teeth) {
        out += kMate;
        if (p.mate.item) out += *p.mate.item + "，";
        out += "齿数 " + *p.mate_teeth;
        if (p.mate_pitch_diameter) out += "，分度圆直径 " + *p.mate_pitch_diameter;
        if (p.mate_upper_deviation) out += "，齿厚上偏差 " + *p.mate_upper_deviation;
        if (p.mate_tolerance) out += "，齿厚公差 " + *p.mate_tolerance;
    }
    if (!p.backlash) {
        out += kNoBacklash;
        return out;
    }
    const inspection::Backlash& b = *p.backlash;
    const auto line = [&](std::string_view label, double value, bool mark) {
        out += label;
        out += FourDecimals(value);
        if (mark) out += kInterferenceMark;
    };
    line(kCentreDistance, b.centre_distance, false);
    out += kCentreAllowances;
    out += signedFour(p.allowances.upper) + "/" + signedFour(p.allowances.lower);
    line(kJtMin, b.jt_min, b.interference);
    line(kJtMax, b.jt_max, false);
    line(kJnMin, b.jn_min, b.interference);
    line(kJnMax, b.jn_max, false);
    if (b.interference) out += kInterference;
    return out;
}

std::string pairJson(const PairCheck& p)
{
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> w(buffer);
    const auto four = [](double x) { return std::optional<std::string>(FourDecimals(x)); };
    const std::optional<inspection::Backlash>& b = p.backlash;
    w.StartObject();
    w.Key("mate");
    w.StartObject();
    w.Key("item");
    text(w, p.mate.item);
    w.Key("teeth");
    text(w, p.mate_teeth);
    w.Key("pitch_diameter");
    text(w, p.mate_pitch_diameter);
    w.Key("upper_deviation");
    text(w, p.mate_upper_deviation);
    w.Key("tolerance");
    text(w, p.mate_tolerance);
    w.EndObject();
    const std::pair<const char*, std::optional<std::string>> values[] = {
        {"centre_distance", b ? four(b->centre_distance) : std::nullopt},
        {"centre_distance_upper", four(p.allowances.upper)},
        {"centre_distance_lower", four(p.allowances.lower)},
        {"jt_min", b ? four(b->jt_min) : std::nullopt},
        {"jt_max", b ? four(b->jt_max) : std::nullopt},
        {"jn_min", b ? four(b->jn_min) : std::nullopt},
        {"jn_max", b ? four(b->jn_max) : std::nullopt},
    };
    for (const auto& [key, value] : values) {
        w.Key(key);
        text(w, value);
    }
    w.Key("interference");
    if (b) w.Bool(b->interference);
    else w.Null();
    w.Key("problem");
    text(w, p.problem.empty() ? std::nullopt : std::optional<std::string>(p.problem));
    w.EndObject();
    return std::string(buffer.GetString(), buffer.GetSize());
}

} // namespace gearcalc::report
