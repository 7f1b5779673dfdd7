// Writing catalogue files (for edbtool, the tests and the benchmarks; the
// runtime itself never writes). A file is built under a temporary name in
// the target's folder and renamed over the target only when complete, so a
// failed or interrupted run leaves no partial catalogue behind.
#pragma once

#include <geardb/catalogue_file.hpp>

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace gr::db {

// One cell to write: an integer for BYTE..LONG, a double for FLOAT and
// DOUBLE (a FLOAT cell is stored as the nearest float), a text for TEXT.
using CellValue = std::variant<std::int64_t, double, std::string_view>;

// The name of the one table in the files this writer makes.
inline constexpr std::string_view kRecordTable = "records";

class CatalogueWriter {
public:
    // Starts a catalogue with these fields. Field names must be non-empty
    // UTF-8 and distinct without regard to ASCII letter case (SQLite treats
    // column names that way). On failure returns null and sets `error`.
    static std::unique_ptr<CatalogueWriter> create(const std::string& path,
                                                   std::vector<Field> fields, std::string& error);

    // Discards the temporary file unless commit() succeeded.
    ~CatalogueWriter();
    CatalogueWriter(const CatalogueWriter&) = delete;
    CatalogueWriter& operator=(const CatalogueWriter&) = delete;

    // Appends one record; the cells must match the fields in number and kind
    // (integers in range, finite numbers, valid UTF-8). Returns an empty
    // string or what is wrong, naming the field.
    std::string add(std::span<const CellValue> cells);

    // Finishes the file and moves it to its final name. The side files of
    // the file it replaces (see sideFilesOf) are removed first, so that no
    // SQLite program applies them to the new file. Returns an empty string
    // or the reason of the failure (the target is then untouched).
    std::string commit();

    const std::vector<Field>& fields() const noexcept { return fields_; }

private:
    struct State;
    explicit CatalogueWriter(std::unique_ptr<State> state, std::vector<Field> fields);
    std::unique_ptr<State> state_;
    std::vector<Field> fields_;
};

// Creates a new empty file under a fresh name beside `path`, for building a
// file there and renaming it into place. Returns the name, or an empty
// string and sets `error`.
std::string createTemporaryBeside(const std::string& path, std::string& error);

// The files SQLite keeps beside the database `path` while it changes it
// (`path`-journal, -wal and -shm) that exist.
std::vector<std::string> sideFilesOf(const std::string& path);

// The fields of the item catalogue as the program reads them: 订货编号 TEXT,
// 模数 DOUBLE, 齿数 SHORT, 齿形 BYTE (1 helical, 0 spur), 精度 BYTE.
std::vector<Field> itemCatalogueFields();

// Writes a synthetic item catalogue of `count` records with plausible gears
// and unique item numbers (for benchmarks and large tests); deterministic.
// The last record's item number is returned through `lastItemNumber`.
std::string writeSyntheticItems(const std::string& path, std::size_t count,
                                std::string* lastItemNumber = nullptr);

} // namespace gr::db
