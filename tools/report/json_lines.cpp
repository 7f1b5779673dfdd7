#include "json_lines.hpp"

#include "json_text.hpp"

#include <charconv>

namespace gearcalc::report {

const char* statusName(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Report: return "ok";
    case Outcome::ItemNotFound: return "not_found";
    case Outcome::NoModule: return "no_module";
    case Outcome::Stopped: return "error";
    }
    return "error";
}

// Writes the JSON text straight into the line: members separated by commas,
// strings through appendJsonString.
struct JsonLines::Writer {
    std::string* out = nullptr;
    bool first = true; // nothing written yet in the open object or array

    void separate()
    {
        if (!first) *out += ',';
        first = false;
    }
    void key(std::string_view name)
    {
        separate();
        appendJsonString(*out, name);
        *out += ':';
    }
    void open(char bracket)
    {
        *out += bracket;
        first = true;
    }
    void close(char bracket)
    {
        *out += bracket;
        first = false;
    }
    void null() { *out += "null"; }

    void text(std::string_view s) { appendJsonString(*out, s); }
    template <typename T>
    void text(const std::optional<T>& s)
    {
        if (s) text(std::string_view(*s));
        else null();
    }
    void number(const std::optional<int>& n)
    {
        if (!n) return null();
        char digits[16];
        *out += std::string_view(digits, static_cast<std::size_t>(std::to_chars(digits, digits + sizeof digits, *n).ptr - digits));
    }

    void input(const GearInput& gear)
    {
        open('{');
        const bool direct = !gear.item;
        const std::optional<std::string> none;
        key("item");
        text(gear.item);
        key("module");
        text(direct ? gear.module : none);
        key("teeth");
        text(direct ? gear.teeth : none);
        key("pressure_angle");
        text(gear.pressure_angle);
        key("gear");
        text(direct ? std::optional<std::string_view>(gear.helical ? "helical" : "spur") : std::nullopt);
        key("helix");
        text(gear.helix);
        key("helix_dms");
        if (gear.helix_dms) {
            open('[');
            for (const std::string& part : *gear.helix_dms) {
                separate();
                text(part);
            }
            close(']');
        } else {
            null();
        }
        key("grade");
        number(gear.grade);
        key("deviation");
        text(gear.deviation);
        key("tolerance");
        number(gear.tolerance);
        close('}');
    }
};

JsonLines::JsonLines() : writer_(std::make_unique<Writer>()) {}
JsonLines::~JsonLines() = default;

void JsonLines::append(std::string& out, const GearInput& gear, const RunResult& result,
                       std::optional<std::string_view> inspection,
                       std::span<const std::pair<std::string_view, std::string_view>> more)
{
    Writer& w = *writer_;
    w.out = &out;
    w.open('{');
    w.key("status");
    w.text(std::string_view(statusName(result.outcome)));
    w.key("input");
    w.input(gear);

    // The values from the texts the program appended, never from the
    // report text as a whole.
    const std::vector<ReportField>& fields = reportFields();
    found_.resize(fields.size());
    reportValues(result, found_);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        w.key(fields[i].name);
        w.text(found_[i]);
    }
    w.key("report");
    w.text(std::string_view(result.report));
    w.key("messages");
    w.open('[');
    for (const std::string& m : result.messages) {
        w.separate();
        w.text(std::string_view(m));
    }
    w.close(']');
    if (inspection) {
        w.key("inspection");
        out += *inspection;
    }
    for (const auto& [name, value] : more) {
        w.key(name);
        out += value;
    }
    w.close('}');
    out += '\n';
}

} // namespace gearcalc::report
