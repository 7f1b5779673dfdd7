#include <geardb/catalogue_file.hpp>
#include "sql_text.hpp"

#include <geardb/utf8.hpp>

#include <gearplat/text_files.hpp>

#include <sqlite3.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <system_error>

namespace gr::db {

namespace {

struct KindInfo {
    FieldKind kind;
    std::string_view keyword;
    std::string_view display;
};

constexpr std::array<KindInfo, 7> kKinds{{
    {FieldKind::Text, "TEXT", "文本"},
    {FieldKind::Byte, "BYTE", "字节"},
    {FieldKind::Short, "SHORT", "短整数"},
    {FieldKind::Int, "INT", "整数"},
    {FieldKind::Long, "LONG", "长整数"},
    {FieldKind::Float, "FLOAT", "单精度小数"},
    {FieldKind::Double, "DOUBLE", "双精度小数"},
}};

const KindInfo& infoOf(FieldKind kind) noexcept
{
    return kKinds[static_cast<std::size_t>(kind)];
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) noexcept
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

std::string numberText(double x)
{
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, x);
    return std::string(buf, r.ptr);
}

std::string numberText(std::int64_t x)
{
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, x);
    return std::string(buf, r.ptr);
}

// RFC 3986 path for SQLite's URI file names: everything outside the
// unreserved set and '/' is percent-encoded, so '?', '#' and '%' in a folder
// name cannot be mistaken for URI syntax.
std::string fileUri(const std::string& path)
{
    std::error_code ec;
    const std::u8string generic = std::filesystem::absolute(gearplat::pathFromUtf8(path), ec).generic_u8string();
    std::string abs(generic.begin(), generic.end());
    if (ec) abs = path;
    std::string uri = "file://";
    if (abs.empty() || abs.front() != '/') uri += '/';
    static constexpr char hex[] = "0123456789ABCDEF";
    for (unsigned char c : abs) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~' ||
                           c == '/';
        if (plain) {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += hex[c >> 4];
            uri += hex[c & 15];
        }
    }
    uri += "?mode=ro&immutable=1";
    return uri;
}

