// Fuzz target of gearcalc-report's batch files with the option check: any
// text is taken or refused with a message naming the file; every gear of a
// taken file holds only what the window's boxes and lists can hold, and the
// file written back from its cells reads to the very same gears.
#include "fuzz_support.hpp"

#include "batch.hpp"
#include "csv.hpp"

#include <gearhost/typing.hpp>
#include <gearprog/catalogue_schema.hpp>
#include <gearrt/form.hpp>

#include <algorithm>

namespace {

using gearcalc::report::Batch;
using gearcalc::report::GearInput;
constexpr const char* kTarget = "batch";
const std::string kPath = "gears.csv";

// A value the gear holds is one its box holds as typed: no control
// character or line separator, not too long, a number in a number box, and
// already in the box's own form (entering it again changes nothing).
void oneLine(const std::optional<std::string>& text, const char* what, int32_t box = gr::form::kOrdinaryInput)
{
    if (!text) return;
    if (!gearcalc::report::oneLineProblem(*text).empty())
        fuzz::fault(kTarget, std::string(what) + " holds a control character or line separator");
    if (!gr::holdsAsTyped(box, *text)) fuzz::fault(kTarget, std::string(what) + " is a text its box refuses");
    const gr::BoxEntry again = gr::enterText(box, *text);
    if (!again.text || *again.text != *text) fuzz::fault(kTarget, std::string(what) + " is not in its box's form");
}

void checkGear(const GearInput& g)
{
    oneLine(g.item, "item");
    oneLine(g.module, "module", gr::form::kDecimalInput);
    oneLine(g.teeth, "teeth", gr::form::kIntegerInput);
    oneLine(g.pressure_angle, "pressure angle");
    oneLine(g.helix, "helix", gr::form::kDecimalInput);
    if (g.helix_dms)
        for (const std::string& part : *g.helix_dms) oneLine(part, "helix-dms", gr::form::kIntegerInput);
    namespace schema = gearcalc::schema;
    if (g.grade && (*g.grade < schema::kFirstGrade || *g.grade > schema::kLastGrade)) fuzz::fault(kTarget, "grade");
    if (g.tolerance && (*g.tolerance < schema::kFirstTolerance || *g.tolerance > schema::kLastTolerance))
        fuzz::fault(kTarget, "tolerance");
    if (g.deviation &&
        std::find(schema::kDeviationSeries.begin(), schema::kDeviationSeries.end(), *g.deviation) ==
            schema::kDeviationSeries.end())
        fuzz::fault(kTarget, "deviation");
    if (!gearcalc::report::checkCombination(g).empty()) fuzz::fault(kTarget, "a combination the check refuses");
    if (g.item && (g.module || g.teeth || g.helical || g.grade || g.deviation || g.tolerance))
        fuzz::fault(kTarget, "an item number with inputs the lookup overwrites");
}

bool same(const GearInput& a, const GearInput& b)
{
    return a.item == b.item && a.module == b.module && a.teeth == b.teeth && a.pressure_angle == b.pressure_angle &&
           a.helical == b.helical && a.spur == b.spur && a.helix == b.helix && a.helix_dms == b.helix_dms &&
           a.grade == b.grade && a.deviation == b.deviation && a.tolerance == b.tolerance;
}

std::string written(Batch& batch)
{
    std::string out;
    auto row = [&](const std::vector<std::string>& cells) {
        for (size_t c = 0; c < cells.size(); ++c) {
            if (c) out += ',';
            edbtool::appendCsvField(out, cells[c]);
        }
        out += "\r\n";
    };
    row(batch.columns);
    for (size_t i = 0; i < batch.size(); ++i) row(batch.row(i).fields);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Batch batch;
    const std::string error =
        gearcalc::report::parseBatch(std::string(reinterpret_cast<const char*>(data), size), kPath, batch);
    if (!error.empty()) {
        if (error.rfind(kPath + ":", 0) != 0) fuzz::fault(kTarget, "a refusal that does not name the file: " + error);
        return 0;
    }
    const auto& names = gearcalc::report::optionNames();
    for (size_t c = 0; c < batch.columns.size(); ++c) {
        if (std::find(names.begin(), names.end(), batch.columns[c]) == names.end()) fuzz::fault(kTarget, "unknown column");
        if (std::count(batch.columns.begin(), batch.columns.end(), batch.columns[c]) != 1)
            fuzz::fault(kTarget, "a column taken twice");
    }
    std::vector<GearInput> gears(batch.size());
    for (size_t i = 0; i < batch.size(); ++i) {
        // Memory for a row is bounded whatever the file: no more cells than
        // columns, no cell longer than a row may be.
        const edbtool::CsvRecord& cells = batch.row(i);
        if (cells.fields.size() > batch.columns.size()) fuzz::fault(kTarget, "a row with more cells than columns");
        for (const std::string& cell : cells.fields)
            if (cell.size() > gearcalc::report::kMaxBatchRowBytes) fuzz::fault(kTarget, "a cell longer than a row may be");
        if (const std::string e = batch.gear(i, gears[i]); !e.empty()) fuzz::fault(kTarget, "a taken row is bad: " + e);
        checkGear(gears[i]);
    }
    Batch again;
    if (const std::string e = gearcalc::report::parseBatch(written(batch), kPath, again); !e.empty())
        fuzz::fault(kTarget, "the file written back is refused: " + e);
    if (again.size() != batch.size()) fuzz::fault(kTarget, "the row count changed");
    for (size_t i = 0; i < again.size(); ++i) {
        GearInput g;
        again.gear(i, g);
        if (!same(g, gears[i])) fuzz::fault(kTarget, "row " + std::to_string(i + 1) + " changed on the way back");
    }
    return 0;
}
