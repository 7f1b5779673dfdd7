#include "batch.hpp"

#include <gear_tools/files.hpp>

#include <algorithm>

namespace gearcalc::report {

std::string Batch::gear(std::size_t index, GearInput& gear) const
{
    const edbtool::CsvRecord& record = rows[index];
    const std::string where = path + ":" + std::to_string(record.line) + ": ";
    if (record.fields.size() != columns.size())
        return where + std::to_string(record.fields.size()) + " cells, the header names " +
               std::to_string(columns.size());
    gear = GearInput{};
    for (std::size_t c = 0; c < columns.size(); ++c) {
        if (record.fields[c].empty()) continue;
        if (std::string e = setOption(gear, columns[c], record.fields[c]); !e.empty()) return where + e;
    }
    if (std::string e = checkCombination(gear); !e.empty()) return where + e;
    return {};
}

std::string readBatch(const std::string& path, Batch& batch)
{
    std::string data;
    if (std::string e = gear_tools::readRegularFile(path, data); !e.empty()) return e;
    return parseBatch(data, path, batch);
}

std::string parseBatch(std::string_view data, const std::string& path, Batch& batch)
{
    edbtool::CsvParseResult csv = edbtool::parseCsv(data);
    if (!csv.error.empty()) return path + ":" + std::to_string(csv.errorLine) + ": " + csv.error;
    if (csv.records.empty()) return path + ": no header row";
    batch.path = path;
    batch.columns = std::move(csv.records.front().fields);
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
    csv.records.erase(csv.records.begin());
    batch.rows = std::move(csv.records);
    GearInput scratch;
    for (std::size_t i = 0; i < batch.size(); ++i)
        if (std::string e = batch.gear(i, scratch); !e.empty()) return e;
    return {};
}

} // namespace gearcalc::report
