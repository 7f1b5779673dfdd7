#include <geardb/catalogue_writer.hpp>
#include "sql_text.hpp"

#include <geardb/utf8.hpp>

#include <gearplat/text_files.hpp>

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <random>
#include <system_error>

namespace gr::db {

namespace {

std::string asciiUpper(std::string_view s)
{
    std::string u(s);
    for (char& c : u)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return u;
}

// The column definition. The CHECK constraints repeat the reader's rules
// inside the file, so that someone editing it with the sqlite3 shell gets an
// error at once for a value the program would refuse.
std::string columnDefinition(const Field& f)
{
    const std::string q = quoteIdentifier(f.name);
    std::string def = q + " " + std::string(kindKeyword(f.kind)) + " NOT NULL CHECK (";
    switch (f.kind) {
    case FieldKind::Text: def += "typeof(" + q + ") = 'text'"; break;
    case FieldKind::Byte:
        def += "typeof(" + q + ") = 'integer' AND " + q + " BETWEEN 0 AND 255";
        break;
    case FieldKind::Short:
        def += "typeof(" + q + ") = 'integer' AND " + q + " BETWEEN -32768 AND 32767";
        break;
    case FieldKind::Int:
        def += "typeof(" + q + ") = 'integer' AND " + q + " BETWEEN -2147483648 AND 2147483647";
        break;
    case FieldKind::Long: def += "typeof(" + q + ") = 'integer'"; break;
    case FieldKind::Float:
        def += "typeof(" + q + ") = 'real' AND abs(" + q + ") <= 3.4028234663852886e38";
        break;
    case FieldKind::Double:
        // 9e999 reads as infinity: this admits every finite double.
        def += "typeof(" + q + ") = 'real' AND abs(" + q + ") < 9e999";
        break;
    }
    def += ")";
    return def;
}

constexpr std::string_view kRowidNames[] = {"_rowid_", "rowid", "oid"};

template <typename T>
void appendNumber(std::string& out, T value)
{
    char buf[32];
    out.append(buf, std::to_chars(buf, buf + sizeof buf, value).ptr);
}

} // namespace

std::string createTemporaryBeside(const std::string& path, std::string& error)
{
    static std::mt19937_64 random{std::random_device{}()};
    static constexpr char digits[] = "0123456789abcdef";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = path + ".tmp-";
        for (std::uint64_t bits = random(), k = 0; k < 12; ++k, bits >>= 4)
            name += digits[bits & 15];
        // "x": fail rather than reuse a name that exists.
        if (std::FILE* f = gearplat::openFile(name, "wbx")) {
            std::fclose(f);
            return name;
        }
        if (errno != EEXIST) break;
    }
    error = "cannot create a file in the folder of " + path + ": " + std::strerror(errno);
    return {};
}

struct CatalogueWriter::State {
    std::string target;
    std::string temp;
    sqlite3* db = nullptr;
    sqlite3_stmt* insert = nullptr;
    bool committed = false;

    std::string sqliteError(std::string_view what) const
    {
        return std::string(what) + ": " + (db ? sqlite3_errmsg(db) : "out of memory");
    }

    void discard() noexcept
    {
        sqlite3_finalize(insert);
        insert = nullptr;
        sqlite3_close(db);
        db = nullptr;
        if (!temp.empty()) {
            std::error_code ec;
            std::filesystem::remove(gearplat::pathFromUtf8(temp), ec);
            temp.clear();
        }
    }
};

CatalogueWriter::CatalogueWriter(std::unique_ptr<State> state, std::vector<Field> fields)
    : state_(std::move(state)), fields_(std::move(fields))
{
}

CatalogueWriter::~CatalogueWriter()
{
    if (state_ && !state_->committed) state_->discard();
}

