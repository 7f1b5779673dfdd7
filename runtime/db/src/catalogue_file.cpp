#include <geardb/catalogue_file.hpp>
#include "file_state.hpp"
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
    if (std::string why = checkSideFiles(path); !why.empty()) {
        error = prefix + why;
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
    // The file is read with plain reads, never mapped into memory: another
    // program may truncate or overwrite it at any time, and a mapped page
    // that is gone kills the process, while a short read is only an error.
    sqlite3_exec(raw, "PRAGMA mmap_size = 0", nullptr, nullptr, nullptr);
    // Nothing from the file may run as code where it would run on its own.
    sqlite3_db_config(raw, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_db_config(raw, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    // No value can be longer than the file that holds it (a text stored as
    // UTF-16 grows by half as UTF-8).
    std::error_code ignored;
    const std::uintmax_t size = std::filesystem::file_size(gearplat::pathFromUtf8(path), ignored);
    if (!ignored) {
        const std::uintmax_t longest = 2 * size + 4096;
        if (longest < static_cast<std::uintmax_t>(sqlite3_limit(raw, SQLITE_LIMIT_LENGTH, -1)))
            sqlite3_limit(raw, SQLITE_LIMIT_LENGTH, static_cast<int>(longest));
    }
    return db;
}

Catalogue::~Catalogue() = default;

std::string_view Catalogue::fileName() const noexcept
{
    return fileNameOf(path_);
}

std::optional<std::size_t> Catalogue::fieldIndex(std::string_view name) const noexcept
{
    for (const std::size_t last : lastFields_)
        if (last < columns_.size() && columns_[last].field.name == name) return last;
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        if (columns_[i].field.name == name) {
            lastFields_[1] = lastFields_[0];
            lastFields_[0] = i;
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

bool startsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix) noexcept
{
    return text.size() >= prefix.size() && equalsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

std::string columnText(sqlite3_stmt* st, int column)
{
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, column));
    return p ? std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(st, column))) : std::string();
}

