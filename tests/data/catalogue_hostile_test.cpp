// Catalogue files made to trip the reader: special files in the place of a
// catalogue, fields that take over SQLite's names for the record order,
// texts CSV cannot carry, statements that do not prepare, and the
// create/export round trip over such names.
#include "catalogue_test_support.hpp"
#include <geardb/database_set.hpp>
#include "edbtool.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

using gr::db::Catalogue;
using gr::db::DatabaseSet;
using gr::db::FieldKind;
using namespace test_support;
using namespace std::literals;

namespace {

// ---- Special files in the place of a catalogue ---------------------------

// Opens `fifo` for writing as soon as someone reads it, so a reader that
// blocks on it is set free (and the test can say so) instead of hanging.
class FifoRescuer {
public:
    explicit FifoRescuer(std::string fifo) : fifo_(std::move(fifo)), thread_([this] { watch(); }) {}
    ~FifoRescuer()
    {
        stop_ = true;
        thread_.join();
    }
    bool rescued() const { return rescued_; }

private:
    void watch()
    {
        while (!stop_) {
            // Without a reader this fails at once (ENXIO); with one, it
            // opens, and closing it gives the reader an end of file.
            const int fd = ::open(fifo_.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) {
                ::close(fd);
                rescued_ = true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
    }

    std::string fifo_;
    std::atomic<bool> stop_{false}, rescued_{false};
    std::thread thread_;
};

TEST(SpecialFiles, AFifoIsRefusedWithoutWaitingOnIt)
{
    TempDir dir;
    const std::string path = dir.file("ZKD.edb");
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    FifoRescuer rescuer(path);
    DatabaseSet set;
    const std::string error = set.open(path, "Z");
    EXPECT_FALSE(rescuer.rescued()) << "the reader blocked on the FIFO";
    expectContainsAll(error, {path, "不是普通文件"});
    EXPECT_FALSE(set.isOpen("Z"));
    EXPECT_EQ(set.openFailure("Z"), error);
}

TEST(SpecialFiles, ADeviceIsRefused)
{
    DatabaseSet set;
    expectContainsAll(set.open("/dev/zero", "Z"), {"/dev/zero", "不是普通文件"});
}

// ---- The record order, whatever the fields are named ---------------------

struct OrderCase {
    const char* name;
    std::vector<std::string> taken; // field names besides 订货编号
    bool readable;
    friend void PrintTo(const OrderCase& c, std::ostream* os) { *os << c.name; }
};

class RecordOrder : public ::testing::TestWithParam<OrderCase> {};

// Records are inserted with the named fields counting down, so any order
// that follows such a field shows as reversed.
TEST_P(RecordOrder, IsTheInsertionOrder)
{
    const OrderCase& c = GetParam();
    TempDir dir;
    const std::string path = dir.file("ZKD.edb");
    std::string columns = "\"订货编号\" TEXT";
    for (const std::string& t : c.taken) columns += ", \"" + t + "\" LONG";
    std::string sql = "CREATE TABLE t (" + columns + ");";
    for (int r = 1; r <= 4; ++r) {
        sql += "INSERT INTO t VALUES ('R" + std::to_string(r) + "'";
        for (std::size_t k = 0; k < c.taken.size(); ++k) sql += ", " + std::to_string(10 - r);
        sql += ");";
    }
    execSql(path, sql);
    const auto loaded = Catalogue::load(path);
    if (!c.readable) {
        ASSERT_FALSE(loaded.catalogue);
        expectContainsAll(loaded.error, {"_rowid_", "rowid", "oid", "顺序"});
        return;
    }
    ASSERT_TRUE(loaded.catalogue) << loaded.error;
    for (std::size_t r = 0; r < 4; ++r) EXPECT_EQ(loaded.catalogue->textAt(0, r), "R" + std::to_string(r + 1));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Names, RecordOrder, ::testing::Values(
    OrderCase{"NoneTaken", {}, true},
    OrderCase{"UnderscoreRowid", {"_rowid_"}, true},
    OrderCase{"Rowid", {"rowid"}, true},
    OrderCase{"OidInCapitals", {"OID"}, true},
    OrderCase{"TwoOfThree", {"_rowid_", "RowId"}, true},
    OrderCase{"AllThree", {"_rowid_", "rowid", "oid"}, false}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(RecordOrder, AnExplicitRowidOrderIsFileOrder)
{
    // Rowids given out of insertion order: the file's order is the rowid order.
    TempDir dir;
    const std::string path = dir.file("x.edb");
    execSql(path, "CREATE TABLE t (n TEXT); INSERT INTO t (rowid, n) VALUES (5, 'b'), (2, 'a'), (9, 'c');");
    const auto loaded = Catalogue::load(path);
    ASSERT_TRUE(loaded.catalogue) << loaded.error;
    EXPECT_EQ(loaded.catalogue->textAt(0, 0), "a");
    EXPECT_EQ(loaded.catalogue->textAt(0, 2), "c");
}

TEST(RecordOrder, CreateAndExportKeepTheOrderOverRowidFields)
{
    TempDir dir;
    const std::string csv = "_rowid_:LONG,rowid:TEXT,名称:TEXT\n3,c,first\n1,a,second\n2,b,third\n";
    ASSERT_EQ(edbtool::createFromCsv(dir.file("x.edb"), csv), "");
    const auto loaded = Catalogue::load(dir.file("x.edb"));
    ASSERT_TRUE(loaded.catalogue) << loaded.error;
    EXPECT_EQ(edbtool::exportToCsv(*loaded.catalogue), csv);
}

TEST(RecordOrder, TheWriterRefusesFieldsThatHideIt)
{
    TempDir dir;
    std::string error;
    auto w = gr::db::CatalogueWriter::create(
        dir.file("x.edb"), {{"_ROWID_", FieldKind::Text}, {"rowid", FieldKind::Long}, {"oid", FieldKind::Long}}, error);
    EXPECT_FALSE(w);
    expectContainsAll(error, {"_rowid_, rowid and oid", "record order"});
    EXPECT_EQ(dir.entries(), std::vector<std::string>{});
}

// ---- Texts that CSV cannot carry, and names it must keep ------------------

TEST(Texts, ANulInATextIsRefusedByReaderAndWriter)
{
    TempDir dir;
    execSql(dir.file("nul.edb"), "CREATE TABLE t (编号 TEXT); INSERT INTO t VALUES (CAST(x'410042' AS TEXT))");
    const auto loaded = Catalogue::load(dir.file("nul.edb"));
    EXPECT_FALSE(loaded.catalogue);
    expectContainsAll(loaded.error, {"第 1 条记录", "“编号”", "NUL"});

    std::string error;
    auto w = gr::db::CatalogueWriter::create(dir.file("w.edb"), {{"编号", FieldKind::Text}}, error);
    ASSERT_TRUE(w) << error;
    const gr::db::CellValue cell = "A\0B"sv;
    expectContainsAll(w->add(std::span(&cell, 1)), {"编号", "NUL"});
    EXPECT_FALSE(gr::db::CatalogueWriter::create(dir.file("n.edb"), {{"a\0b"s, FieldKind::Text}}, error));
    expectContainsAll(error, {"NUL"});
}

struct RoundTripCase {
    const char* name;
    std::string csv;
    bool bom;
    friend void PrintTo(const RoundTripCase& c, std::ostream* os) { *os << c.name; }
};

class ExportCreateRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(ExportCreateRoundTrip, GivesTheSameFieldsAndRecords)
{
    TempDir dir;
    ASSERT_EQ(edbtool::createFromCsv(dir.file("a.edb"), GetParam().csv), "");
    const auto first = Catalogue::load(dir.file("a.edb"));
    ASSERT_TRUE(first.catalogue) << first.error;
    const std::string exported = (GetParam().bom ? "\xEF\xBB\xBF" : "") + edbtool::exportToCsv(*first.catalogue);
    ASSERT_EQ(edbtool::createFromCsv(dir.file("b.edb"), exported), "");
    const auto second = Catalogue::load(dir.file("b.edb"));
    ASSERT_TRUE(second.catalogue) << second.error;
    ASSERT_EQ(second.catalogue->fieldCount(), first.catalogue->fieldCount());
    for (std::size_t f = 0; f < first.catalogue->fieldCount(); ++f)
        EXPECT_EQ(second.catalogue->field(f).name, first.catalogue->field(f).name);
    EXPECT_EQ(edbtool::exportToCsv(*second.catalogue), edbtool::exportToCsv(*first.catalogue));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Names, ExportCreateRoundTrip, ::testing::Values(
    RoundTripCase{"LeadingFeffInFirstName", "\"\xEF\xBB\xBF" "a:TEXT\",b:LONG\nx,1\n", false},
    RoundTripCase{"LeadingFeffInFirstNameWithBom", "\"\xEF\xBB\xBF" "a:TEXT\",b:LONG\nx,1\n", true},
    RoundTripCase{"LeadingFeffInAText", "a:TEXT\n\"\xEF\xBB\xBFx\"\n", false},
    RoundTripCase{"LineBreaksAndQuotes", "a:TEXT\n\"x\r\ny\"\n\"q\"\"\"\n", false}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// ---- SQLite's own reasons reach the user ----------------------------------

TEST(Statements, ThatFailToPrepareAreReportedWithSqlitesReason)
{
    TempDir dir;
    execSql(dir.file("x.edb"), "CREATE TABLE t (a INT PRIMARY KEY, b TEXT) WITHOUT ROWID");
    const auto loaded = Catalogue::load(dir.file("x.edb"));
    EXPECT_FALSE(loaded.catalogue);
    expectContainsAll(loaded.error, {"“t”", "no such column", "rowid"});
    EXPECT_EQ(loaded.error.find("not an error"), std::string::npos) << loaded.error;
}

// ---- The search start the command line uses ---------------------------------

TEST(SearchStart, GoFirstStartsThereUntilResetOrReopened)
{
    TempDir dir;
    writeCatalogue(dir.file("x.edb"), {{"n", FieldKind::Text}}, {{"a"sv}, {"b"sv}, {"c"sv}});
    DatabaseSet set;
    ASSERT_EQ(set.open(dir.file("x.edb"), "Z"), "");
    auto first = [&] {
        set.select("Z");
        set.goFirst();
        return std::string(set.readField("n", gr::db::Expect::Text).value.text);
    };
    set.setSearchStart("Z", 2);
    EXPECT_EQ(first(), "c");
    set.setSearchStart("Z", 3);
    set.select("Z");
    EXPECT_FALSE(set.goFirst());
    set.setSearchStart("Z", 0);
    EXPECT_EQ(first(), "a");
    set.setSearchStart("Z", 1);
    ASSERT_EQ(set.open(dir.file("x.edb"), "Z"), "");
    EXPECT_EQ(first(), "a");
}

} // namespace
