// Fuzz target of the catalogue reader on files built by SQLite itself from
// generated SQL: tables with field names that take SQLite's names for the
// record order, declared types in and out of the seven kinds, and cells of
// every storage class, and now and then a computed column, a view, a
// trigger, an index or SQLite's statistics. What SQLite stores, read back in its own table
// order, decides whether the reader must load the file and with which
// values: the reader is cross-checked against SQLite.
#include "fuzz_support.hpp"
#include "scratch_file.hpp"

#include <geardb/catalogue_file.hpp>
#include <geardb/utf8.hpp>

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <optional>
#include <variant>
#include <vector>

namespace {

using gr::db::FieldKind;
constexpr const char* kTarget = "catalogue SQL";

constexpr const char* kNames[] = {"订货编号", "模数", "a", "B", "rowid", "_rowid_", "oid", "ROWID", "Oid", "x y", "q\"q"};
constexpr const char* kTypes[] = {"TEXT", "BYTE", "SHORT", "INT", "LONG", "FLOAT", "DOUBLE", "text", " Int ",
                                  "INTEGER", "REAL", "VARCHAR(5)", ""};

std::string quotedName(std::string_view name)
{
    std::string q = "\"";
    for (char c : name) q += c == '"' ? std::string("\"\"") : std::string(1, c);
    return q + "\"";
}

bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// The kind a declared type names: the seven keywords in any case, blanks
// around them allowed.
std::optional<FieldKind> kindOf(std::string decl)
{
    while (!decl.empty() && (decl.front() == ' ' || decl.front() == '\t')) decl.erase(decl.begin());
    while (!decl.empty() && (decl.back() == ' ' || decl.back() == '\t')) decl.pop_back();
    constexpr std::pair<const char*, FieldKind> kinds[] = {
        {"TEXT", FieldKind::Text}, {"BYTE", FieldKind::Byte},   {"SHORT", FieldKind::Short}, {"INT", FieldKind::Int},
        {"LONG", FieldKind::Long}, {"FLOAT", FieldKind::Float}, {"DOUBLE", FieldKind::Double}};
    for (const auto& [word, kind] : kinds)
        if (sameName(decl, word)) return kind;
    return std::nullopt;
}

struct Column {
    std::string name, decl;
};

// One value as SQLite stored it.
using Stored = std::variant<std::monostate, int64_t, double, std::string, std::vector<uint8_t>>;

// Builds the file; false when SQLite itself refuses the generated schema.
// What a file may hold besides its table. A computed column (with an
// expression that would take gigabytes to work out at every read), a view,
// a trigger and an index of its own make a file unusable; SQLite's own
// statistics tables do not.
enum class Extra { None, ComputedBomb, StoredComputed, View, Trigger, Index, Statistics };

bool build(const std::string& path, fuzz::Bytes& in, std::vector<Column>& columns, bool& without_rowid,
           Extra& extra)
{
    std::filesystem::remove(path);
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return false;
    }
    const size_t count = 1 + in.byte() % 4;
    std::string sql = "PRAGMA journal_mode = OFF; CREATE TABLE t (";
    for (size_t c = 0; c < count; ++c) {
        columns.push_back({kNames[in.byte() % std::size(kNames)], kTypes[in.byte() % std::size(kTypes)]});
        sql += (c ? ", " : "") + quotedName(columns.back().name) + " " + columns.back().decl;
    }
    without_rowid = in.byte() % 16 == 0;
    const uint8_t more = in.byte();
    extra = more % 16 == 1 ? static_cast<Extra>(1 + (more >> 4) % 6) : Extra::None;
    // Computed columns come last, after the fields that are inserted.
    if (extra == Extra::StoredComputed)
        sql += ", \"计算\" LONG GENERATED ALWAYS AS (length(" + quotedName(columns.front().name) + ")) STORED";
    sql += without_rowid ? ", PRIMARY KEY (" + quotedName(columns.front().name) + ")) WITHOUT ROWID;" : ");";
    if (more % 16 == 0) sql += "CREATE TABLE u (z TEXT);";
    if (extra == Extra::View) sql += "CREATE VIEW v AS SELECT * FROM t;";
    if (extra == Extra::Trigger) sql += "CREATE TRIGGER g AFTER DELETE ON t BEGIN SELECT 1; END;";
    if (extra == Extra::Index) sql += "CREATE INDEX i ON t (" + quotedName(columns.front().name) + ");";
    bool ok = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    std::string insert = "INSERT INTO t VALUES (";
    for (size_t c = 0; c < count; ++c) insert += c ? ", ?" : "?";
    insert += ")";
    sqlite3_stmt* st = nullptr;
    if (ok) ok = sqlite3_prepare_v2(db, insert.c_str(), -1, &st, nullptr) == SQLITE_OK;
    const size_t rows = ok ? in.byte() % 6 : 0;
    for (size_t r = 0; r < rows; ++r) {
        for (int c = 1; c <= static_cast<int>(count); ++c) {
            switch (in.byte() % 8) {
            case 0: sqlite3_bind_int64(st, c, in.value<int64_t>()); break;
            case 1: sqlite3_bind_double(st, c, in.value<double>()); break;
            case 2: {
                const std::string t = in.text(8);
                sqlite3_bind_text(st, c, t.data(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
                break;
            }
            case 3: sqlite3_bind_null(st, c); break;
            case 4: {
                const std::string b = in.text(4);
                sqlite3_bind_blob(st, c, b.data(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
                break;
            }
            case 5: sqlite3_bind_int64(st, c, static_cast<int8_t>(in.byte())); break;
            case 6: sqlite3_bind_text(st, c, "12", -1, SQLITE_STATIC); break;
            default: sqlite3_bind_double(st, c, static_cast<int8_t>(in.byte()) + 0.5); break;
            }
        }
        sqlite3_step(st); // a refused row (a repeated key) is simply not there
        sqlite3_reset(st);
        sqlite3_clear_bindings(st);
    }
    sqlite3_finalize(st);
    // Added after the records, so that SQLite works the bomb out only when
    // someone reads it.
    if (ok && extra == Extra::ComputedBomb)
        ok = sqlite3_exec(db,
                          "ALTER TABLE t ADD COLUMN \"计算\" TEXT GENERATED ALWAYS AS "
                          "(printf('%.*c', 900000000, 'x')) VIRTUAL",
                          nullptr, nullptr, nullptr) == SQLITE_OK;
    if (ok && extra == Extra::Statistics) sqlite3_exec(db, "ANALYZE", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return ok;
}

// The records in SQLite's own table order (rowid order for a rowid table).
std::vector<std::vector<Stored>> storedRecords(const std::string& path)
{
    std::vector<std::vector<Stored>> records;
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT * FROM t", -1, &st, nullptr);
    while (st && sqlite3_step(st) == SQLITE_ROW) {
        std::vector<Stored>& row = records.emplace_back();
        for (int c = 0; c < sqlite3_column_count(st); ++c) {
            switch (sqlite3_column_type(st, c)) {
            case SQLITE_INTEGER: row.emplace_back(static_cast<int64_t>(sqlite3_column_int64(st, c))); break;
            case SQLITE_FLOAT: row.emplace_back(sqlite3_column_double(st, c)); break;
            case SQLITE_TEXT:
                row.emplace_back(std::string(reinterpret_cast<const char*>(sqlite3_column_text(st, c)),
                                             static_cast<size_t>(sqlite3_column_bytes(st, c))));
                break;
            case SQLITE_BLOB: {
                const auto* p = static_cast<const uint8_t*>(sqlite3_column_blob(st, c));
                row.emplace_back(std::vector<uint8_t>(p, p + sqlite3_column_bytes(st, c)));
                break;
            }
            default: row.emplace_back(std::monostate{}); break;
            }
        }
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return records;
}

// Whether a stored value fits a field of `kind`.
bool fits(FieldKind kind, const Stored& v)
{
    if (kind == FieldKind::Text) {
        const auto* t = std::get_if<std::string>(&v);
        return t && gr::db::isValidUtf8(*t) && t->find('\0') == std::string::npos;
    }
    if (const auto* i = std::get_if<int64_t>(&v)) {
        switch (kind) {
        case FieldKind::Byte: return *i >= 0 && *i <= 255;
        case FieldKind::Short: return *i >= -32768 && *i <= 32767;
        case FieldKind::Int: return *i >= std::numeric_limits<int32_t>::min() && *i <= std::numeric_limits<int32_t>::max();
        case FieldKind::Long: return true;
        default: return std::fabs(static_cast<double>(*i)) < 0x1p63 && static_cast<int64_t>(static_cast<double>(*i)) == *i;
        }
    }
    if (const auto* d = std::get_if<double>(&v)) {
        if (kind == FieldKind::Double) return std::isfinite(*d);
        if (kind == FieldKind::Float) return std::isfinite(*d) && std::fabs(*d) <= std::numeric_limits<float>::max();
    }
    return false;
}

bool sameValue(const gr::db::Catalogue& c, size_t f, size_t r, const Stored& v)
{
    switch (c.field(f).kind) {
    case FieldKind::Text: return c.textAt(f, r) == std::get<std::string>(v);
    case FieldKind::Float: {
        const double d = std::holds_alternative<double>(v) ? std::get<double>(v) : static_cast<double>(std::get<int64_t>(v));
        return c.floatAt(f, r) == static_cast<float>(d);
    }
    case FieldKind::Double: {
        const double d = std::holds_alternative<double>(v) ? std::get<double>(v) : static_cast<double>(std::get<int64_t>(v));
        const double got = c.doubleAt(f, r);
        return std::memcmp(&got, &d, sizeof d) == 0;
    }
    default: return c.integerAt(f, r) == std::get<int64_t>(v);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Bytes in(data, size);
    const std::string path = fuzz::scratchFile("generated.edb");
    std::vector<Column> columns;
    bool without_rowid = false;
    Extra extra = Extra::None;
    if (!build(path, in, columns, without_rowid, extra)) return 0;
    sqlite3* probe = nullptr;
    sqlite3_open_v2(path.c_str(), &probe, SQLITE_OPEN_READONLY, nullptr);
    int tables = 0;
    sqlite3_exec(probe, "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite%'",
                 [](void* n, int, char** v, char**) { *static_cast<int*>(n) = std::atoi(v[0]); return 0; }, &tables, nullptr);
    sqlite3_close(probe);

    // What the reader must do, from the schema and from what SQLite stored.
    bool loadable = tables == 1 && !without_rowid && (extra == Extra::None || extra == Extra::Statistics);
    std::vector<FieldKind> kinds;
    for (const Column& c : columns) {
        const std::optional<FieldKind> k = kindOf(c.decl);
        if (!k) loadable = false;
        kinds.push_back(k.value_or(FieldKind::Text));
    }
    const char* aliases[] = {"_rowid_", "rowid", "oid"};
    const bool hidden = std::all_of(std::begin(aliases), std::end(aliases), [&](const char* alias) {
        return std::any_of(columns.begin(), columns.end(), [&](const Column& c) { return sameName(c.name, alias); });
    });
    if (hidden) loadable = false;
    // Not even the cross-check may read the computed bomb.
    const std::vector<std::vector<Stored>> records =
        extra == Extra::ComputedBomb ? std::vector<std::vector<Stored>>{} : storedRecords(path);
    for (const auto& row : records)
        for (size_t f = 0; f < row.size() && f < kinds.size(); ++f)
            if (!fits(kinds[f], row[f])) loadable = false;

    const gr::db::Catalogue::LoadResult loaded = gr::db::Catalogue::load(path);
    if (!loadable) {
        if (loaded.catalogue) fuzz::fault(kTarget, "a file that breaks the rules was loaded");
        if (loaded.error.find(path) == std::string::npos) fuzz::fault(kTarget, "a refusal that does not name the file");
        return 0;
    }
    if (!loaded.catalogue) fuzz::fault(kTarget, "a valid file was refused: " + loaded.error);
    const gr::db::Catalogue& c = *loaded.catalogue;
    if (c.fieldCount() != columns.size() || c.recordCount() != records.size())
        fuzz::fault(kTarget, "fields or records differ from SQLite's");
    for (size_t f = 0; f < columns.size(); ++f)
        if (c.field(f).name != columns[f].name || c.field(f).kind != kinds[f]) fuzz::fault(kTarget, "a field differs");
    for (size_t r = 0; r < records.size(); ++r)
        for (size_t f = 0; f < columns.size(); ++f)
            if (!sameValue(c, f, r, records[r][f]))
                fuzz::fault(kTarget, "record " + std::to_string(r + 1) + " field " + columns[f].name +
                                         " differs from SQLite's (the order of the records?)");
    return 0;
}