// The name of the file's one table of records, or what is wrong. A
// catalogue holds that table and nothing else of its own making: SQLite's
// own entries (names starting with sqlite_, such as the indexes that back a
// UNIQUE or PRIMARY KEY column) are the table's, while a view, a trigger,
// an index or a virtual table is refused, since what they hold or do is
// no catalogue's business and could cost any amount of work to read.
std::string onlyTable(sqlite3* db, std::string& table)
{
    Statement st;
    int code = SQLITE_OK;
    if (std::string why = prepare(db, "SELECT type, name, sql FROM sqlite_master ORDER BY name", st, &code);
        !why.empty())
        return describeSqliteFailure(code, why);
    std::vector<std::string> tables;
    std::string extras;
    int rc = SQLITE_OK;
    while ((rc = sqlite3_step(st.get())) == SQLITE_ROW) {
        const std::string type = columnText(st.get(), 0), name = columnText(st.get(), 1);
        const bool ownedBySqlite = startsWithIgnoringAsciiCase(name, "sqlite_");
        if (type == "table") {
            if (ownedBySqlite) continue;
            if (startsWithIgnoringAsciiCase(columnText(st.get(), 2), "CREATE VIRTUAL"))
                return "数据表“" + name + "”是虚拟表（CREATE VIRTUAL TABLE）；目录文件的数据表必须是普通表。";
            tables.push_back(name);
            continue;
        }
        if (ownedBySqlite && type == "index") continue;
        const std::string what = type == "view" ? "视图" : type == "trigger" ? "触发器" : type == "index" ? "索引" : type;
        extras += (extras.empty() ? "" : "、") + what + "“" + name + "”";
    }
    if (rc != SQLITE_DONE) return describeSqliteFailure(db, rc);
    if (!extras.empty())
        return "文件中除了数据表还有" + extras + "；目录文件只能含一个数据表，不能有视图、触发器或索引"
               "（可用 sqlite3 的 DROP VIEW、DROP TRIGGER、DROP INDEX 删除它们）。";
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

// Every column must hold stored data: a computed (generated) column is
// worked out anew at each read, by an expression that can take any time
// and memory, and a hidden column is none of the records' fields.
std::string plainColumns(sqlite3* db, const std::string& table)
{
    Statement st;
    int code = SQLITE_OK;
    if (std::string why = prepare(db, "SELECT name, hidden FROM pragma_table_xinfo(?1)", st, &code); !why.empty())
        return describeSqliteFailure(code, why);
    sqlite3_bind_text(st.get(), 1, table.c_str(), static_cast<int>(table.size()), SQLITE_TRANSIENT);
    int rc = SQLITE_OK;
    while ((rc = sqlite3_step(st.get())) == SQLITE_ROW) {
        const int hidden = sqlite3_column_int(st.get(), 1);
        if (hidden == 0) continue;
        const std::string name = columnText(st.get(), 0);
        if (hidden == 2 || hidden == 3)
            return "字段“" + name + "”是计算字段（GENERATED ALWAYS AS），它的值不存放在文件中；"
                   "目录文件的字段只能存放数据。";
        return "字段“" + name + "”是隐藏字段；目录文件的字段只能是普通字段。";
    }
    if (rc != SQLITE_DONE) return describeSqliteFailure(db, rc);
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

namespace {

// The size of the database the connection reads, in bytes.
std::size_t databaseSize(sqlite3* db)
{
    std::int64_t size = 1;
    for (const char* pragma : {"PRAGMA page_count", "PRAGMA page_size"}) {
        Statement st;
        if (!prepare(db, pragma, st).empty() || sqlite3_step(st.get()) != SQLITE_ROW) return 0;
        size *= sqlite3_column_int64(st.get(), 0);
    }
    return static_cast<std::size_t>(size);
}

// Caps what SQLite may allocate while a file is loaded (the whole process's
// SQLite heap: the loaded image and what reading it needs), and puts the
// earlier cap back afterwards.
class HeapCap {
public:
    explicit HeapCap(sqlite3_int64 bytes) : before_(sqlite3_hard_heap_limit64(-1))
    {
        if (before_ == 0 || bytes < before_) sqlite3_hard_heap_limit64(bytes);
    }
    ~HeapCap() { sqlite3_hard_heap_limit64(before_); }
    HeapCap(const HeapCap&) = delete;
    HeapCap& operator=(const HeapCap&) = delete;

private:
    sqlite3_int64 before_;
};

// What reading a file may cost at most, besides the file's image: SQLite's
// page cache, the schema and one record's values, with room to spare.
constexpr sqlite3_int64 kSqliteWorkingMemory = 64 << 20;

} // namespace

Catalogue::LoadResult Catalogue::load(const std::string& path)
{
    const std::string prefix = "打开 " + path + " 失败：";
    try {
        // A file that changes while it is read (someone saving it, a copy
        // arriving) may give a mixture of old and new pages: the file must
        // be the same before and after, or it is read again.
        constexpr int kAttempts = 3;
        for (int attempt = 0; attempt < kAttempts; ++attempt) {
            FileStamp before, after;
            const bool stamped = stampOf(path, before);
            readStep(ReadStep::Opened);
            // The file, its page cache and one record's values, with room to spare.
            HeapCap cap(2 * static_cast<sqlite3_int64>(std::min<std::uint64_t>(before.size, std::uint64_t{1} << 32)) +
                        kSqliteWorkingMemory);
            LoadResult result = loadFrom(path);
            readStep(ReadStep::Read);
            if (!stamped || (stampOf(path, after) && after == before)) return result;
        }
        return {nullptr, prefix + "文件在读取期间一直在变（可能有程序正在保存或复制它）；请等它保存完成后再试。"};
    } catch (const std::bad_alloc&) {
        return {nullptr, prefix + "内存不足。"};
    }
}

Catalogue::LoadResult Catalogue::loadFrom(const std::string& path)
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
    if (std::string why = plainColumns(db.get(), table); !why.empty()) return fail(why);
    Statement st;
    if (std::string why = prepareRecords(db.get(), table, st); !why.empty()) return fail(why);

    std::unique_ptr<Catalogue> cat(new Catalogue());
    cat->path_ = path;
    cat->table_ = table;
    if (std::string why = cat->takeColumns(st.get()); !why.empty()) return fail(why);

    // Every cell takes at least a byte of the file and every text byte is
    // stored there once (UTF-16 texts grow by half as UTF-8), so what the
    // records hold cannot add up to much more than the file's size; a file
    // whose records do shares its storage between records or fills them
    // from the schema, which only a forged file does.
    const std::size_t budget = 16 * databaseSize(db.get()) + (1 << 20);
    const std::size_t perRecord = 8 * (cat->columns_.size() + 1);
    std::size_t record = 0;
    int rc = SQLITE_OK;
    while ((rc = sqlite3_step(st.get())) == SQLITE_ROW) {
        ++record;
        std::size_t used = record * perRecord;
        for (std::size_t c = 0; c < cat->columns_.size(); ++c) {
            Column& col = cat->columns_[c];
            if (std::string what = takeCell(col, st.get(), static_cast<int>(c) + 1); !what.empty())
                return fail("第 " + std::to_string(record) + " 条记录（rowid " +
                            numberText(static_cast<std::int64_t>(sqlite3_column_int64(st.get(), 0))) + "）的字段“" +
                            col.field.name + "”" + what);
            used += col.text.size();
        }
        if (used > budget)
            return fail("数据库文件已损坏（读到第 " + std::to_string(record) +
                        " 条记录时，记录的内容已远远超过文件本身能存放的数量）。");
    }
    if (rc != SQLITE_DONE) return fail(describeSqliteFailure(db.get(), rc));
    cat->records_ = record;
    result.catalogue = std::move(cat);
    return result;
}

} // namespace gr::db
