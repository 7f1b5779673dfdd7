// The runtime's record databases: opening, selecting, searching and typed
// reads, as the calculation's lookups use them, and the files it refuses.
#include "catalogue_test_support.hpp"
#include <geardb/database_set.hpp>

#include <sys/stat.h>

#include <functional>

using gr::db::DatabaseSet;
using gr::db::Expect;
using gr::db::FieldKind;
using gr::db::SearchOutcome;
using namespace test_support;
using namespace std::literals;

namespace {

// An item catalogue with every kind, a repeated item number, an empty one
// and one with a trailing blank.
void writeItems(const std::string& path)
{
    auto item = [](std::string_view number, double module, std::int64_t teeth, std::int64_t form,
                   std::int64_t grade, double weight, std::int64_t batch) {
        return Row{number, module, teeth, form, grade, weight, batch};
    };
    writeCatalogue(path,
                   {{"订货编号", FieldKind::Text},
                    {"模数", FieldKind::Double},
                    {"齿数", FieldKind::Short},
                    {"齿形", FieldKind::Byte},
                    {"精度", FieldKind::Int},
                    {"重量", FieldKind::Float},
                    {"批号", FieldKind::Long}},
                   {item("A-1", 2.0, 20, 1, 6, 0.25, std::int64_t{1} << 40),
                    item("B-2", 2.5, 30, 0, 7, 1.5, -5), item("A-1", 3.0, 40, 0, 8, 2.0, 0),
                    item("", 1.0, 12, 0, 9, 0.5, 0), item("C-3 ", 4.0, 50, 255, 10, 0.5, 0)});
}

// The calculation's item lookup: select, first record, search by number.
SearchOutcome findItem(DatabaseSet& set, std::string_view number)
{
    set.select("Z");
    set.goFirst();
    return set.search([&] {
        const auto r = set.readField("订货编号", Expect::Text);
        if (r.status != GR_OK) return -1;
        return r.value.text == number ? 1 : 0;
    });
}

double readNumber(const DatabaseSet& set, std::string_view field)
{
    const auto r = set.readField(field, Expect::Number);
    EXPECT_EQ(r.status, GR_OK) << r.message;
    return r.value.d;
}

class DatabaseSetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        items = dir.file("items.edb");
        writeItems(items);
        writeCatalogue(dir.file("other.edb"), {{"名称", FieldKind::Text}}, {{"x"sv}, {"y"sv}});
        writeCatalogue(dir.file("empty.edb"), {{"名称", FieldKind::Text}}, {});
        ASSERT_EQ(set.open(items, "Z"), "");
    }

    TempDir dir;
    std::string items;
    DatabaseSet set;
};

struct LookupCase {
    const char* name;
    std::string number;
    bool found;
    double module; // of the record found
    friend void PrintTo(const LookupCase& c, std::ostream* os) { *os << c.name; }
};

class ItemLookup : public DatabaseSetTest, public ::testing::WithParamInterface<LookupCase> {};