struct StatementCloser {
    void operator()(sqlite3_stmt* st) const noexcept { sqlite3_finalize(st); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementCloser>;

// The reason SQLite gave, put in words for the user.
std::string describeSqliteFailure(int code, const std::string& detail)
{
    const int primary = code & 0xFF;
    switch (primary) {
    case SQLITE_NOTADB: return "它不是 SQLite 3 数据库文件。";
    case SQLITE_CORRUPT: return "数据库文件已损坏（" + detail + "）。";
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_AUTH: return "无法读取该文件（" + detail + "）。";
    case SQLITE_NOMEM: return "内存不足。";
    default: return "SQLite 报告错误（" + detail + "）。";
    }
}

std::string describeSqliteFailure(sqlite3* db, int code)
{
    return describeSqliteFailure(code, db ? sqlite3_errmsg(db) : sqlite3_errstr(code));
}

std::string_view storageName(int type) noexcept
{
    switch (type) {
    case SQLITE_INTEGER: return "整数";
    case SQLITE_FLOAT: return "小数";
    case SQLITE_TEXT: return "文本";
    case SQLITE_BLOB: return "二进制数据（BLOB）";
    default: return "空值（NULL）";
    }
}

} // namespace

std::string_view kindKeyword(FieldKind kind) noexcept
{
    return infoOf(kind).keyword;
}
std::string_view kindDisplayName(FieldKind kind) noexcept
{
    return infoOf(kind).display;
}

std::optional<FieldKind> kindFromKeyword(std::string_view keyword) noexcept
{
    while (!keyword.empty() && (keyword.front() == ' ' || keyword.front() == '\t'))
        keyword.remove_prefix(1);
    while (!keyword.empty() && (keyword.back() == ' ' || keyword.back() == '\t'))
        keyword.remove_suffix(1);
    for (const KindInfo& k : kKinds)
        if (equalsIgnoringAsciiCase(keyword, k.keyword)) return k.kind;
    return std::nullopt;
}

bool isNumeric(FieldKind kind) noexcept
{
    return kind != FieldKind::Text;
}

bool isInteger(FieldKind kind) noexcept
{
    return kind == FieldKind::Byte || kind == FieldKind::Short || kind == FieldKind::Int ||
           kind == FieldKind::Long;
}

bool integerFits(FieldKind kind, std::int64_t v) noexcept
{
    switch (kind) {
    case FieldKind::Byte: return v >= 0 && v <= 255;
    case FieldKind::Short:
        return v >= std::numeric_limits<std::int16_t>::min() &&
               v <= std::numeric_limits<std::int16_t>::max();
    case FieldKind::Int:
        return v >= std::numeric_limits<std::int32_t>::min() &&
               v <= std::numeric_limits<std::int32_t>::max();
    case FieldKind::Long: return true;
    default: return false;
    }
}

std::string_view fileNameOf(std::string_view path) noexcept
{
    const auto cut = path.find_last_of("/\\");
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

void SqliteCloser::operator()(sqlite3* db) const noexcept
{
    sqlite3_close(db);
}

SqliteHandle openForReading(const std::string& path, std::string& error)
{
    const std::string prefix = "打开 " + path + " 失败：";
    std::error_code ec;
    const auto status = std::filesystem::status(gearplat::pathFromUtf8(path), ec);
    if (status.type() == std::filesystem::file_type::not_found) {
        error = prefix + "文件不存在。";
        return nullptr;
    }
    if (status.type() == std::filesystem::file_type::directory) {
        error = prefix + "这是一个文件夹，不是数据库文件。";
        return nullptr;
    }
    // Only a regular file is opened: SQLite would wait forever on a FIFO,
    // and opening a device can have effects of its own.
    if (ec || status.type() != std::filesystem::file_type::regular) {
        error = prefix + (ec ? "无法读取该文件（" + ec.message() + "）。"
                             : std::string("它不是普通文件（而是管道、设备或套接字等）。"));
        return nullptr;
    }
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(fileUri(path).c_str(), &raw,
                                   SQLITE_OPEN_READONLY | SQLITE_OPEN_URI |
                                       SQLITE_OPEN_NOMUTEX, // one thread uses a connection
                                   nullptr);
    SqliteHandle db(raw);
    if (rc != SQLITE_OK) {
        error = prefix + describeSqliteFailure(raw, rc);
        return nullptr;
    }
    sqlite3_extended_result_codes(raw, 1);
    return db;
}

Catalogue::~Catalogue() = default;

std::string_view Catalogue::fileName() const noexcept
{
    return fileNameOf(path_);
}

std::optional<std::size_t> Catalogue::fieldIndex(std::string_view name) const noexcept
{
    if (lastField_ < columns_.size() && columns_[lastField_].field.name == name) return lastField_;
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        if (columns_[i].field.name == name) {
            lastField_ = i;
            return i;
        }
    }
    return std::nullopt;
}

double Catalogue::numberAt(std::size_t field, std::size_t record) const noexcept
{
    const Column& c = columns_[field];
    switch (c.field.kind) {
    case FieldKind::Float: return static_cast<double>(c.floats[record]);
    case FieldKind::Double: return c.doubles[record];
    case FieldKind::Text: return 0.0;
    default: return static_cast<double>(c.integers[record]);
    }
}

namespace {

// Prepares `sql`; on failure answers SQLite's reason, read before anything
// else (finalizing an earlier statement) can reset it, and sets `code`.
std::string prepare(sqlite3* db, const std::string& sql, Statement& out, int* code = nullptr)
{
    sqlite3_stmt* st = nullptr;
    const int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
    if (code) *code = rc;
    if (rc == SQLITE_OK) {
        out.reset(st);
        return {};
    }
    std::string why = sqlite3_errmsg(db);
    sqlite3_finalize(st);
    out.reset();
    return why.empty() ? std::string(sqlite3_errstr(rc)) : why;
}

// The name of the file's one table of records, or what is wrong.
std::string onlyTable(sqlite3* db, std::string& table)
{
    Statement st;
    int code = SQLITE_OK;
    if (std::string why = prepare(db,
                                  "SELECT name FROM sqlite_master WHERE type = 'table' "
                                  "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY name",
                                  st, &code);
        !why.empty())
        return describeSqliteFailure(code, why);
    std::vector<std::string> tables;
    int rc = SQLITE_OK;
    while ((rc = sqlite3_step(st.get())) == SQLITE_ROW)
        tables.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st.get(), 0)));
    if (rc != SQLITE_DONE) return describeSqliteFailure(db, rc);
    if (tables.empty()) return "文件中没有数据表。";
    if (tables.size() > 1) {
        std::string names;
        for (const auto& t : tables)
            names += (names.empty() ? "“" : "、“") + t + "”";
        return "文件中有 " + std::to_string(tables.size()) + " 个数据表（" + names + "），应当只有一个。";
    }
    table = tables.front();
    return {};
}

