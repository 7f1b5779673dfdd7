// RFC 4180 CSV as edbtool reads and writes it: fields separated by commas,
// records ended by CRLF or LF, fields optionally enclosed in double quotes
// (a quote inside is doubled; commas and line breaks inside are data).
// Input must be UTF-8, optionally beginning with a byte order mark.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace edbtool {

struct CsvRecord {
    std::size_t line = 0; // line on which the record starts, from 1
    std::vector<std::string> fields;
};

struct CsvParseResult {
    std::vector<CsvRecord> records;
    std::string error;         // empty when the whole input was read
    std::size_t errorLine = 0; // line of the fault
};

// Bounds on one record, checked while it is read, so that no record costs
// more memory than they allow, however the input is made.
struct CsvLimits {
    std::size_t max_record_bytes = static_cast<std::size_t>(-1); // from its first byte to its line end
    std::size_t max_fields = static_cast<std::size_t>(-1);
};

// Reads records one at a time (memory for one record only), by the rules of
// parseCsv, within `limits`.
class CsvReader {
public:
    explicit CsvReader(std::string_view data, CsvLimits limits = {});
    // The next record into `record` (its fields' storage reused); false at
    // the end of the input or on an error.
    bool next(CsvRecord& record);
    const std::string& error() const { return error_; } // empty when the input was read to its end
    std::size_t errorLine() const { return error_line_; }

private:
    bool fail(std::size_t line, std::string message);

    std::string_view data_;
    CsvLimits limits_;
    std::size_t i_ = 0;
    std::size_t line_ = 1;
    std::string error_;
    std::size_t error_line_ = 0;
};

// Reads the whole input strictly: a quote inside an unquoted field, text
// after a closing quote, an unclosed quote, a lone CR, a NUL character or a
// byte sequence that is not UTF-8 is an error. A line break at the very end
// does not start another record; an empty line elsewhere is a record with
// one empty field.
CsvParseResult parseCsv(std::string_view data);

// Appends one field, quoted when it holds a comma, a quote, a line break,
// blanks at either end, or begins with U+FEFF (which would otherwise pass
// for a byte order mark).
void appendCsvField(std::string& out, std::string_view field);

} // namespace edbtool
