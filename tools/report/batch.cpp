#include "batch.hpp"

#include <gear_tools/files.hpp>

#include <algorithm>

namespace gearcalc::report {

edbtool::CsvReader Batch::reader() const
{
    // A data row has at most as many cells as the header names columns; one
    // more is reported as soon as it is read.
    return edbtool::CsvReader(*data_, {kMaxBatchRowBytes, columns.size()});
}

const edbtool::CsvRecord& Batch::row(std::size_t index)
{
    if (reader_ && next_ > 0 && index == next_ - 1) return current_;
    if (!reader_ || index < next_) {
        reader_ = std::make_unique<edbtool::CsvReader>(reader());
        reader_->next(current_); // the header
        next_ = 0;
    }
    while (next_ <= index) {
        if (!reader_->next(current_)) current_ = {};
        ++next_;
    }
    return current_;
}

std::string Batch::gear(std::size_t index, GearInput& gear)
{
    return gearOf(row(index), gear);
}

std::string Batch::gearOf(const edbtool::CsvRecord& record, GearInput& gear) const
{
    // Built only for a message: every row of a batch passes here twice.
    const auto where = [&] { return path + ":" + std::to_string(record.line) + ": "; };
    if (record.fields.size() != columns.size())
        return where() + std::to_string(record.fields.size()) + " cells, the header names " +
               std::to_string(columns.size());
    gear = GearInput{};
    for (std::size_t c = 0; c < columns.size(); ++c) {
        if (record.fields[c].empty()) continue;
        if (std::string e = setOption(gear, columns[c], record.fields[c]); !e.empty()) return where() + e;
    }
    if (std::string e = checkCombination(gear); !e.empty()) return where() + e;
    return {};
}

std::string readBatch(const std::string& path, Batch& batch)
{
    std::string data;
    if (std::string e = gear_tools::readRegularFile(path, data); !e.empty()) return e;
    return parseBatch(std::move(data), path, batch);
}

std::string parseBatch(std::string data, const std::string& path, Batch& batch)
{
    batch = Batch{};
    batch.path = path;
    batch.data_ = std::make_unique<std::string>(std::move(data));
    const auto csvError = [&](const edbtool::CsvReader& r) {
        return path + ":" + std::to_string(r.errorLine()) + ": " + r.error();
    };
    edbtool::CsvReader header_reader(*batch.data_, {kMaxBatchRowBytes, optionNames().size()});
    edbtool::CsvRecord header;
    if (!header_reader.next(header)) {
        if (!header_reader.error().empty()) return csvError(header_reader);
        return path + ": no header row";
    }
    batch.columns = std::move(header.fields);
    const auto& names = optionNames();
    for (std::size_t c = 0; c < batch.columns.size(); ++c) {
        const std::string& column = batch.columns[c];
        if (std::find(names.begin(), names.end(), column) == names.end())
            return path + ":1: unknown column \"" + column + "\"";
        // A second column of the same name would silently win over the first.
        if (std::find(batch.columns.begin(), batch.columns.begin() + static_cast<std::ptrdiff_t>(c), column) !=
            batch.columns.begin() + static_cast<std::ptrdiff_t>(c))
            return path + ":1: column \"" + column + "\" appears twice";
    }
    // Every row checked, one at a time, before anything runs.
    edbtool::CsvReader rows = batch.reader();
    edbtool::CsvRecord record;
    rows.next(record); // the header, read above
    GearInput scratch;
    std::size_t count = 0;
    while (rows.next(record)) {
        ++count;
        if (std::string e = batch.gearOf(record, scratch); !e.empty()) return e;
    }
    if (!rows.error().empty())
        return csvError(rows) + (rows.error().starts_with("a row of more than") ? ", the columns the header names" : "");
    batch.size_ = count;
    return {};
}

} // namespace gearcalc::report
