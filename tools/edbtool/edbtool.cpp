#include "edbtool.hpp"

#include <geardb/catalogue_writer.hpp>
#include <gearprog/catalogue_schema.hpp>
#include "csv.hpp"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <ostream>
#include <sstream>
#include <system_error>
#include <unordered_map>

namespace edbtool {

using gr::db::Catalogue;
using gr::db::CatalogueWriter;
using gr::db::CellValue;
using gr::db::Field;
using gr::db::FieldKind;

namespace {

constexpr auto kAllowanceSeries = gearcalc::schema::kDeviationSeries;
constexpr auto kToleranceSeries = gearcalc::schema::kToleranceFields;
constexpr std::string_view kMin = gearcalc::schema::kFieldMinimum;
constexpr std::string_view kMax = gearcalc::schema::kFieldMaximum;

constexpr std::string_view kHelp =
    R"(edbtool - make, export, describe and check the calculator's catalogue files

Usage:
  edbtool create OUT.edb IN.csv
      Builds a catalogue file from CSV. The first line names each field with
      its kind, NAME:KIND, KIND being TEXT, BYTE, SHORT, INT, LONG, FLOAT or
      DOUBLE (e.g. 订货编号:TEXT,模数:DOUBLE,齿数:SHORT). UTF-8, with or
      without a byte order mark; RFC 4180 quoting. Nothing is written when
      the CSV has an error.
  edbtool export IN.edb [OUT.csv] [--bom]
      Writes the catalogue back as CSV in the same form (to standard output
      when OUT.csv is left out). --bom starts the file with a UTF-8 byte
      order mark, which some spreadsheet programs need.
  edbtool info FILE.edb
      Lists the fields with their kinds and counts the records.
  edbtool check FILE.edb [--kind auto|range|spc|gc|items]
      Checks the contents: range tables for order, gaps, overlaps and the
      series fields; the item catalogue for repeated item numbers, grades
      outside 1 to 12 and missing fields. auto (the default) goes by the file
      name (spc.edb, gc.edb, ZKD.edb), then by the fields.
  edbtool generate-items OUT.edb COUNT
      Writes a synthetic item catalogue of COUNT records (for benchmarks).
  edbtool --help

Exit status: 0 success (warnings allowed), 1 errors in the input, 2 usage.
)";

template <typename T>
std::string numberText(T value)
{
    char buf[64];
    return std::string(buf, std::to_chars(buf, buf + sizeof buf, value).ptr);
}

std::string_view integerRange(FieldKind kind)
{
    switch (kind) {
    case FieldKind::Byte: return "0 to 255";
    case FieldKind::Short: return "-32768 to 32767";
    case FieldKind::Int: return "-2147483648 to 2147483647";
    default: return "-9223372036854775808 to 9223372036854775807";
    }
}

// Turns one CSV cell into a value of the field's kind; returns what is wrong.
std::string convertCell(FieldKind kind, const std::string& text, CellValue& out)
{
    if (kind == FieldKind::Text) {
        out = std::string_view(text);
        return {};
    }
    const std::string shown = "\"" + text + "\"";
    if (text.empty()) return "is empty; a number is needed";
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (gr::db::isInteger(kind)) {
        std::int64_t v = 0;
        const auto [p, ec] = std::from_chars(begin, end, v);
        if (p == end && (ec == std::errc::result_out_of_range ||
                         (ec == std::errc() && !gr::db::integerFits(kind, v))))
            return shown + " is out of range (" + std::string(integerRange(kind)) + ")";
        if (p == end && ec == std::errc()) {
            out = v;
            return {};
        }
        double d = 0.0;
        const auto r = std::from_chars(begin, end, d);
        if (r.ptr == end && r.ec == std::errc()) return shown + " is not a whole number";
        return shown + " is not a number";
    }
    double value = 0.0;
    std::from_chars_result r{};
    if (kind == FieldKind::Float) {
        float f = 0.0f;
        r = std::from_chars(begin, end, f);
        value = static_cast<double>(f);
    } else {
        r = std::from_chars(begin, end, value);
    }
    if (r.ptr != end || (r.ec != std::errc() && r.ec != std::errc::result_out_of_range))
        return shown + " is not a number";
    if (r.ec == std::errc::result_out_of_range) return shown + " is out of range";
    if (!std::isfinite(value)) return shown + " is not a finite number";
    out = value;
    return {};
}

bool readWholeFile(const std::string& path, std::string& bytes, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad()) {
        error = "cannot read " + path;
        return false;
    }
    bytes = std::move(buffer).str();
    return true;
}

