#include "csv.hpp"

#include <geardb/utf8.hpp>

#include <algorithm>

namespace edbtool {

namespace {

std::size_t lineAt(std::string_view data, std::size_t offset)
{
    return 1 + static_cast<std::size_t>(std::count(
                   data.begin(), data.begin() + static_cast<std::ptrdiff_t>(offset), '\n'));
}

} // namespace

CsvReader::CsvReader(std::string_view data, CsvLimits limits) : data_(data), limits_(limits)
{
    if (data_.substr(0, 3) == "\xEF\xBB\xBF") data_.remove_prefix(3);
    if (const auto bad = gr::db::firstInvalidUtf8(data_); bad != std::string_view::npos)
        fail(lineAt(data_, bad), "the text is not valid UTF-8 (save the file as UTF-8)");
    else if (const auto nul = data_.find('\0'); nul != std::string_view::npos)
        fail(lineAt(data_, nul), "the text contains a NUL character");
}

bool CsvReader::fail(std::size_t line, std::string message)
{
    error_ = std::move(message);
    error_line_ = line;
    i_ = data_.size();
    return false;
}

bool CsvReader::next(CsvRecord& record)
{
    const std::string_view data = data_;
    const std::size_t n = data.size();
    std::size_t& i = i_;
    std::size_t& line = line_;
    if (!error_.empty() || i >= n) return false;
    const std::size_t start = i;
    const std::size_t record_end = n - start > limits_.max_record_bytes ? start + limits_.max_record_bytes : n;
    const auto tooLong = [&]() {
        return fail(record.line, "a row longer than " + std::to_string(limits_.max_record_bytes) + " bytes");
    };
    record.line = line;
    std::size_t count = 0;
    for (;;) {
        if (count == limits_.max_fields)
            return fail(record.line, "a row of more than " + std::to_string(limits_.max_fields) + " cells");
        if (count == record.fields.size()) record.fields.emplace_back();
        std::string& field = record.fields[count++];
        field.clear();
        if (i < n && data[i] == '"') {
            const std::size_t openedOn = line;
            ++i;
            for (;;) {
                if (i >= record_end) {
                    if (record_end < n) return tooLong();
                    return fail(openedOn, "a quoted field opened on this line is never closed");
                }
                const char c = data[i];
                if (c == '"') {
                    if (i + 1 < n && data[i + 1] == '"') {
                        field += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                if (c == '\n') ++line;
                field += c;
                ++i;
            }
            if (i < n && data[i] != ',' && data[i] != '\r' && data[i] != '\n')
                return fail(line, "unexpected text after a closing quote (a quote inside a "
                                  "quoted field must be doubled)");
        } else {
            const std::size_t from = i;
            while (i < record_end && data[i] != ',' && data[i] != '\r' && data[i] != '\n') {
                if (data[i] == '"')
                    return fail(line, "a quote inside an unquoted field (enclose the field in "
                                      "quotes and double the quote)");
                ++i;
            }
            if (i == record_end && record_end < n && data[i] != ',' && data[i] != '\r' && data[i] != '\n')
                return tooLong();
            field.assign(data.substr(from, i - from));
        }
        if (i - start > limits_.max_record_bytes) return tooLong();

        if (i >= n) break;
        if (data[i] == ',') {
            ++i;
            continue; // another field follows, possibly empty at the end of the input
        }
        if (data[i] == '\r') {
            if (i + 1 >= n || data[i + 1] != '\n')
                return fail(line, "a carriage return that is not followed by a line feed");
            ++i;
        }
        ++i; // the line feed
        ++line;
        break;
    }
    record.fields.resize(count);
    return true;
}

CsvParseResult parseCsv(std::string_view data)
{
    CsvParseResult result;
    CsvReader reader(data);
    CsvRecord record;
    while (reader.next(record)) result.records.push_back(record);
    if (!reader.error().empty()) {
        result.records.clear();
        result.error = reader.error();
        result.errorLine = reader.errorLine();
    }
    return result;
}

void appendCsvField(std::string& out, std::string_view field)
{
    // A leading U+FEFF is quoted too: at the start of a file a reader would
    // take it for a byte order mark and drop it.
    const bool quote = field.find_first_of(",\"\r\n") != std::string_view::npos ||
                       (!field.empty() && (field.front() == ' ' || field.front() == '\t' ||
                                           field.back() == ' ' || field.back() == '\t')) ||
                       field.substr(0, 3) == "\xEF\xBB\xBF";
    if (!quote) {
        out += field;
        return;
    }
    out += '"';
    for (char c : field) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

} // namespace edbtool