// Prepares the query of every record in insertion (rowid) order, the
// rowid first. SQLite's three names for the rowid each mean a field of
// that name instead when the table has one; the first free one is used, and
// a table with fields of all three names has no reachable record order.
std::string prepareRecords(sqlite3* db, const std::string& table, Statement& out)
{
    const std::string from = " FROM " + quoteIdentifier(table);
    Statement columns;
    if (std::string why = prepare(db, "SELECT *" + from, columns); !why.empty())
        return "无法读取数据表“" + table + "”（" + why + "）。";
    const int count = sqlite3_column_count(columns.get());
    auto taken = [&](std::string_view alias) {
        for (int c = 0; c < count; ++c) {
            const char* name = sqlite3_column_name(columns.get(), c);
            if (name && equalsIgnoringAsciiCase(name, alias)) return true;
        }
        return false;
    };
    for (std::string_view alias : {"_rowid_", "rowid", "oid"}) {
        if (taken(alias)) continue;
        const std::string order(alias);
        if (std::string why = prepare(db, "SELECT " + order + ", *" + from + " ORDER BY " + order, out);
            !why.empty())
            return "无法按记录的插入顺序读取数据表“" + table + "”（" + why +
                   "）；数据表必须是带 rowid 的普通表。";
        return {};
    }
    return "数据表“" + table + "”的字段占用了 _rowid_、rowid 和 oid 三个名称，记录的插入顺序无法读取。";
}

} // namespace

std::string Catalogue::takeColumns(sqlite3_stmt* st)
{
    const int columnCount = sqlite3_column_count(st) - 1;
    columns_.resize(static_cast<std::size_t>(columnCount));
    for (int c = 0; c < columnCount; ++c) {
        const char* name = sqlite3_column_name(st, c + 1);
        const char* decl = sqlite3_column_decltype(st, c + 1);
        Column& col = columns_[static_cast<std::size_t>(c)];
        col.field.name = name ? name : "";
        if (!isValidUtf8(col.field.name))
            return "第 " + std::to_string(c + 1) + " 个字段的名称不是有效的 UTF-8 文本。";
        const auto kind = decl ? kindFromKeyword(decl) : std::nullopt;
        if (!kind) {
            const std::string allowed = "允许的类型为 TEXT、BYTE、SHORT、INT、LONG、FLOAT、DOUBLE。";
            if (!decl || !*decl) return "字段“" + col.field.name + "”没有声明类型；" + allowed;
            return "字段“" + col.field.name + "”的声明类型“" + decl + "”不受支持；" + allowed;
        }
        col.field.kind = *kind;
        if (*kind == FieldKind::Text) col.textEnds.push_back(0);
    }
    return {};
}

