// Batch files of gearcalc-report: one gear per CSV row, the first row naming
// the columns like the long options.
#pragma once

#include "csv.hpp"
#include "gear_input.hpp"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace gearcalc::report {

// The longest row a batch file may have, in bytes: far more than the
// eleven values of a gear take, even at the longest text a box holds.
inline constexpr std::size_t kMaxBatchRowBytes = 64 * 1024;

// A batch file: its columns, and its rows read one at a time. Every row is
// checked when the file is read, so a bad row is reported before any
// output; the gears themselves are made one at a time while the batch
// runs. Memory: the file's text and one row, however many rows it has.
class Batch {
public:
    std::string path;
    std::vector<std::string> columns;

    std::size_t size() const { return size_; }
    // The gear of row `index`; an empty string or what is wrong with it,
    // naming the file and line. Rows are read in order: asking for them in
    // order costs one row each.
    std::string gear(std::size_t index, GearInput& gear);
    // The cells of row `index`, as read (in order, as gear()).
    const edbtool::CsvRecord& row(std::size_t index);

private:
    friend std::string parseBatch(std::string data, const std::string& path, Batch& batch);
    edbtool::CsvReader reader() const;
    std::string gearOf(const edbtool::CsvRecord& record, GearInput& gear) const;

    std::unique_ptr<std::string> data_; // the file's text; the reader points into it
    std::unique_ptr<edbtool::CsvReader> reader_;
    std::size_t next_ = 0; // the index of the row the reader gives next
    std::size_t size_ = 0;
    edbtool::CsvRecord current_;
};

// Reads and checks the batch file at `path`. Returns an empty string, or
// the problem naming the file (and the line): a path that is no regular
// file or cannot be read, a CSV error, a row too long or with more cells
// than the header, an unknown or repeated column, a bad row.
std::string readBatch(const std::string& path, Batch& batch);

// The same for the file's content `data`, read from `path`.
std::string parseBatch(std::string data, const std::string& path, Batch& batch);

} // namespace gearcalc::report
