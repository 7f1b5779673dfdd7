// Catalogue files that are unsafe to read as they stand: files that change
// while they are read, files whose schema makes reading cost any amount of
// time and memory, and files with SQLite journals beside them that hold
// changes the file itself does not.
#include "catalogue_test_support.hpp"
#include <geardb/database_set.hpp>
#include "edbtool.hpp"

#include <atomic>
#include <chrono>
#include <sstream>
#include <thread>

using gr::db::Catalogue;
using gr::db::DatabaseSet;
using gr::db::FieldKind;
using gr::db::ReadStep;
using namespace test_support;
using namespace std::literals;

namespace {

// A catalogue of `count` items numbered I1, I2, ...
void writeItems(const std::string& path, int count)
{
    std::vector<Row> rows;
    std::vector<std::string> numbers;
    for (int i = 1; i <= count; ++i) numbers.push_back("I" + std::to_string(i));
    for (const std::string& n : numbers)
        rows.push_back({std::string_view(n), 2.0, std::int64_t{20}, std::int64_t{0}, std::int64_t{7}});
    writeCatalogue(path, gr::db::itemCatalogueFields(), rows);
}

// Removes the read hook when a test ends, however it ends.
struct HookGuard {
    ~HookGuard() { gr::db::setReadHook({}); }
};

// What a sqlite3 program that may write (the sqlite3 shell, an editor) finds
// in the file: it applies journals and logs beside the file first.
std::int64_t gradeSeenBySqlite(const std::string& path, const std::string& item)
{
    sqlite3* db = nullptr;
    std::int64_t grade = -1;
    if (sqlite3_open(path.c_str(), &db) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        const std::string sql = "SELECT 精度 FROM records WHERE 订货编号 = '" + item + "'";
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
            grade = sqlite3_column_int64(st, 0);
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return grade;
}

std::int64_t gradeSeenByReader(const Catalogue& c, std::string_view item)
{
    for (std::size_t r = 0; r < c.recordCount(); ++r)
        if (c.textAt(0, r) == item) return static_cast<std::int64_t>(c.numberAt(4, r));
    return -1;
}

// ---- Files that change while they are read --------------------------------

enum class Change { TruncateToHalf, TruncateToNothing, ReplaceWithOther };

struct ChangeCase {
    const char* name;
    ReadStep when;
    Change change;
    bool onEveryRead;   // the file keeps changing
    std::size_t records; // what a successful read finds; 0: the read must fail
    std::vector<std::string> says;
    friend void PrintTo(const ChangeCase& c, std::ostream* os) { *os << c.name; }
};

class ChangedWhileRead : public ::testing::TestWithParam<ChangeCase> {};

TEST_P(ChangedWhileRead, GivesTheFileAsItStandsOrAMessage)
{
    const ChangeCase& c = GetParam();
    TempDir dir;
    const std::string path = dir.file("ZKD.edb"), other = dir.file("other.edb");
    writeItems(path, 3000);
    writeItems(other, 5);
    const std::string original = readBytes(path), replacement = readBytes(other);
    int changes = 0;
    HookGuard guard;
    gr::db::setReadHook([&](ReadStep step) {
        if (step != c.when || (!c.onEveryRead && changes > 0)) return;
        ++changes;
        switch (c.change) {
        case Change::TruncateToHalf: fs::resize_file(path, original.size() / 2); break;
        case Change::TruncateToNothing: fs::resize_file(path, 0); break;
        case Change::ReplaceWithOther:
            // Alternate, so that every read meets another file.
            writeBytes(path, changes % 2 ? replacement : original);
            break;
        }
    });
    const auto loaded = Catalogue::load(path);
    EXPECT_GE(changes, 1);
    if (c.records) {
        ASSERT_TRUE(loaded.catalogue) << loaded.error;
        EXPECT_EQ(loaded.catalogue->recordCount(), c.records);
        return;
    }
    EXPECT_FALSE(loaded.catalogue);
    expectContainsAll(loaded.error, c.says);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Steps, ChangedWhileRead, ::testing::Values(
    ChangeCase{"TruncatedBeforeReading", ReadStep::Opened, Change::TruncateToHalf, false, 0, {"ZKD.edb", "失败"}},
    ChangeCase{"TruncatedAfterReading", ReadStep::Read, Change::TruncateToHalf, false, 0, {"ZKD.edb", "失败"}},
    ChangeCase{"EmptiedAfterReading", ReadStep::Read, Change::TruncateToNothing, false, 0, {"ZKD.edb", "没有数据表"}},
    ChangeCase{"ReplacedAfterReadingIsReadAgain", ReadStep::Read, Change::ReplaceWithOther, false, 5, {}},
    ChangeCase{"ReplacedBeforeReadingIsReadAgain", ReadStep::Opened, Change::ReplaceWithOther, false, 5, {}},
    ChangeCase{"AlwaysChanging", ReadStep::Read, Change::ReplaceWithOther, true, 0, {"ZKD.edb", "一直在变"}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// Another program rewrites the file in place, again and again, while the
// reader reads it: every read gives one of the two files whole or a
// message, and the process lives on (a mapped file would die of SIGBUS).
TEST(ChangedWhileRead, ARealWriterNeverCrashesTheReader)
{
    TempDir dir;
    const std::string path = dir.file("ZKD.edb"), small = dir.file("small.edb");
    writeItems(path, 20000);
    writeItems(small, 7);
    const std::string large = readBytes(path), smallBytes = readBytes(small);
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int n = 0; !stop; ++n) {
            // In place: truncate, then write, as a careless copy does.
            std::ofstream out(fs::path(path), std::ios::binary | std::ios::trunc);
            const std::string& bytes = n % 2 ? smallBytes : large;
            for (std::size_t at = 0; at < bytes.size() && !stop; at += 65536)
                out.write(bytes.data() + at, static_cast<std::streamsize>(std::min<std::size_t>(65536, bytes.size() - at)));
            out.close();
            std::this_thread::sleep_for(3ms); // a moment of rest, so that some reads find a whole file
        }
    });
    int whole = 0, refused = 0;
    const auto end = std::chrono::steady_clock::now() + 1500ms;
    while (std::chrono::steady_clock::now() < end) {
        const auto loaded = Catalogue::load(path);
        if (loaded.catalogue) {
            const std::size_t n = loaded.catalogue->recordCount();
            EXPECT_TRUE(n == 7 || n == 20000) << n << " records";
            ++whole;
        } else {
            EXPECT_NE(loaded.error.find(path), std::string::npos) << loaded.error;
            ++refused;
        }
    }
    stop = true;
    writer.join();
    EXPECT_GT(whole + refused, 0);
    std::cout << "reads: " << whole << " whole, " << refused << " refused\n";
}

TEST(ChangedWhileRead, TheOtherCataloguesStayOpen)
{
    // A file that keeps changing is refused when it is opened again; the
    // database set goes on serving the other aliases.
    TempDir dir;
    writeItems(dir.file("ZKD.edb"), 3);
    writeItems(dir.file("gc.edb"), 2);
    DatabaseSet set;
    ASSERT_EQ(set.open(dir.file("gc.edb"), "G"), "");
    HookGuard guard;
    int n = 0;
    gr::db::setReadHook([&](ReadStep step) {
        if (step == ReadStep::Read) writeBytes(dir.file("ZKD.edb"), std::string(++n * 512, 'x'));
    });
    expectContainsAll(set.open(dir.file("ZKD.edb"), "Z"), {"ZKD.edb", "一直在变"});
    gr::db::setReadHook({});
    EXPECT_FALSE(set.isOpen("Z"));
    EXPECT_TRUE(set.select("G"));
    EXPECT_TRUE(set.goFirst());
}

// ---- Schemas that are not a catalogue's -------------------------------------

struct SchemaCase {
    const char* name;
    std::string sql; // run on a new file
    bool usable;
    std::vector<std::string> says;
    friend void PrintTo(const SchemaCase& c, std::ostream* os) { *os << c.name; }
};

class Schema : public ::testing::TestWithParam<SchemaCase> {};

TEST_P(Schema, OnlyOnePlainTableIsACatalogue)
{
    const SchemaCase& c = GetParam();
    TempDir dir;
    const std::string path = dir.file("ZKD.edb");
    execSql(path, c.sql);
    const auto start = std::chrono::steady_clock::now();
    const auto loaded = Catalogue::load(path);
    // Refused before anything is computed: a bomb costs no time.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    if (c.usable) {
        EXPECT_TRUE(loaded.catalogue) << loaded.error;
        return;
    }
    ASSERT_FALSE(loaded.catalogue);
    expectContainsAll(loaded.error, c.says);
}

constexpr const char* kBombTable =
    "CREATE TABLE records (订货编号 TEXT, 精度 TEXT GENERATED ALWAYS AS (printf('%.*c', 400000000, 'x')) VIRTUAL);"
    "INSERT INTO records (订货编号) VALUES ('a'), ('b');";

// clang-format off
INSTANTIATE_TEST_SUITE_P(Objects, Schema, ::testing::Values(
    SchemaCase{"ComputedColumnBomb", kBombTable, false, {"ZKD.edb", "“精度”", "计算字段"}},
    SchemaCase{"StoredComputedColumn",
               "CREATE TABLE t (a LONG, b LONG GENERATED ALWAYS AS (a * 2) STORED); INSERT INTO t (a) VALUES (1);",
               false, {"“b”", "计算字段"}},
    SchemaCase{"View", "CREATE TABLE t (a LONG); CREATE VIEW v AS SELECT a FROM t;", false, {"视图“v”"}},
    SchemaCase{"Trigger",
               "CREATE TABLE t (a LONG); CREATE TRIGGER g AFTER INSERT ON t BEGIN SELECT 1; END;",
               false, {"触发器“g”"}},
    SchemaCase{"OwnIndex", "CREATE TABLE t (a LONG); CREATE INDEX i ON t (a);", false, {"索引“i”", "DROP INDEX"}},
    // Written straight into the schema, as a crafted file would hold it:
    // the module need not exist in the SQLite that reads (or writes) it.
    SchemaCase{"VirtualTable",
               "PRAGMA writable_schema = ON; INSERT INTO sqlite_master (type, name, tbl_name, rootpage, sql) "
               "VALUES ('table', 't', 't', 0, 'CREATE VIRTUAL TABLE t USING fts5 (a)');",
               false, {"“t”", "虚拟表"}},
    SchemaCase{"UniqueColumnIndexIsTheTables",
               "CREATE TABLE t (a TEXT UNIQUE, b LONG PRIMARY KEY); INSERT INTO t VALUES ('x', 1);", true, {}},
    SchemaCase{"StatisticsAreSqlites",
               "CREATE TABLE t (a TEXT UNIQUE); INSERT INTO t VALUES ('x'), ('y'); ANALYZE;", true, {}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(Schema, RecordsFilledFromTheSchemaBeyondTheFilesSizeAreRefused)
{
    // Records written before a column was added take the column's default
    // from the schema: a long default over many short records makes a small
    // file hold far more than it could store.
    TempDir dir;
    const std::string path = dir.file("ZKD.edb");
    std::string sql = "CREATE TABLE t (a LONG); WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                      "WHERE i < 20000) INSERT INTO t SELECT i FROM n;";
    sql += "ALTER TABLE t ADD COLUMN b TEXT NOT NULL DEFAULT '" + std::string(60000, 'x') + "';";
    execSql(path, sql);
    ASSERT_LT(fs::file_size(path), 400'000u);
    const auto loaded = Catalogue::load(path);
    ASSERT_FALSE(loaded.catalogue);
    expectContainsAll(loaded.error, {"ZKD.edb", "已损坏", "超过文件本身"});
}

TEST(Schema, EdbtoolRefusesTheBombQuickly)
{
    TempDir dir;
    const std::string path = dir.file("ZKD.edb");
    execSql(path, kBombTable);
    for (const char* command : {"check", "info", "export"}) {
        std::ostringstream out, err;
        EXPECT_EQ(edbtool::run({command, path}, out, err), 1) << command;
        expectContainsAll(err.str(), {"ZKD.edb", "计算字段"});
    }
}

// ---- Journals left beside the file -------------------------------------------

// The state an editor leaves when it is killed in the middle: copies of the
// database file and its side files, taken while the editor's change is
// (or is not yet) finished.
enum class Left { CommittedWal, EmptyWal, HotJournal };

// Builds ZKD.edb with item A at grade 7 in `dir`, then has an editor change
// it to grade 9 and copies the file with its side files into `into` while
// the editor still has them.
void leaveSideFiles(const TempDir& dir, Left left, const std::string& into)
{
    const std::string work = dir.file("work.edb");
    writeCatalogue(work, gr::db::itemCatalogueFields(),
                   {{"A"sv, 2.0, std::int64_t{20}, std::int64_t{0}, std::int64_t{7}}});
    sqlite3* editor = nullptr;
    ASSERT_EQ(sqlite3_open(work.c_str(), &editor), SQLITE_OK);
    std::string sql;
    switch (left) {
    case Left::CommittedWal:
        sql = "PRAGMA journal_mode = WAL; PRAGMA wal_autocheckpoint = 0; UPDATE records SET 精度 = 9;";
        break;
    case Left::EmptyWal: sql = "PRAGMA journal_mode = WAL; SELECT count(*) FROM records;"; break;
    case Left::HotJournal:
        // Spilling the cache writes the change into the file before the
        // commit, with the old pages kept in the journal.
        sql = "PRAGMA cache_size = 1; BEGIN; UPDATE records SET 精度 = 9; "
              "INSERT INTO records SELECT 订货编号 || 'x', 模数, 齿数, 齿形, 精度 FROM records;";
        for (int i = 0; i < 8; ++i)
            sql += "INSERT INTO records SELECT 订货编号 || 'y', 模数, 齿数, 齿形, 精度 FROM records;";
        break;
    }
    char* message = nullptr;
    ASSERT_EQ(sqlite3_exec(editor, sql.c_str(), nullptr, nullptr, &message), SQLITE_OK) << message;
    for (const char* suffix : {"", "-wal", "-journal", "-shm"})
        if (fs::exists(work + suffix)) fs::copy_file(work + suffix, into + suffix, fs::copy_options::overwrite_existing);
    sqlite3_close(editor); // rolls back (HotJournal) or checkpoints: the copies keep the moment before
}

struct SideCase {
    const char* name;
    Left left;
    bool usable;
    std::vector<std::string> says;
    friend void PrintTo(const SideCase& c, std::ostream* os) { *os << c.name; }
};

class SideFiles : public ::testing::TestWithParam<SideCase> {};

TEST_P(SideFiles, ThatHoldChangesMakeTheFileUnusable)
{
    const SideCase& c = GetParam();
    TempDir dir;
    const std::string path = dir.file("ZKD.edb");
    leaveSideFiles(dir, c.left, path);
    const auto before = dir.entries();
    const auto loaded = Catalogue::load(path);
    EXPECT_EQ(dir.entries(), before) << "the reader must not touch the side files";
    if (c.usable) {
        ASSERT_TRUE(loaded.catalogue) << loaded.error;
        EXPECT_EQ(gradeSeenByReader(*loaded.catalogue, "A"), gradeSeenBySqlite(path, "A"));
        return;
    }
    ASSERT_FALSE(loaded.catalogue);
    expectContainsAll(loaded.error, c.says);
    std::ostringstream out, err;
    EXPECT_EQ(edbtool::run({"check", path}, out, err), 1);
    EXPECT_EQ(edbtool::run({"export", path}, out, err), 1);
    EXPECT_EQ(out.str().find("A,"), std::string::npos) << "export wrote the old data";
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Left, SideFiles, ::testing::Values(
    SideCase{"CommittedChangesInTheLog", Left::CommittedWal, false, {"ZKD.edb-wal", "已提交", "wal_checkpoint"}},
    SideCase{"LogWithoutChanges", Left::EmptyWal, true, {}},
    SideCase{"UnfinishedChangeInTheJournal", Left::HotJournal, false, {"ZKD.edb-journal", "没有完成", "sqlite3"}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(SideFiles, TheEditorsCommittedChangeIsWhatSqliteShows)
{
    // The reason the log is refused: SQLite itself reads the new grade.
    TempDir dir;
    const std::string path = dir.file("ZKD.edb");
    leaveSideFiles(dir, Left::CommittedWal, path);
    EXPECT_EQ(gradeSeenBySqlite(path, "A"), 9);
}

class CreateOver : public ::testing::TestWithParam<Left> {};

TEST_P(CreateOver, LeavesNoSideFileThatCouldUndoTheNewCatalogue)
{
    TempDir dir;
    const std::string path = dir.file("ZKD.edb"), csv = dir.file("ZKD.csv");
    leaveSideFiles(dir, GetParam(), path);
    writeBytes(csv, "订货编号:TEXT,模数:DOUBLE,齿数:SHORT,齿形:BYTE,精度:BYTE\nB,3,30,0,5\n");
    std::ostringstream out, err;
    ASSERT_EQ(edbtool::run({"create", path, csv}, out, err), 0) << err.str();
    EXPECT_NE(out.str().find("removed"), std::string::npos) << out.str();
    for (const char* suffix : {"-wal", "-journal", "-shm"}) EXPECT_FALSE(fs::exists(path + suffix)) << suffix;
    // A program that applies side files finds the new catalogue only.
    EXPECT_EQ(gradeSeenBySqlite(path, "B"), 5);
    EXPECT_EQ(gradeSeenBySqlite(path, "A"), -1);
    const auto loaded = Catalogue::load(path);
    ASSERT_TRUE(loaded.catalogue) << loaded.error;
    EXPECT_EQ(loaded.catalogue->recordCount(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Left, CreateOver, ::testing::Values(Left::CommittedWal, Left::HotJournal));

} // namespace
