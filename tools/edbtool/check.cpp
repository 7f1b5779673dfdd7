// edbtool check: the contents of range tables and the item catalogue.
#include "edbtool.hpp"
#include "number_text.hpp"

#include <gearprog/catalogue_schema.hpp>

#include <algorithm>
#include <cmath>
#include <optional>
#include <unordered_map>

namespace edbtool {

using gr::db::Catalogue;
using gr::db::Field;
using gr::db::FieldKind;

namespace {

constexpr auto kAllowanceSeries = gearcalc::schema::kDeviationSeries;
constexpr auto kToleranceSeries = gearcalc::schema::kToleranceFields;
constexpr std::string_view kMin = gearcalc::schema::kFieldMinimum;
constexpr std::string_view kMax = gearcalc::schema::kFieldMaximum;

std::string rangeLabel(const Catalogue& c, std::size_t minField, std::size_t maxField,
                       std::size_t r)
{
    return "record " + std::to_string(r + 1) + " (" + numberText(c.numberAt(minField, r)) + " to " +
           numberText(c.numberAt(maxField, r)) + ")";
}

// A field that must be there and hold numbers; reports and returns nullopt
// otherwise.
std::optional<std::size_t> numericField(const Catalogue& c, std::string_view name, CheckReport& rep)
{
    const auto f = c.fieldIndex(name);
    if (!f) {
        rep.errors.push_back("field \"" + std::string(name) + "\" is missing");
        return std::nullopt;
    }
    if (c.field(*f).kind == FieldKind::Text) {
        rep.errors.push_back("field \"" + std::string(name) + "\" is TEXT; it must hold numbers");
        return std::nullopt;
    }
    return f;
}

// The series values of record `r`: their sign, and their steps along the
// row and down the column.
void checkSeriesRow(const Catalogue& c, bool allowance, const std::vector<std::size_t>& series,
                    const std::string& label, std::size_t r, CheckReport& rep)
{
    for (std::size_t k = 0; k < series.size(); ++k) {
        const std::size_t f = series[k];
        const double v = c.numberAt(f, r);
        const std::string cell = label + ": " + c.field(f).name + " = " + numberText(v);
        if (allowance && v > 0) rep.errors.push_back(cell + " is above zero; allowances are zero or negative");
        if (!allowance && v <= 0) rep.errors.push_back(cell + " is not positive; tolerances are above zero");
        // Allowances fall from h to a and with the diameter; tolerances
        // rise from 21 to 30 and with the diameter. A value out of step
        // is most likely a typing error.
        if (k + 1 < series.size()) {
            const double next = c.numberAt(series[k + 1], r);
            if (allowance ? v > next : v >= next)
                rep.warnings.push_back(cell + " is out of step with " + c.field(series[k + 1]).name + " = " +
                                       numberText(next) + " in the same row; check the value");
        }
        if (r > 0) {
            const double above = c.numberAt(f, r - 1);
            if (allowance ? v > above : v < above)
                rep.warnings.push_back(cell + " is out of step with the row above (" + numberText(above) +
                                       "); check the value");
        }
    }
}

// The fields of the series the program reads, in the order in which their
// values grow; reports missing series and value fields it does not read.
std::vector<std::size_t> seriesFields(const Catalogue& c, CatalogueKind kind, const std::vector<std::size_t>& values,
                                      CheckReport& rep)
{
    std::vector<std::size_t> series;
    auto expectSeries = [&](auto const& names, std::string_view what) {
        for (std::string_view name : names) {
            if (const auto f = c.fieldIndex(name); !f)
                rep.errors.push_back("series field \"" + std::string(name) + "\" is missing");
            else if (c.field(*f).kind != FieldKind::Text)
                series.push_back(*f);
        }
        for (std::size_t f : values)
            if (std::find(names.begin(), names.end(), c.field(f).name) == names.end())
                rep.warnings.push_back("field \"" + c.field(f).name + "\" is not one of the " + std::string(what) +
                                       "; the program does not read it");
    };
    if (kind == CatalogueKind::Spc) expectSeries(kAllowanceSeries, "series a to h");
    if (kind == CatalogueKind::Gc) expectSeries(kToleranceSeries, "series 21 to 30");
    return series;
}

void checkRangeTable(const Catalogue& c, CatalogueKind kind, CheckReport& rep)
{
    const auto lo = numericField(c, kMin, rep);
    const auto hi = numericField(c, kMax, rep);

    // The value fields: everything but the two keys, all numeric.
    std::vector<std::size_t> values;
    for (std::size_t f = 0; f < c.fieldCount(); ++f) {
        const Field& field = c.field(f);
        if (field.name == kMin || field.name == kMax) continue;
        if (field.kind == FieldKind::Text)
            rep.errors.push_back("value field \"" + field.name + "\" is TEXT; it must hold numbers");
        else
            values.push_back(f);
    }
    const std::vector<std::size_t> series = seriesFields(c, kind, values, rep);
    if (values.empty() && kind == CatalogueKind::Range) rep.errors.push_back("there are no value fields");
    if (!lo || !hi) return;
    if (c.recordCount() == 0) {
        rep.errors.push_back("the table has no records");
        return;
    }

    for (std::size_t r = 0; r < c.recordCount(); ++r) {
        const double a = c.numberAt(*lo, r);
        const double b = c.numberAt(*hi, r);
        const std::string label = rangeLabel(c, *lo, *hi, r);
        if (r == 0 && a < 0) rep.errors.push_back(label + ": a pitch diameter cannot be negative");
        if (!(a < b)) rep.errors.push_back(label + ": 最小 must be below 最大");
        if (r > 0) {
            const double previousEnd = c.numberAt(*hi, r - 1);
            if (a > previousEnd)
                rep.errors.push_back(label + ": gap after the previous range, which ends at " +
                                     numberText(previousEnd));
            else if (a < previousEnd)
                rep.errors.push_back(label + ": overlaps the previous range, which ends at " +
                                     numberText(previousEnd));
        }
        if (kind == CatalogueKind::Spc || kind == CatalogueKind::Gc)
            checkSeriesRow(c, kind == CatalogueKind::Spc, series, label, r, rep);
    }
}

void checkItems(const Catalogue& c, CheckReport& rep)
{
    const auto item = c.fieldIndex("订货编号");
    if (!item) {
        rep.errors.push_back("field \"订货编号\" is missing");
    } else if (c.field(*item).kind != FieldKind::Text) {
        rep.errors.push_back("field \"订货编号\" is " +
                             std::string(kindKeyword(c.field(*item).kind)) +
                             "; the item number must be TEXT");
    }
    const auto module = numericField(c, "模数", rep);
    const auto teeth = numericField(c, "齿数", rep);
    const auto form = numericField(c, "齿形", rep);
    const auto grade = numericField(c, "精度", rep);
    if (!rep.errors.empty()) return;
    (void)form; // any number is valid: 1 is helical, everything else spur

    std::unordered_map<std::string_view, std::size_t> first;
    first.reserve(c.recordCount());
    for (std::size_t r = 0; r < c.recordCount(); ++r) {
        const std::string_view number = c.textAt(*item, r);
        const std::string label =
            "record " + std::to_string(r + 1) + " (\"" + std::string(number) + "\")";
        if (number.empty()) rep.warnings.push_back(label + ": the item number is empty");
        const auto [it, fresh] = first.emplace(number, r);
        if (!fresh)
            rep.warnings.push_back(label + ": repeats the item number of record " +
                                   std::to_string(it->second + 1) +
                                   "; only the first is ever found");
        const double m = c.numberAt(*module, r);
        if (!(m > 0))
            rep.errors.push_back(label + ": module " + numberText(m) + " is not positive");
        const double z = c.numberAt(*teeth, r);
        if (!(z > 0))
            rep.errors.push_back(label + ": number of teeth " + numberText(z) + " is not positive");
        else if (z != std::floor(z))
            rep.warnings.push_back(label + ": number of teeth " + numberText(z) + " is not whole");
        const double q = c.numberAt(*grade, r);
        if (!(q >= 1 && q <= 12))
            rep.errors.push_back(label + ": accuracy grade " + numberText(q) +
                                 " is outside 1 to 12");
        else if (q != std::floor(q))
            rep.warnings.push_back(label + ": accuracy grade " + numberText(q) +
                                   " is not whole; it is shown as " + numberText(std::floor(q)));
    }
}
} // namespace

std::string catalogueKindName(CatalogueKind kind)
{
    switch (kind) {
    case CatalogueKind::Range: return "range table";
    case CatalogueKind::Spc: return "allowance table (series a to h)";
    case CatalogueKind::Gc: return "tolerance table (series 21 to 30)";
    case CatalogueKind::Items: return "item catalogue";
    default: return "unknown";
    }
}

CheckReport checkCatalogue(const Catalogue& c, CatalogueKind kind)
{
    CheckReport rep;
    if (kind == CatalogueKind::Auto) {
        const std::string_view name = c.fileName();
        auto hasAll = [&](auto const& names) {
            return std::all_of(names.begin(), names.end(),
                               [&](std::string_view n) { return c.fieldIndex(n).has_value(); });
        };
        const bool range = c.fieldIndex(kMin) && c.fieldIndex(kMax);
        if (name == gearcalc::schema::kDeviationFile || (range && hasAll(kAllowanceSeries)))
            kind = CatalogueKind::Spc;
        else if (name == gearcalc::schema::kToleranceFile || (range && hasAll(kToleranceSeries)))
            kind = CatalogueKind::Gc;
        else if (name == gearcalc::schema::kItemFile || (!range && c.fieldIndex(std::string(gearcalc::schema::kFieldItemNumber))))
            kind = CatalogueKind::Items;
        else if (range)
            kind = CatalogueKind::Range;
        else {
            rep.errors.push_back("cannot tell what kind of catalogue this is (no 最小/最大 and no "
                                 "订货编号); use --kind");
            return rep;
        }
    }
    rep.kind = kind;
    if (kind == CatalogueKind::Items)
        checkItems(c, rep);
    else
        checkRangeTable(c, kind, rep);
    return rep;
}

} // namespace edbtool