// Writes a temporary file beside `path` and renames it over `path`, so a
// reader never sees half a file.
std::string writeFileAtomically(const std::string& path, std::string_view bytes)
{
    std::string error;
    const std::string temp = gr::db::createTemporaryBeside(path, error);
    if (temp.empty()) return error;
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) {
        std::error_code ignored;
        std::filesystem::remove(temp, ignored);
        return "cannot write " + temp + ": " + std::strerror(errno);
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    const bool closed = std::fclose(f) == 0;
    std::error_code ec;
    if (!written || !closed) {
        std::filesystem::remove(temp, ec);
        return "cannot write " + path;
    }
    std::filesystem::rename(temp, path, ec);
    if (ec) {
        std::error_code ignored;
        std::filesystem::remove(temp, ignored);
        return "cannot write " + path + ": " + ec.message();
    }
    return {};
}

std::string kindName(CatalogueKind kind)
{
    switch (kind) {
    case CatalogueKind::Range: return "range table";
    case CatalogueKind::Spc: return "allowance table (series a to h)";
    case CatalogueKind::Gc: return "tolerance table (series 21 to 30)";
    case CatalogueKind::Items: return "item catalogue";
    default: return "unknown";
    }
}

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
            rep.errors.push_back("value field \"" + field.name +
                                 "\" is TEXT; it must hold numbers");
        else
            values.push_back(f);
    }

    // The series the program reads, in the order in which their values grow.
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
                rep.warnings.push_back("field \"" + c.field(f).name + "\" is not one of the " +
                                       std::string(what) + "; the program does not read it");
    };
    if (kind == CatalogueKind::Spc) expectSeries(kAllowanceSeries, "series a to h");
    if (kind == CatalogueKind::Gc) expectSeries(kToleranceSeries, "series 21 to 30");
    if (values.empty() && kind == CatalogueKind::Range)
        rep.errors.push_back("there are no value fields");
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
        if (kind != CatalogueKind::Spc && kind != CatalogueKind::Gc) continue;

        const bool allowance = kind == CatalogueKind::Spc;
        for (std::size_t k = 0; k < series.size(); ++k) {
            const std::size_t f = series[k];
            const double v = c.numberAt(f, r);
            const std::string cell = label + ": " + c.field(f).name + " = " + numberText(v);
            if (allowance && v > 0)
                rep.errors.push_back(cell + " is above zero; allowances are zero or negative");
            if (!allowance && v <= 0)
                rep.errors.push_back(cell + " is not positive; tolerances are above zero");
            // Allowances fall from h to a and with the diameter; tolerances
            // rise from 21 to 30 and with the diameter. A value out of step
            // is most likely a typing error.
            if (k + 1 < series.size()) {
                const double next = c.numberAt(series[k + 1], r);
                if (allowance ? v > next : v >= next)
                    rep.warnings.push_back(cell + " is out of step with " +
                                           c.field(series[k + 1]).name + " = " + numberText(next) +
                                           " in the same row; check the value");
            }
            if (r > 0) {
                const double above = c.numberAt(f, r - 1);
                if (allowance ? v > above : v < above)
                    rep.warnings.push_back(cell + " is out of step with the row above (" +
                                           numberText(above) + "); check the value");
            }
        }
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

int usage(std::ostream& err, std::string_view message)
{
    err << "edbtool: " << message << " (see edbtool --help)\n";
    return 2;
}

void printLimited(std::ostream& out, const std::string& file, std::string_view tag,
                  const std::vector<std::string>& lines)
{
    constexpr std::size_t kShown = 50;
    for (std::size_t i = 0; i < lines.size() && i < kShown; ++i)
        out << file << ": " << tag << ": " << lines[i] << '\n';
    if (lines.size() > kShown)
        out << file << ": " << tag << ": ... and " << lines.size() - kShown << " more\n";
}

} // namespace

