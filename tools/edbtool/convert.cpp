// edbtool create and export: CSV to catalogue and back.
#include "csv.hpp"
#include "edbtool.hpp"
#include "number_text.hpp"

#include <geardb/catalogue_writer.hpp>

#include <cmath>

namespace edbtool {

using gr::db::Catalogue;
using gr::db::CatalogueWriter;
using gr::db::CellValue;
using gr::db::Field;
using gr::db::FieldKind;

namespace {

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

} // namespace edbtool
