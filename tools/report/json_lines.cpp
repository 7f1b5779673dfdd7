#include "json_lines.hpp"

#include "json_text.hpp"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <memory>

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

// Writes the JSON text through a cursor into a buffer of its own, kept
// from line to line (grown, never cleared or zeroed), then appends it to
// the line in one piece.
struct JsonLines::Writer {
    std::unique_ptr<char[]> buffer;
    std::size_t capacity = 0;
    std::size_t used = 0; // bytes of the line so far
    bool first = true;    // nothing written yet in the open object or array

    void begin() { used = 0; }
    void end(std::string& line) { line.append(buffer.get(), used); }

    // Where `n` more bytes may be written.
    char* room(std::size_t n)
    {
        if (capacity - used < n) {
            const std::size_t grown = std::max(2 * capacity, used + n + 4096);
            auto bigger = std::make_unique_for_overwrite<char[]>(grown);
            if (used != 0) std::memcpy(bigger.get(), buffer.get(), used);
            buffer = std::move(bigger);
            capacity = grown;
        }
        return buffer.get() + used;
    }
    void put(char c)
    {
        *room(1) = c;
        ++used;
    }
    void put(std::string_view s)
    {
        if (s.empty()) return;
        std::memcpy(room(s.size()), s.data(), s.size());
        used += s.size();
    }

    void separate()
    {
        if (!first) put(',');
        first = false;
    }
    // Member names are this program's own identifiers (letters, digits
    // and '_'), so they go in as they are.
    void key(std::string_view name)
    {
        separate();
        char* o = room(name.size() + 3);
        *o++ = '"';
        std::memcpy(o, name.data(), name.size());
        o[name.size()] = '"';
        o[name.size() + 1] = ':';
        used += name.size() + 3;
    }
    void open(char bracket)
    {
        put(bracket);
        first = true;
    }
    void close(char bracket)
    {
        put(bracket);
        first = false;
    }
    void null() { put("null"); }

    void text(std::string_view s)
    {
        char* o = room(jsonStringBound(s.size()));
        used += static_cast<std::size_t>(writeJsonString(o, s) - o);
    }
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
        put(std::string_view(digits, static_cast<std::size_t>(std::to_chars(digits, digits + sizeof digits, *n).ptr - digits)));
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
    w.begin();
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
        w.put(*inspection);
    }
    for (const auto& [name, value] : more) {
        w.key(name);
        w.put(value);
    }
    w.close('}');
    w.put('\n');
    w.end(out);
}

} // namespace gearcalc::report
