#include "json_lines.hpp"

#include <geardb/utf8.hpp>

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

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

struct JsonLines::Writer {
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> json;
    std::string mended;

    void key(std::string_view name) { json.Key(name.data(), static_cast<rapidjson::SizeType>(name.size())); }

    void text(std::string_view s)
    {
        std::size_t bad = gr::db::firstInvalidUtf8(s);
        if (bad == std::string_view::npos) {
            json.String(s.data(), static_cast<rapidjson::SizeType>(s.size()));
            return;
        }
        mended.clear();
        while (bad != std::string_view::npos) {
            mended.append(s.substr(0, bad));
            mended += "\xEF\xBF\xBD"; // U+FFFD
            s.remove_prefix(bad + 1);
            bad = gr::db::firstInvalidUtf8(s);
        }
        mended.append(s);
        json.String(mended.data(), static_cast<rapidjson::SizeType>(mended.size()));
    }
    template <typename T>
    void text(const std::optional<T>& s)
    {
        if (s) text(std::string_view(*s));
        else json.Null();
    }
    void number(const std::optional<int>& n)
    {
        if (n) json.Int(*n);
        else json.Null();
    }

    void input(const GearInput& gear)
    {
        json.StartObject();
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
            json.StartArray();
            for (const std::string& part : *gear.helix_dms) text(part);
            json.EndArray();
        } else {
            json.Null();
        }
        key("grade");
        number(gear.grade);
        key("deviation");
        text(gear.deviation);
        key("tolerance");
        number(gear.tolerance);
        json.EndObject();
    }
};

JsonLines::JsonLines() : writer_(std::make_unique<Writer>()) {}
JsonLines::~JsonLines() = default;

void JsonLines::append(std::string& out, const GearInput& gear, const RunResult& result,
                       std::optional<std::string_view> inspection,
                       std::span<const std::pair<std::string_view, std::string_view>> more)
{
    Writer& w = *writer_;
    w.buffer.Clear();
    w.json.Reset(w.buffer);
    w.json.StartObject();
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
    w.json.StartArray();
    for (const std::string& m : result.messages) w.text(std::string_view(m));
    w.json.EndArray();
    if (inspection) {
        w.key("inspection");
        w.json.RawValue(inspection->data(), inspection->size(), rapidjson::kObjectType);
    }
    for (const auto& [name, value] : more) {
        w.key(name);
        w.json.RawValue(value.data(), value.size(), rapidjson::kObjectType);
    }
    w.json.EndObject();
    out.append(w.buffer.GetString(), w.buffer.GetSize());
    out += '\n';
}

} // namespace gearcalc::report
