// Gears as JSON lines: one object per run, with the inputs as given, the
// report's values as the program wrote them, the report and the messages.
#pragma once

#include "report_session.hpp"

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace gearcalc::report {

// The JSON name of an outcome: "ok", "not_found", "no_module" or "error".
const char* statusName(Outcome outcome);

// Writes straight into the caller's line: no document is built. Texts
// that are not well-formed UTF-8 (a typed argument can be anything) are
// written with U+FFFD for each byte that does not fit.
class JsonLines {
public:
    JsonLines();
    ~JsonLines();
    JsonLines(const JsonLines&) = delete;
    JsonLines& operator=(const JsonLines&) = delete;

    // Appends the object of one run and a line end to `out`; `inspection`,
    // when given, is the JSON text of its "inspection" object, and `more`
    // further members (name, JSON text) after it.
    void append(std::string& out, const GearInput& gear, const RunResult& result,
                std::optional<std::string_view> inspection = std::nullopt,
                std::span<const std::pair<std::string_view, std::string_view>> more = {});

private:
    struct Writer;
    std::unique_ptr<Writer> writer_;
    std::vector<std::optional<std::string_view>> found_;
};

} // namespace gearcalc::report
