// Catalogue files: one SQLite 3 table whose declared column types name the
// field kinds. This reader loads a whole file into typed in-memory columns
// and closes the file again; the runtime's DatabaseSet and the edbtool
// command both use it, so they agree on what a valid file is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace gr::db {

// The value kinds a field can be declared with, spelled in a file exactly
// like their keywords (TEXT, BYTE, SHORT, INT, LONG, FLOAT, DOUBLE).
enum class FieldKind : std::uint8_t { Text, Byte, Short, Int, Long, Float, Double };

std::string_view kindKeyword(FieldKind kind) noexcept;
// The kind's name for messages shown to the user ("文本", "短整数", ...).
std::string_view kindDisplayName(FieldKind kind) noexcept;
// Accepts the keywords in any letter case, with blanks around them.
std::optional<FieldKind> kindFromKeyword(std::string_view keyword) noexcept;
bool isNumeric(FieldKind kind) noexcept;
bool isInteger(FieldKind kind) noexcept;
// Whether an integer lies in the range of an integer kind (BYTE 0..255,
// SHORT and INT their signed ranges; every int64 fits LONG).
bool integerFits(FieldKind kind, std::int64_t value) noexcept;

// What identifies a file's content at one moment: a write, a truncation or
// a replacement (a file saved under another name and renamed over it)
// changes at least one of these.
struct FileStamp {
    std::uint64_t size = 0;
    std::int64_t modified = 0; // nanoseconds (100 ns on Windows)
    std::int64_t changed = 0;  // POSIX: the inode change time
    std::uint64_t device = 0, file = 0;
    bool operator==(const FileStamp&) const = default;
};

// The stamp of the file `path` names; false when it cannot be had.
bool stampOf(const std::string& path, FileStamp& stamp);

struct Field {
    std::string name;
    FieldKind kind = FieldKind::Text;
};

// Owns an SQLite connection and closes it when it goes.
struct SqliteCloser {
    void operator()(sqlite3* db) const noexcept;
};
using SqliteHandle = std::unique_ptr<sqlite3, SqliteCloser>;

// Opens `path` for reading only: SQLite's read-only mode plus the
// `immutable` URI flag, so that SQLite takes no locks and creates no journal
// or other side file; the file stays byte for byte as it was, and a file in
// a folder without write permission opens too. The file is read with plain
// reads, never mapped, so a file truncated meanwhile gives an error and not
// a crash. A file beside which SQLite would find changes of its own (an
// unfinished change in `path`-journal, committed ones in `path`-wal) is
// refused, since those changes would have to be written into it first. On
// failure returns null and sets `error` to a message naming the file.
SqliteHandle openForReading(const std::string& path, std::string& error);

// The moments while a file is read at which a test may change it under the
// reader: the file has been opened and measured, and it has been read.
enum class ReadStep : std::uint8_t { Opened, Read };
// For tests: `hook` is called at each step of every read (empty: none).
void setReadHook(std::function<void(ReadStep)> hook);

class Catalogue {
public:
    struct LoadResult;

    // Reads the file's single table, every record in insertion (rowid)
    // order, whatever its fields are named. A file that is missing, is no
    // regular file, is no SQLite database, holds no table or more than one,
    // has no reachable rowid order (a WITHOUT ROWID table, fields named
    // _rowid_, rowid and oid at once), holds a text with a NUL,
    // declares a column with a type other than the seven kinds, holds a
    // computed (generated) or hidden column, a virtual table, a view, a
    // trigger or an index of its own, holds more than its own size can
    // carry, or holds a cell that is NULL or does not fit its column's kind
    // is refused, and so is a file beside which a hot rollback journal lies
    // (see openForReading); running out of memory is refused too: the
    // result then has no catalogue and a message naming the file (and, for a
    // bad cell, the record and the field).
    static LoadResult load(const std::string& path);

    Catalogue(const Catalogue&) = delete;
    Catalogue& operator=(const Catalogue&) = delete;
    ~Catalogue();

    const std::string& path() const noexcept { return path_; }
    // The file name without its folder.
    std::string_view fileName() const noexcept;
    const std::string& tableName() const noexcept { return table_; }
    std::size_t recordCount() const noexcept { return records_; }
    std::size_t fieldCount() const noexcept { return columns_.size(); }
    const Field& field(std::size_t index) const noexcept { return columns_[index].field; }

    // Index of the field with exactly this name. The last answer is kept, so
    // that a search condition reading the same field for every record pays
    // one comparison per read; nothing is allocated.
    std::optional<std::size_t> fieldIndex(std::string_view name) const noexcept;

    // Typed access; `field` and `record` must be in range and the accessor
    // must fit the field's kind.
    std::int64_t integerAt(std::size_t field, std::size_t record) const noexcept
    {
        return columns_[field].integers[record];
    }
    float floatAt(std::size_t field, std::size_t record) const noexcept
    {
        return columns_[field].floats[record];
    }
    double doubleAt(std::size_t field, std::size_t record) const noexcept
    {
        return columns_[field].doubles[record];
    }
    // Points into the catalogue's storage: valid while the catalogue lives.
    std::string_view textAt(std::size_t field, std::size_t record) const noexcept
    {
        const Column& c = columns_[field];
        return {c.text.data() + c.textEnds[record], c.textEnds[record + 1] - c.textEnds[record]};
    }
    // Any numeric field's value widened to double.
    double numberAt(std::size_t field, std::size_t record) const noexcept;

private:
    struct Column {
        Field field;
        std::vector<std::int64_t> integers; // BYTE, SHORT, INT, LONG
        std::vector<float> floats;          // FLOAT
        std::vector<double> doubles;        // DOUBLE
        std::string text;                   // TEXT: all values back to back
        std::vector<std::size_t> textEnds;  // TEXT: value k is [ends[k], ends[k+1])
    };

    Catalogue() = default;
    // One reading of the file, without the checks around it.
    static LoadResult loadFrom(const std::string& path);
    // Takes the fields from the record query's columns (after the rowid);
    // an empty string or what is wrong.
    std::string takeColumns(sqlite3_stmt* records);
    // Appends the value of result column `index` of the current row to
    // `column`; an empty string, or what is wrong with the cell (said after
    // the field's name).
    static std::string takeCell(Column& column, sqlite3_stmt* row, int index);

    std::string path_;
    std::string table_;
    std::size_t records_ = 0;
    std::vector<Column> columns_;
    // The two fields found last: a record search reads the same one or two
    // fields of every record.
    mutable std::size_t lastFields_[2] = {0, 0};
};

struct Catalogue::LoadResult {
    std::unique_ptr<Catalogue> catalogue; // null on failure
    std::string error;                    // empty on success
};

// The file name part of a path; both slash kinds count as separators, since
// the program builds its paths with backslashes.
std::string_view fileNameOf(std::string_view path) noexcept;

} // namespace gr::db