std::string createFromCsv(const std::string& outPath, std::string_view csv,
                          std::size_t* recordCount)
{
    auto at = [](std::size_t line, const std::string& message) {
        return std::to_string(line) + ": " + message;
    };
    const CsvParseResult parsed = parseCsv(csv);
    if (!parsed.error.empty()) return at(parsed.errorLine, parsed.error);
    if (parsed.records.empty())
        return at(1, "the file is empty; its first line must name the fields, e.g. "
                     "订货编号:TEXT,模数:DOUBLE");

    const CsvRecord& header = parsed.records.front();
    std::vector<Field> fields;
    for (std::size_t k = 0; k < header.fields.size(); ++k) {
        const std::string& cell = header.fields[k];
        const std::string column = "column " + std::to_string(k + 1) + " \"" + cell + "\"";
        const auto colon = cell.rfind(':');
        if (colon == std::string::npos)
            return at(header.line, column +
                                       " has no kind; write NAME:KIND, KIND one of TEXT, BYTE, "
                                       "SHORT, INT, LONG, FLOAT, DOUBLE");
        const auto kind = gr::db::kindFromKeyword(std::string_view(cell).substr(colon + 1));
        if (!kind)
            return at(header.line, column +
                                       ": unknown kind; use TEXT, BYTE, SHORT, INT, LONG, FLOAT "
                                       "or DOUBLE");
        Field field{cell.substr(0, colon), *kind};
        if (field.name.empty()) return at(header.line, column + " has no field name");
        if (field.name.find_first_of(" \t") == 0 ||
            field.name.find_last_of(" \t") == field.name.size() - 1)
            return at(header.line, column + ": the field name has blanks at its ends, which the "
                                            "program would have to match exactly");
        for (const Field& earlier : fields) {
            auto upper = [](std::string s) {
                for (char& ch : s)
                    if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
                return s;
            };
            if (upper(earlier.name) == upper(field.name))
                return at(header.line,
                          column + ": the field name \"" + field.name + "\" is used twice");
        }
        fields.push_back(std::move(field));
    }

    std::string error;
    auto writer = CatalogueWriter::create(outPath, fields, error);
    if (!writer) return error;
    std::vector<CellValue> cells(fields.size());
    for (std::size_t r = 1; r < parsed.records.size(); ++r) {
        const CsvRecord& record = parsed.records[r];
        if (record.fields.size() != fields.size())
            return at(record.line, std::to_string(record.fields.size()) +
                                       " values, but the header names " +
                                       std::to_string(fields.size()) + " fields");
        for (std::size_t k = 0; k < fields.size(); ++k) {
            error = convertCell(fields[k].kind, record.fields[k], cells[k]);
            if (!error.empty())
                return at(record.line, "field " + std::to_string(k + 1) + " \"" + fields[k].name +
                                           "\" (" + std::string(kindKeyword(fields[k].kind)) +
                                           "): " + error);
        }
        error = writer->add(cells);
        if (!error.empty()) return at(record.line, error);
    }
    error = writer->commit();
    if (!error.empty()) return error;
    if (recordCount) *recordCount = parsed.records.size() - 1;
    return {};
}