std::string Catalogue::takeCell(Column& col, sqlite3_stmt* st, int index)
{
    const int type = sqlite3_column_type(st, index);
    auto declared = [&] {
        return "声明为" + std::string(kindDisplayName(col.field.kind)) + "（" + std::string(kindKeyword(col.field.kind)) +
               "）";
    };
    auto stored = [&] { return declared() + "，但存的是" + std::string(storageName(type)) + "。"; };
    if (type == SQLITE_NULL) return "没有值（NULL）。";
    if (col.field.kind == FieldKind::Text) {
        if (type != SQLITE_TEXT) return stored();
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, index));
        const std::string_view text(p ? p : "", static_cast<std::size_t>(sqlite3_column_bytes(st, index)));
        if (!isValidUtf8(text)) return "不是有效的 UTF-8 文本。";
        // A NUL ends a text wherever texts are passed on, and no CSV holds one.
        if (text.find('\0') != std::string_view::npos) return "含有 NUL 字符。";
        col.text.append(text);
        col.textEnds.push_back(col.text.size());
        return {};
    }
    if (isInteger(col.field.kind)) {
        if (type == SQLITE_FLOAT)
            return declared() + "，但存的是小数 " + numberText(sqlite3_column_double(st, index)) + "。";
        if (type != SQLITE_INTEGER) return stored();
        const std::int64_t v = sqlite3_column_int64(st, index);
        if (!integerFits(col.field.kind, v))
            return "的值 " + numberText(v) + " 超出了" + std::string(kindDisplayName(col.field.kind)) + "（" +
                   std::string(kindKeyword(col.field.kind)) + "）的范围。";
        col.integers.push_back(v);
        return {};
    }
    double v = 0.0;
    if (type == SQLITE_FLOAT) {
        v = sqlite3_column_double(st, index);
    } else if (type == SQLITE_INTEGER) {
        const std::int64_t i = sqlite3_column_int64(st, index);
        v = static_cast<double>(i);
        // Exactly representable integers only (|i| <= 2^53 and the like).
        if (v >= 0x1p63 || static_cast<std::int64_t>(v) != i)
            return declared() + "，但整数 " + numberText(i) + " 无法精确表示为小数。";
    } else {
        return stored();
    }
    if (!std::isfinite(v)) return "的值不是有限的数。";
    if (col.field.kind == FieldKind::Double) {
        col.doubles.push_back(v);
        return {};
    }
    if (std::fabs(v) > static_cast<double>(std::numeric_limits<float>::max()))
        return "的值 " + numberText(v) + " 超出了单精度小数（FLOAT）的范围。";
    col.floats.push_back(static_cast<float>(v));
    return {};
}

Catalogue::LoadResult Catalogue::load(const std::string& path)
{
    LoadResult result;
    const std::string prefix = "打开 " + path + " 失败：";
    SqliteHandle db = openForReading(path, result.error);
    if (!db) return result;
    auto fail = [&](std::string reason) {
        result.catalogue.reset();
        result.error = prefix + std::move(reason);
        return std::move(result);
    };

    std::string table;
    if (std::string why = onlyTable(db.get(), table); !why.empty()) return fail(why);
    // A larger memory map lets SQLite read the pages in place; the file is
    // immutable for this connection, so mapping it is safe.
    sqlite3_exec(db.get(), "PRAGMA mmap_size = 1073741824", nullptr, nullptr, nullptr);
    Statement st;
    if (std::string why = prepareRecords(db.get(), table, st); !why.empty()) return fail(why);

    std::unique_ptr<Catalogue> cat(new Catalogue());
    cat->path_ = path;
    cat->table_ = table;
    if (std::string why = cat->takeColumns(st.get()); !why.empty()) return fail(why);

    std::size_t record = 0;
    int rc = SQLITE_OK;
    while ((rc = sqlite3_step(st.get())) == SQLITE_ROW) {
        ++record;
        for (std::size_t c = 0; c < cat->columns_.size(); ++c) {
            Column& col = cat->columns_[c];
            if (std::string what = takeCell(col, st.get(), static_cast<int>(c) + 1); !what.empty())
                return fail("第 " + std::to_string(record) + " 条记录（rowid " +
                            numberText(static_cast<std::int64_t>(sqlite3_column_int64(st.get(), 0))) + "）的字段“" +
                            col.field.name + "”" + what);
        }
    }
    if (rc != SQLITE_DONE) return fail(describeSqliteFailure(db.get(), rc));
    cat->records_ = record;
    result.catalogue = std::move(cat);
    return result;
}

} // namespace gr::db