std::unique_ptr<CatalogueWriter>
CatalogueWriter::create(const std::string& path, std::vector<Field> fields, std::string& error)
{
    if (fields.empty()) {
        error = "a catalogue needs at least one field";
        return nullptr;
    }
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].name.empty()) {
            error = "field " + std::to_string(i + 1) + " has an empty name";
            return nullptr;
        }
        if (!isValidUtf8(fields[i].name)) {
            error = "field " + std::to_string(i + 1) + " has a name that is not valid UTF-8";
            return nullptr;
        }
        if (fields[i].name.find('\0') != std::string::npos) {
            error = "field " + std::to_string(i + 1) + " has a name that holds a NUL character";
            return nullptr;
        }
        for (std::size_t j = 0; j < i; ++j) {
            if (asciiUpper(fields[j].name) == asciiUpper(fields[i].name)) {
                error = "field name \"" + fields[i].name + "\" appears twice";
                return nullptr;
            }
        }
    }

    // SQLite reaches a table's record order by any of three names that no
    // field has taken; a file whose fields take all three could not be read.
    const bool orderHidden = std::all_of(std::begin(kRowidNames), std::end(kRowidNames), [&](std::string_view alias) {
        return std::any_of(fields.begin(), fields.end(),
                           [&](const Field& f) { return asciiUpper(f.name) == asciiUpper(alias); });
    });
    if (orderHidden) {
        error = "fields named _rowid_, rowid and oid all at once hide the record order; rename one of them";
        return nullptr;
    }

    auto state = std::make_unique<State>();
    state->target = path;
    state->temp = createTemporaryBeside(path, error);
    if (state->temp.empty()) return nullptr;

    auto failWith = [&](std::string message) {
        error = std::move(message);
        state->discard();
        return nullptr;
    };
    if (sqlite3_open_v2(state->temp.c_str(), &state->db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK)
        return failWith(state->sqliteError("cannot open " + state->temp));

    // The temporary file is private until the rename, so it needs neither a
    // journal nor syncs; a crash leaves only the temporary file.
    std::string sql = "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; BEGIN; CREATE TABLE " +
                      quoteIdentifier(kRecordTable) + " (";
    for (std::size_t i = 0; i < fields.size(); ++i)
        sql += (i ? ", " : "") + columnDefinition(fields[i]);
    sql += ");";
    if (sqlite3_exec(state->db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        return failWith(state->sqliteError("cannot create the table"));

    std::string insert = "INSERT INTO " + quoteIdentifier(kRecordTable) + " VALUES (";
    for (std::size_t i = 0; i < fields.size(); ++i)
        insert += i ? ", ?" : "?";
    insert += ")";
    if (sqlite3_prepare_v2(state->db, insert.c_str(), -1, &state->insert, nullptr) != SQLITE_OK)
        return failWith(state->sqliteError("cannot prepare the insert"));

    return std::unique_ptr<CatalogueWriter>(
        new CatalogueWriter(std::move(state), std::move(fields)));
}

std::string CatalogueWriter::add(std::span<const CellValue> cells)
{
    State& s = *state_;
    if (!s.insert) return "the catalogue is already finished";
    if (cells.size() != fields_.size())
        return "expected " + std::to_string(fields_.size()) + " values, got " +
               std::to_string(cells.size());
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const Field& f = fields_[i];
        const int slot = static_cast<int>(i + 1);
        auto where = [&f] {
            return "field \"" + f.name + "\" (" + std::string(kindKeyword(f.kind)) + ")";
        };
        int rc = SQLITE_OK;
        if (f.kind == FieldKind::Text) {
            const auto* text = std::get_if<std::string_view>(&cells[i]);
            if (!text) return where() + ": a text is needed";
            if (!isValidUtf8(*text)) return where() + ": the text is not valid UTF-8";
            if (text->find('\0') != std::string_view::npos) return where() + ": the text holds a NUL character";
            rc = sqlite3_bind_text64(s.insert, slot, text->data(), text->size(), SQLITE_STATIC,
                                     SQLITE_UTF8);
        } else if (isInteger(f.kind)) {
            const auto* v = std::get_if<std::int64_t>(&cells[i]);
            if (!v) return where() + ": a whole number is needed";
            if (!integerFits(f.kind, *v))
                return where() + ": " + std::to_string(*v) + " is out of range";
            rc = sqlite3_bind_int64(s.insert, slot, *v);
        } else {
            const auto* v = std::get_if<double>(&cells[i]);
            if (!v) return where() + ": a number is needed";
            if (!std::isfinite(*v)) return where() + ": the number is not finite";
            double stored = *v;
            if (f.kind == FieldKind::Float) {
                if (std::fabs(stored) > static_cast<double>(std::numeric_limits<float>::max()))
                    return where() + ": the number is out of range";
                stored = static_cast<double>(static_cast<float>(stored));
            }
            rc = sqlite3_bind_double(s.insert, slot, stored);
        }
        if (rc != SQLITE_OK) return s.sqliteError(where());
    }
    const int rc = sqlite3_step(s.insert);
    sqlite3_reset(s.insert);
    sqlite3_clear_bindings(s.insert);
    if (rc != SQLITE_DONE) return s.sqliteError("cannot add the record");
    return {};
}

std::string CatalogueWriter::commit()
{
    State& s = *state_;
    if (!s.insert) return "the catalogue is already finished";
    sqlite3_finalize(s.insert);
    s.insert = nullptr;
    std::string error;
    if (sqlite3_exec(s.db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        error = s.sqliteError("cannot finish the catalogue");
    else if (sqlite3_close(s.db) != SQLITE_OK)
        error = s.sqliteError("cannot close the catalogue");
    else
        s.db = nullptr;
    // SQLite would apply a journal or write-ahead log left beside the old
    // file to the new one (old records would come back): they belong to the
    // file being replaced and go first, so the new file never has them.
    for (const std::string& side : sideFilesOf(s.target)) {
        if (!error.empty()) break;
        std::error_code ec;
        std::filesystem::remove(gearplat::pathFromUtf8(side), ec);
        if (ec) error = "cannot remove " + side + ", left over from the file being replaced: " + ec.message();
    }
    if (error.empty()) {
        std::error_code ec;
        std::filesystem::rename(gearplat::pathFromUtf8(s.temp), gearplat::pathFromUtf8(s.target), ec);
        if (ec) error = "cannot move the finished file to " + s.target + ": " + ec.message();
    }
    if (!error.empty()) {
        s.discard();
        return error;
    }
    s.temp.clear();
    s.committed = true;
    return {};
}

std::vector<std::string> sideFilesOf(const std::string& path)
{
    std::vector<std::string> found;
    for (const char* suffix : {"-journal", "-wal", "-shm"}) {
        std::error_code ec;
        const std::string side = path + suffix;
        if (std::filesystem::symlink_status(gearplat::pathFromUtf8(side), ec).type() !=
            std::filesystem::file_type::not_found && !ec)
            found.push_back(side);
    }
    return found;
}

std::vector<Field> itemCatalogueFields()
{
    return {{"订货编号", FieldKind::Text},
            {"模数", FieldKind::Double},
            {"齿数", FieldKind::Short},
            {"齿形", FieldKind::Byte},
            {"精度", FieldKind::Byte}};
}

std::string writeSyntheticItems(const std::string& path, std::size_t count,
                                std::string* lastItemNumber)
{
    static constexpr double kModules[] = {0.5, 0.6, 0.8, 1, 1.25, 1.5, 2, 2.5, 3, 4, 5, 6, 8};
    std::string error;
    auto writer = CatalogueWriter::create(path, itemCatalogueFields(), error);
    if (!writer) return error;

    std::uint64_t seed = 0x9E3779B97F4A7C15ull;
    auto next = [&seed](std::uint64_t bound) {
        // xorshift64*: fixed output for a fixed seed, on every platform.
        seed ^= seed >> 12;
        seed ^= seed << 25;
        seed ^= seed >> 27;
        return ((seed * 0x2545F4914F6CDD1Dull) >> 32) % bound;
    };
    std::string item;
    for (std::size_t n = 1; n <= count; ++n) {
        const double module = kModules[next(std::size(kModules))];
        const auto teeth = static_cast<std::int64_t>(10 + next(141));
        const auto helical = static_cast<std::int64_t>(next(2));
        const auto grade = static_cast<std::int64_t>(5 + next(6));

        // ZKD-<S|H><module>-<teeth>-<grade>-<serial>, e.g. ZKD-H2-20-6-0000001.
        item.assign(helical ? "ZKD-H" : "ZKD-S");
        appendNumber(item, module);
        item += '-';
        appendNumber(item, teeth);
        item += '-';
        appendNumber(item, grade);
        item += '-';
        const std::size_t serialAt = item.size();
        appendNumber(item, n);
        if (item.size() - serialAt < 7) item.insert(serialAt, 7 - (item.size() - serialAt), '0');

        const CellValue cells[] = {std::string_view(item), module, teeth, helical, grade};
        error = writer->add(cells);
        if (!error.empty()) return error;
    }
    if (lastItemNumber) *lastItemNumber = item;
    return writer->commit();
}

} // namespace gr::db