TEST_P(ItemLookup, FindsFirstExactMatchOnly)
{
    const LookupCase& c = GetParam();
    EXPECT_EQ(findItem(set, c.number), c.found ? SearchOutcome::Found : SearchOutcome::NotFound);
    if (c.found) {
        EXPECT_EQ(readNumber(set, "模数"), c.module);
        const auto any = set.readField("订货编号", Expect::Any);
        EXPECT_EQ(any.value.kind, GR_KIND_TEXT);
        EXPECT_EQ(any.value.text, c.number);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, ItemLookup,
                         ::testing::Values(LookupCase{"FirstOfTwoRepeats", "A-1", true, 2.0},
                                           LookupCase{"Second", "B-2", true, 2.5},
                                           LookupCase{"EmptyFindsEmptyNumber", "", true, 1.0},
                                           LookupCase{"TrailingBlankMustMatch", "C-3", false, 0},
                                           LookupCase{"WithTrailingBlank", "C-3 ", true, 4.0},
                                           LookupCase{"LetterCaseCounts", "a-1", false, 0},
                                           LookupCase{"Unknown", "ZZZ", false, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DatabaseSetTest, FailedSearchLeavesNoCurrentRecord)
{
    ASSERT_EQ(findItem(set, "nope"), SearchOutcome::NotFound);
    const auto r = set.readField("模数", Expect::Number);
    EXPECT_EQ(r.status, GR_ERR_DATABASE);
    expectContainsAll(r.message, {"items.edb", "“模数”", "没有记录"});

    int calls = 0;
    EXPECT_EQ(set.search([&] { return ++calls, 1; }), SearchOutcome::NotFound);
    EXPECT_EQ(calls, 0);
    EXPECT_TRUE(set.goFirst());
    EXPECT_EQ(readNumber(set, "模数"), 2.0);
}

TEST_F(DatabaseSetTest, SearchStartsAtCurrentRecordIncluded)
{
    ASSERT_EQ(findItem(set, "B-2"), SearchOutcome::Found);
    int calls = 0;
    EXPECT_EQ(set.search([&] { return ++calls, 1; }), SearchOutcome::Found);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(readNumber(set, "齿数"), 30);

    // Moving on past the current record reaches the repeated number.
    calls = 0;
    EXPECT_EQ(set.search([&] {
        const auto r = set.readField("订货编号", Expect::Text);
        return ++calls > 1 && r.value.text == "A-1" ? 1 : 0;
    }),
              SearchOutcome::Found);
    EXPECT_EQ(readNumber(set, "模数"), 3.0);
}

TEST_F(DatabaseSetTest, NegativeConditionAbortsOnItsRecord)
{
    set.select("Z");
    set.goFirst();
    int calls = 0;
    EXPECT_EQ(set.search([&] { return ++calls == 2 ? -1 : 0; }), SearchOutcome::Aborted);
    EXPECT_EQ(set.readField("订货编号", Expect::Text).value.text, "B-2");
}

TEST_F(DatabaseSetTest, ConditionThatChangesSelectionAbortsSearch)
{
    ASSERT_EQ(set.open(dir.file("other.edb"), "S"), "");
    set.select("Z");
    set.goFirst();
    EXPECT_EQ(set.search([&] { return set.select("S") ? 0 : 0; }), SearchOutcome::Aborted);
    // The condition reopened the alias being searched: no dangling record.
    set.select("Z");
    set.goFirst();
    EXPECT_EQ(set.search([&] { return set.open(dir.file("missing.edb"), "Z").empty() ? 0 : 0; }),
              SearchOutcome::Aborted);
    EXPECT_FALSE(set.select("Z"));
}

struct KindCase {
    const char* name;
    const char* field;
    gr_kind kind;
    double widened;
    friend void PrintTo(const KindCase& c, std::ostream* os) { *os << c.name; }
};

class ReadKinds : public DatabaseSetTest, public ::testing::WithParamInterface<KindCase> {};

TEST_P(ReadKinds, NumberKeepsKindAndWidens)
{
    const KindCase& c = GetParam();
    set.select("Z");
    set.goFirst();
    for (Expect e : {Expect::Number, Expect::Any}) {
        const auto r = set.readField(c.field, e);
        ASSERT_EQ(r.status, GR_OK) << r.message;
        EXPECT_EQ(r.value.kind, c.kind);
        EXPECT_EQ(r.value.d, c.widened);
        if (c.kind == GR_KIND_FLOAT) {
            EXPECT_EQ(r.value.f, static_cast<float>(c.widened));
        } else if (c.kind != GR_KIND_DOUBLE) {
            EXPECT_EQ(r.value.i, static_cast<std::int64_t>(c.widened));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, ReadKinds,
                         ::testing::Values(KindCase{"Double", "模数", GR_KIND_DOUBLE, 2.0},
                                           KindCase{"Short", "齿数", GR_KIND_SHORT, 20},
                                           KindCase{"Byte", "齿形", GR_KIND_BYTE, 1},
                                           KindCase{"Int", "精度", GR_KIND_INT, 6},
                                           KindCase{"Float", "重量", GR_KIND_FLOAT, 0.25},
                                           KindCase{"Long", "批号", GR_KIND_LONG, 1099511627776.0}),
                         [](const auto& info) { return std::string(info.param.name); });

struct ReadErrorCase {
    const char* name;
    const char* field;
    Expect expect;
    gr_status status;
    std::vector<std::string> says;
    friend void PrintTo(const ReadErrorCase& c, std::ostream* os) { *os << c.name; }
};

class ReadErrors : public DatabaseSetTest, public ::testing::WithParamInterface<ReadErrorCase> {};

TEST_P(ReadErrors, StatusAndMessageNameFileFieldAndKinds)
{
    const ReadErrorCase& c = GetParam();
    set.select("Z");
    set.goFirst();
    const auto r = set.readField(c.field, c.expect);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.value.kind, GR_KIND_NONE);
    expectContainsAll(r.message, c.says);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rows, ReadErrors, ::testing::Values(
    ReadErrorCase{"TextWhereNumber", "订货编号", Expect::Number, GR_ERR_NUMBER_EXPECTED,
                  {"items.edb", "“订货编号”", "需要数字", "文本"}},
    ReadErrorCase{"IntWhereText", "精度", Expect::Text, GR_ERR_TEXT_EXPECTED,
                  {"items.edb", "“精度”", "需要文本", "整数（INT）"}},
    ReadErrorCase{"FloatWhereText", "重量", Expect::Text, GR_ERR_TEXT_EXPECTED, {"单精度小数（FLOAT）"}},
    ReadErrorCase{"MissingField", "二十五", Expect::Any, GR_ERR_DATABASE,
                  {"items.edb", "“二十五”", "没有这个字段"}},
    ReadErrorCase{"NameIsExact", "订货编号 ", Expect::Text, GR_ERR_DATABASE, {"没有这个字段"}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST_F(DatabaseSetTest, NothingSelected)
{
    DatabaseSet fresh;
    EXPECT_EQ(fresh.readField("模数", Expect::Any).status, GR_ERR_DATABASE);
    EXPECT_FALSE(fresh.goFirst());
    EXPECT_EQ(fresh.search([] { return 1; }), SearchOutcome::NotFound);
    EXPECT_EQ(fresh.currentFileName(), "");

    EXPECT_FALSE(set.select("G"));
    const auto r = set.readField("模数", Expect::Any);
    EXPECT_EQ(r.status, GR_ERR_DATABASE);
    expectContainsAll(r.message, {"“模数”", "没有选定的数据库"});
}

TEST_F(DatabaseSetTest, EmptyCatalogueHasNoFirstRecord)
{
    ASSERT_EQ(set.open(dir.file("empty.edb"), "E"), "");
    ASSERT_TRUE(set.select("E"));
    EXPECT_FALSE(set.goFirst());
    EXPECT_EQ(set.search([] { return 1; }), SearchOutcome::NotFound);
}

TEST_F(DatabaseSetTest, EachAliasKeepsItsRecord)
{
    ASSERT_EQ(set.open(dir.file("other.edb"), "S"), "");
    ASSERT_EQ(findItem(set, "B-2"), SearchOutcome::Found);
    set.select("S");
    // A freshly opened database stands on its first record.
    EXPECT_EQ(set.readField("名称", Expect::Text).value.text, "x");
    EXPECT_EQ(set.currentFileName(), "other.edb");
    set.select("Z");
    EXPECT_EQ(set.readField("订货编号", Expect::Text).value.text, "B-2");
}

TEST_F(DatabaseSetTest, ReopenReplacesDatabaseUnderAlias)
{
    set.select("Z");
    ASSERT_EQ(set.open(dir.file("other.edb"), "Z"), "");
    EXPECT_EQ(set.currentFileName(), "other.edb");
    EXPECT_EQ(set.readField("名称", Expect::Text).value.text, "x");
    EXPECT_EQ(set.readField("订货编号", Expect::Text).status, GR_ERR_DATABASE);
}

TEST_F(DatabaseSetTest, FailedReopenClosesAlias)
{
    set.select("Z");
    const std::string error = set.open(dir.file("missing.edb"), "Z");
    expectContainsAll(error, {"missing.edb", "文件不存在"});
    EXPECT_EQ(set.currentFileName(), "");
    EXPECT_EQ(set.readField("模数", Expect::Any).status, GR_ERR_DATABASE);
    EXPECT_FALSE(set.select("Z"));
}

// ---- Files that are refused at open ------------------------------------

struct BadFileCase {
    const char* name;
    std::function<void(const std::string& path)> make;
    std::vector<std::string> says;
    friend void PrintTo(const BadFileCase& c, std::ostream* os) { *os << c.name; }
};

class BadFiles : public ::testing::TestWithParam<BadFileCase> {};

TEST_P(BadFiles, OpenRefusesWithMessageNamingFileAndFault)
{
    TempDir dir;
    const std::string path = dir.file("bad.edb");
    GetParam().make(path);
    DatabaseSet set;
    const std::string error = set.open(path, "Z");
    EXPECT_FALSE(set.select("Z"));
    std::vector<std::string> says = GetParam().says;
    says.push_back(path);
    expectContainsAll(error, says);
}

std::function<void(const std::string&)> sql(std::string text)
{
    return [text](const std::string& path) { execSql(path, text); };
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rows, BadFiles, ::testing::Values(
    BadFileCase{"Missing", [](const std::string&) {}, {"文件不存在"}},
    BadFileCase{"Folder", [](const std::string& p) { fs::create_directory(p); }, {"文件夹"}},
    BadFileCase{"NotSqlite", [](const std::string& p) { writeBytes(p, std::string(2048, 'x')); },
                {"不是 SQLite 3 数据库文件"}},
    BadFileCase{"EmptyFileHasNoTable", [](const std::string& p) { writeBytes(p, ""); }, {"没有数据表"}},
    BadFileCase{"TwoTables", sql("CREATE TABLE a (x INT); CREATE TABLE b (y INT)"),
                {"2 个数据表", "“a”", "“b”"}},
    BadFileCase{"UnknownType", sql("CREATE TABLE t (名称 VARCHAR(20))"), {"“名称”", "VARCHAR(20)", "不受支持"}},
    BadFileCase{"NoType", sql("CREATE TABLE t (名称)"), {"“名称”", "没有声明类型"}},
    BadFileCase{"NullCell", sql("CREATE TABLE t (a TEXT, b INT); INSERT INTO t VALUES ('x', 1), ('y', NULL)"),
                {"第 2 条记录", "“b”", "NULL"}},
    BadFileCase{"TextInInt", sql("CREATE TABLE t (精度 INT); INSERT INTO t VALUES ('七')"),
                {"第 1 条记录", "“精度”", "整数（INT）", "文本"}},
    BadFileCase{"FractionInShort", sql("CREATE TABLE t (齿数 SHORT); INSERT INTO t VALUES (20.5)"),
                {"“齿数”", "小数 20.5"}},
    BadFileCase{"ByteOutOfRange", sql("CREATE TABLE t (齿形 BYTE); INSERT INTO t VALUES (256)"),
                {"“齿形”", "256", "超出"}},
    BadFileCase{"BlobInText", sql("CREATE TABLE t (编号 TEXT); INSERT INTO t VALUES (x'00ff')"), {"“编号”", "BLOB"}},
    BadFileCase{"BadUtf8Text", sql("CREATE TABLE t (编号 TEXT); INSERT INTO t VALUES (CAST(x'41ff42' AS TEXT))"),
                {"“编号”", "UTF-8"}},
    BadFileCase{"InfiniteDouble", sql("CREATE TABLE t (模数 DOUBLE); INSERT INTO t VALUES (9e999)"), {"“模数”", "有限"}},
    BadFileCase{"FloatOverflow", sql("CREATE TABLE t (重量 FLOAT); INSERT INTO t VALUES (1e39)"), {"“重量”", "FLOAT"}},
    BadFileCase{"NoRowOrder", sql("CREATE TABLE t (a INT PRIMARY KEY) WITHOUT ROWID"), {"“t”"}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// ---- The files are never written -------------------------------------

TEST(ReadOnly, OpenSearchAndReadLeaveFileAndFolderUntouched)
{
    TempDir dir;
    // A folder name with URI syntax and non-ASCII characters in it.
    const fs::path folder = dir.path() / "程序 #1?x=%20";
    fs::create_directory(folder);
    const std::string path = (folder / "ZKD.edb").string();
    writeItems(path);
    const std::string before = readBytes(path);
    struct stat st0 {};
    ASSERT_EQ(::stat(path.c_str(), &st0), 0);
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);

    DatabaseSet set;
    ASSERT_EQ(set.open(path, "Z"), "");
    EXPECT_EQ(findItem(set, "C-3 "), SearchOutcome::Found);
    EXPECT_EQ(readNumber(set, "精度"), 10);
    EXPECT_EQ(findItem(set, "none"), SearchOutcome::NotFound);
    ASSERT_EQ(set.open(path, "Z"), "");

    fs::permissions(folder, fs::perms::owner_all);
    struct stat st1 {};
    ASSERT_EQ(::stat(path.c_str(), &st1), 0);
    EXPECT_EQ(readBytes(path), before);
    EXPECT_EQ(st1.st_mtim.tv_sec, st0.st_mtim.tv_sec);
    EXPECT_EQ(st1.st_mtim.tv_nsec, st0.st_mtim.tv_nsec);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1)
        << "no journal or other side file may appear";
}

TEST(ReadOnly, ConnectionRefusesWrites)
{
    // Root ignores file permissions, so the connection itself must refuse.
    TempDir dir;
    const std::string path = dir.file("items.edb");
    writeItems(path);
    std::string error;
    gr::db::SqliteHandle db = gr::db::openForReading(path, error);
    ASSERT_TRUE(db) << error;
    EXPECT_EQ(sqlite3_db_readonly(db.get(), "main"), 1);
    EXPECT_EQ(sqlite3_exec(db.get(), "DELETE FROM records", nullptr, nullptr, nullptr) & 0xFF,
              SQLITE_READONLY);
}

} // namespace