std::string exportToCsv(const Catalogue& c)
{
    std::string out;
    for (std::size_t f = 0; f < c.fieldCount(); ++f) {
        if (f) out += ',';
        appendCsvField(out, c.field(f).name + ":" + std::string(kindKeyword(c.field(f).kind)));
    }
    out += '\n';
    for (std::size_t r = 0; r < c.recordCount(); ++r) {
        for (std::size_t f = 0; f < c.fieldCount(); ++f) {
            if (f) out += ',';
            switch (c.field(f).kind) {
            case FieldKind::Text: appendCsvField(out, c.textAt(f, r)); break;
            case FieldKind::Float: out += numberText(c.floatAt(f, r)); break;
            case FieldKind::Double: out += numberText(c.doubleAt(f, r)); break;
            default: out += numberText(c.integerAt(f, r)); break;
            }
        }
        out += '\n';
    }
    return out;
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

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.empty()) {
        err << kHelp;
        return 2;
    }
    const std::string& command = args[0];
    std::vector<std::string> operands;
    bool bom = false;
    std::optional<std::string> kindOption;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--bom") {
            bom = true;
        } else if (a == "--kind") {
            if (i + 1 >= args.size()) return usage(err, "--kind needs a value");
            kindOption = args[++i];
        } else if (a.starts_with("--kind=")) {
            kindOption = a.substr(7);
        } else if (a.starts_with("--") && a != "--help") {
            return usage(err, "unknown option " + a);
        } else {
            operands.push_back(a);
        }
    }
    if (bom && command != "export") return usage(err, "--bom belongs to export");
    if (kindOption && command != "check") return usage(err, "--kind belongs to check");

    if (command == "--help" || command == "-h" || command == "help") {
        out << kHelp;
        return 0;
    }

    if (command == "create") {
        if (operands.size() != 2) return usage(err, "create takes OUT.edb IN.csv");
        std::string csv, error;
        if (!readWholeFile(operands[1], csv, error)) {
            err << "edbtool: " << error << '\n';
            return 1;
        }
        std::size_t records = 0;
        error = createFromCsv(operands[0], csv, &records);
        if (!error.empty()) {
            // Faults in the CSV come as "LINE: ...", reported as IN.csv:LINE: ...
            const bool atLine = error.front() >= '0' && error.front() <= '9';
            err << "edbtool: " << (atLine ? operands[1] + ":" : "") << error
                << "\nedbtool: nothing written to " << operands[0] << '\n';
            return 1;
        }
        out << operands[0] << ": " << records << " records written\n";
        return 0;
    }

    if (command == "export") {
        if (operands.empty() || operands.size() > 2)
            return usage(err, "export takes IN.edb [OUT.csv]");
        const auto loaded = Catalogue::load(operands[0]);
        if (!loaded.catalogue) {
            err << "edbtool: " << loaded.error << '\n';
            return 1;
        }
        std::string csv = (bom ? "\xEF\xBB\xBF" : "") + exportToCsv(*loaded.catalogue);
        if (operands.size() == 1) {
            out << csv;
            return 0;
        }
        if (const std::string error = writeFileAtomically(operands[1], csv); !error.empty()) {
            err << "edbtool: " << error << '\n';
            return 1;
        }
        return 0;
    }

    if (command == "info") {
        if (operands.size() != 1) return usage(err, "info takes FILE.edb");
        const auto loaded = Catalogue::load(operands[0]);
        if (!loaded.catalogue) {
            err << "edbtool: " << loaded.error << '\n';
            return 1;
        }
        const Catalogue& c = *loaded.catalogue;
        out << "file:    " << operands[0] << "\ntable:   " << c.tableName()
            << "\nrecords: " << c.recordCount() << "\nfields:  " << c.fieldCount() << '\n';
        for (std::size_t f = 0; f < c.fieldCount(); ++f)
            out << "  " << (f + 1) << ". " << c.field(f).name << ':' << kindKeyword(c.field(f).kind)
                << '\n';
        return 0;
    }

    if (command == "check") {
        CatalogueKind kind = CatalogueKind::Auto;
        const std::string value = kindOption.value_or("auto");
        if (value == "range")
            kind = CatalogueKind::Range;
        else if (value == "spc")
            kind = CatalogueKind::Spc;
        else if (value == "gc")
            kind = CatalogueKind::Gc;
        else if (value == "items")
            kind = CatalogueKind::Items;
        else if (value != "auto")
            return usage(err, "unknown kind " + value + "; use auto, range, spc, gc or items");
        if (operands.size() != 1) return usage(err, "check takes FILE.edb");
        const auto loaded = Catalogue::load(operands[0]);
        if (!loaded.catalogue) {
            err << "edbtool: " << loaded.error << '\n';
            return 1;
        }
        const CheckReport rep = checkCatalogue(*loaded.catalogue, kind);
        printLimited(err, operands[0], "error", rep.errors);
        printLimited(err, operands[0], "warning", rep.warnings);
        out << operands[0] << ": checked as " << kindName(rep.kind) << ": "
            << loaded.catalogue->recordCount() << " records, " << rep.errors.size() << " errors, "
            << rep.warnings.size() << " warnings\n";
        return rep.errors.empty() ? 0 : 1;
    }

    if (command == "generate-items") {
        if (operands.size() != 2) return usage(err, "generate-items takes OUT.edb COUNT");
        std::size_t count = 0;
        const std::string& text = operands[1];
        const auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), count);
        if (ec != std::errc() || p != text.data() + text.size() || count > 100'000'000)
            return usage(err, "COUNT must be a whole number from 0 to 100000000");
        std::string last;
        if (const std::string error = gr::db::writeSyntheticItems(operands[0], count, &last);
            !error.empty()) {
            err << "edbtool: " << error << '\n';
            return 1;
        }
        out << operands[0] << ": " << count << " records written";
        if (count) out << "; the last item number is " << last;
        out << '\n';
        return 0;
    }

    return usage(err, "unknown command " + command);
}

} // namespace edbtool
