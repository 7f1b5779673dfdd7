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

CsvParseResult parseCsv(std::string_view data)
{
    CsvParseResult result;
    auto fail = [&](std::size_t line, std::string message) {
        result.records.clear();
        result.error = std::move(message);
        result.errorLine = line;
        return std::move(result);
    };

    if (data.substr(0, 3) == "\xEF\xBB\xBF") data.remove_prefix(3);
    if (const auto bad = gr::db::firstInvalidUtf8(data); bad != std::string_view::npos)
        return fail(lineAt(data, bad), "the text is not valid UTF-8 (save the file as UTF-8)");
    if (const auto nul = data.find('\0'); nul != std::string_view::npos)
        return fail(lineAt(data, nul), "the text contains a NUL character");

    const std::size_t n = data.size();
    std::size_t i = 0;
    std::size_t line = 1;
    while (i < n) {
        CsvRecord record;
        record.line = line;
        for (;;) {
            std::string field;
            if (i < n && data[i] == '"') {
                const std::size_t openedOn = line;
                ++i;
                for (;;) {
                    if (i >= n)
                        return fail(openedOn, "a quoted field opened on this line is never closed");
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
                const std::size_t start = i;
                while (i < n && data[i] != ',' && data[i] != '\r' && data[i] != '\n') {
                    if (data[i] == '"')
                        return fail(line, "a quote inside an unquoted field (enclose the field in "
                                          "quotes and double the quote)");
                    ++i;
                }
                field.assign(data.substr(start, i - start));
            }
            record.fields.push_back(std::move(field));

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
        result.records.push_back(std::move(record));
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
