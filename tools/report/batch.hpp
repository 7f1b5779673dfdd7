// Batch files of gearcalc-report: one gear per CSV row, the first row naming
// the columns like the long options.
#pragma once

#include "csv.hpp"
#include "gear_input.hpp"

#include <string>
#include <string_view>
#include <vector>

namespace gearcalc::report {

// A batch file: its columns and rows as read. Every row is checked when the
// file is read, so a bad row is reported before any output; the gears
// themselves are made one at a time while the batch runs.
struct Batch {
    std::string path;
    std::vector<std::string> columns;
    std::vector<edbtool::CsvRecord> rows;

    std::size_t size() const { return rows.size(); }
    // The gear of row `index`; an empty string or what is wrong with it,
    // naming the file and line.
    std::string gear(std::size_t index, GearInput& gear) const;
};

// Reads and checks the batch file at `path`. Returns an empty string, or
// the problem naming the file (and the line): a path that is no regular
// file or cannot be read, a CSV error, an unknown or repeated column, a bad
// row.
std::string readBatch(const std::string& path, Batch& batch);

// The same for the file's content `data`, read from `path`.
std::string parseBatch(std::string_view data, const std::string& path, Batch& batch);

} // namespace gearcalc::report
