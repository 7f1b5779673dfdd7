// edbtool: the CSV reader, CSV -> catalogue -> CSV round trips, the errors
// that must name a line and leave no file, and the content checks.
#include "catalogue_test_support.hpp"
#include "csv.hpp"
#include "edbtool.hpp"

#include <sstream>

using gr::db::Catalogue;
using gr::db::FieldKind;
using namespace test_support;
using namespace std::literals;

namespace {

struct Cli {
    int code = 0;
    std::string out, err;
};

Cli runTool(std::vector<std::string> args)
{
    std::ostringstream out, err;
    Cli r;
    r.code = edbtool::run(args, out, err);
    r.out = out.str();
    r.err = err.str();
    return r;
}

// ---- CSV reading --------------------------------------------------------

struct CsvCase {
    const char* name;
    std::string input;
    std::vector<std::vector<std::string>> records; // when it parses
    std::vector<std::size_t> lines;                // start line of each record
    std::size_t errorLine = 0;                     // when it does not
    std::string says;
    friend void PrintTo(const CsvCase& c, std::ostream* os) { *os << c.name; }
};

class CsvReading : public ::testing::TestWithParam<CsvCase> {};

TEST_P(CsvReading, RecordsOrLineOfFault)
{
    const CsvCase& c = GetParam();
    const auto parsed = edbtool::parseCsv(c.input);
    if (c.errorLine) {
        EXPECT_EQ(parsed.errorLine, c.errorLine);
        EXPECT_NE(parsed.error.find(c.says), std::string::npos) << parsed.error;
        return;
    }
    ASSERT_EQ(parsed.error, "");
    ASSERT_EQ(parsed.records.size(), c.records.size());
    for (std::size_t i = 0; i < c.records.size(); ++i) {
        EXPECT_EQ(parsed.records[i].fields, c.records[i]) << "record " << i;
        if (!c.lines.empty()) {
            EXPECT_EQ(parsed.records[i].line, c.lines[i]) << "record " << i;
        }
    }
}

CsvCase reads(const char* name, std::string input, std::vector<std::vector<std::string>> records,
              std::vector<std::size_t> lines = {})
{
    return CsvCase{name, std::move(input), std::move(records), std::move(lines), 0, ""};
}

CsvCase fails(const char* name, std::string input, std::size_t line, std::string says)
{
    return CsvCase{name, std::move(input), {}, {}, line, std::move(says)};
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rows, CsvReading, ::testing::Values(
    reads("Plain", "a,b\n1,2\n", {{"a", "b"}, {"1", "2"}}, {1, 2}),
    reads("NoFinalLineBreak", "a,b\n1,2", {{"a", "b"}, {"1", "2"}}),
    reads("CrLf", "a,b\r\n1,2\r\n", {{"a", "b"}, {"1", "2"}}),
    reads("ByteOrderMarkDropped", "\xEF\xBB\xBFx,y\n", {{"x", "y"}}),
    reads("QuotedCommaAndQuote", "\"a,b\",\"say \"\"hi\"\"\"\n", {{"a,b", "say \"hi\""}}),
    reads("LineBreakInsideQuotes", "\"1\n2\",x\ny,z\n", {{"1\n2", "x"}, {"y", "z"}}, {1, 3}),
    reads("TrailingCommaIsEmptyField", "a,\n", {{"a", ""}}),
    reads("BlanksKept", " a , b \n", {{" a ", " b "}}),
    reads("EmptyLineIsARecord", "a\n\nb\n", {{"a"}, {""}, {"b"}}, {1, 2, 3}),
    fails("UnclosedQuote", "a\nb\n\"open,\nmore\n", 3, "never closed"),
    fails("QuoteInsideUnquoted", "a\nb\"c\n", 2, "quote inside an unquoted"),
    fails("TextAfterClosingQuote", "\"a\"b\n", 1, "after a closing quote"),
    fails("LoneCarriageReturn", "a\rb\n", 1, "carriage return"),
    fails("BadUtf8", "a\nb\nc\xC3(\n", 3, "UTF-8"),
    fails("Nul", "a\nb\0c\n"s, 2, "NUL")),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// ---- create: every error names its line and writes nothing ------------

struct CreateErrorCase {
    const char* name;
    std::string csv;
    std::string line; // "N: " at the start of the message
    std::string says;
    friend void PrintTo(const CreateErrorCase& c, std::ostream* os) { *os << c.name; }
};

class CreateErrors : public ::testing::TestWithParam<CreateErrorCase> {};

TEST_P(CreateErrors, NameLineAndLeaveNoFile)
{
    const CreateErrorCase& c = GetParam();
    TempDir dir;
    const std::string out = dir.file("out.edb");
    const std::string error = edbtool::createFromCsv(out, c.csv);
    EXPECT_EQ(error.substr(0, c.line.size()), c.line) << error;
    EXPECT_NE(error.find(c.says), std::string::npos) << error;
    EXPECT_TRUE(dir.entries().empty()) << "left behind: " << dir.entries().front();
}

const std::string kItemsHeader = "订货编号:TEXT,模数:DOUBLE,齿数:SHORT,齿形:BYTE,精度:INT\n";

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rows, CreateErrors, ::testing::Values(
    CreateErrorCase{"Empty", "", "1: ", "empty"},
    CreateErrorCase{"HeaderWithoutKind", "订货编号,模数:DOUBLE\n", "1: ", "has no kind"},
    CreateErrorCase{"UnknownKind", "模数:NUMBER\n", "1: ", "unknown kind"},
    CreateErrorCase{"NameTwice", "a:INT,A:INT\n", "1: ", "used twice"},
    CreateErrorCase{"BlankAroundName", "订货编号:TEXT, 模数:DOUBLE\n", "1: ", "blanks"},
    CreateErrorCase{"TooFewValues", kItemsHeader + "X,2,20,1,6\nY,2,20,1\n", "3: ", "4 values"},
    CreateErrorCase{"DecimalComma", kItemsHeader + "X,\"2,5\",20,1,6\n", "2: ", "\"2,5\" is not a number"},
    CreateErrorCase{"WordInShort", kItemsHeader + "X,2,twenty,1,6\n", "2: ", "\"齿数\" (SHORT)"},
    CreateErrorCase{"ShortOverflow", kItemsHeader + "X,2,40000,1,6\n", "2: ", "out of range"},
    CreateErrorCase{"FractionInInt", kItemsHeader + "X,2,20,1,6.5\n", "2: ", "not a whole number"},
    CreateErrorCase{"EmptyNumber", kItemsHeader + "X,,20,1,6\n", "2: ", "empty"},
    CreateErrorCase{"Infinity", kItemsHeader + "X,inf,20,1,6\n", "2: ", "not a finite number"},
    CreateErrorCase{"DoubleOverflow", kItemsHeader + "X,1e400,20,1,6\n", "2: ", "out of range"},
    CreateErrorCase{"FloatOverflow", "w:FLOAT\n1e39\n", "2: ", "out of range"},
    CreateErrorCase{"LongOverflow", "n:LONG\n9223372036854775808\n", "2: ", "out of range"},
    CreateErrorCase{"BadUtf8", kItemsHeader + "X\xFF,2,20,1,6\n", "2: ", "UTF-8"},
    CreateErrorCase{"FaultAfterGoodRows", kItemsHeader + "A,2,20,1,6\nB,2,20,1,6\nC,2,20,1,6\nD,2,20,1,x\n",
                    "5: ", "\"精度\" (INT)"}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(Create, FailedRunKeepsEarlierFile)
{
    TempDir dir;
    const std::string out = dir.file("ZKD.edb");
    const std::string csv = dir.file("ZKD.csv");
    writeBytes(csv, kItemsHeader + "X,2,20,1,6\n");
    ASSERT_EQ(runTool({"create", out, csv}).code, 0);
    const std::string good = readBytes(out);

    writeBytes(csv, kItemsHeader + "X,2,20,1,6\nY,2,20,1,oops\n");
    const Cli r = runTool({"create", out, csv});
    EXPECT_EQ(r.code, 1);
    expectContainsAll(r.err, {csv + ":3: ", "nothing written"});
    EXPECT_EQ(readBytes(out), good);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"ZKD.csv", "ZKD.edb"}));
}

// ---- Round trips ---------------------------------------------------------

TEST(RoundTrip, CsvToCatalogueToCsvGivesSameRecords)
{
    // Canonical form: shortest numbers, quotes only where needed, LF ends.
    const std::string csv =
        "名称:TEXT,b:BYTE,s:SHORT,i:INT,l:LONG,f:FLOAT,d:DOUBLE,\"odd,name:TEXT\"\n"
        "plain,0,-32768,-2147483648,-9223372036854775808,0.1,0.1,x\n"
        "\"a,b\",255,32767,2147483647,9223372036854775807,3.4028235e+38,-0.07,\"\"\"q\"\"\"\n"
        "\"two\nlines\",7,0,0,0,0,1e-07,\" lead\"\n"
        ",1,1,1,1,1,1.7976931348623157e+308,齿轮\n";
    TempDir dir;
    const std::string edb = dir.file("t.edb");
    std::size_t count = 0;
    ASSERT_EQ(edbtool::createFromCsv(edb, csv, &count), "");
    EXPECT_EQ(count, 4u);

    auto loaded = Catalogue::load(edb);
    ASSERT_TRUE(loaded.catalogue) << loaded.error;
    EXPECT_EQ(loaded.catalogue->field(5).kind, FieldKind::Float);
    EXPECT_EQ(loaded.catalogue->floatAt(5, 0), 0.1f);
    EXPECT_EQ(loaded.catalogue->doubleAt(6, 0), 0.1);
    const std::string exported = edbtool::exportToCsv(*loaded.catalogue);
    EXPECT_EQ(exported, csv);

    // And once more: what export writes, create reads back to the same bytes.
    const std::string again = dir.file("again.edb");
    ASSERT_EQ(edbtool::createFromCsv(again, exported), "");
    EXPECT_EQ(readBytes(again), readBytes(edb));
}

TEST(RoundTrip, LooseInputComesBackCanonical)
{
    TempDir dir;
    const std::string edb = dir.file("t.edb");
    // SQLite keeps no sign on a zero, so -0 comes back as 0.
    ASSERT_EQ(edbtool::createFromCsv(
                  edb, "\xEF\xBB\xBF\"a:double\",n: Short \r\n2.50,007\r\n1E3,-0\r\n-0,1\r\n"),
              "");
    auto loaded = Catalogue::load(edb);
    ASSERT_TRUE(loaded.catalogue);
    EXPECT_EQ(edbtool::exportToCsv(*loaded.catalogue), "a:DOUBLE,n:SHORT\n2.5,7\n1000,0\n0,1\n");
}

TEST(Cli, ExportInfoAndUsage)
{
    TempDir dir;
    const std::string edb = dir.file("t.edb");
    ASSERT_EQ(edbtool::createFromCsv(edb, "名称:TEXT,n:SHORT\nx,1\ny,2\n"), "");

    const Cli toFile = runTool({"export", edb, dir.file("t.csv"), "--bom"});
    EXPECT_EQ(toFile.code, 0) << toFile.err;
    EXPECT_EQ(readBytes(dir.file("t.csv")), "\xEF\xBB\xBF名称:TEXT,n:SHORT\nx,1\ny,2\n");

    const Cli info = runTool({"info", edb});
    EXPECT_EQ(info.code, 0);
    expectContainsAll(info.out, {"records: 2", "1. 名称:TEXT", "2. n:SHORT", "table:   records"});

    const Cli missing = runTool({"info", dir.file("none.edb")});
    EXPECT_EQ(missing.code, 1);
    expectContainsAll(missing.err, {"none.edb", "文件不存在"});

    EXPECT_EQ(runTool({}).code, 2);
    EXPECT_EQ(runTool({"frobnicate"}).code, 2);
    EXPECT_EQ(runTool({"create", edb}).code, 2);
    EXPECT_EQ(runTool({"check", edb, "--kind", "weird"}).code, 2);
    EXPECT_EQ(runTool({"info", edb, "--bom"}).code, 2);
    const Cli help = runTool({"--help"});
    EXPECT_EQ(help.code, 0);
    expectContainsAll(help.out,
                      {"create OUT.edb IN.csv", "export", "info", "check", "generate-items"});
}

// ---- check -------------------------------------------------------------

struct CheckCase {
    const char* name;
    const char* file; // its name drives --kind auto
    std::string csv;
    int code;
    std::string says; // in the errors and warnings printed
    friend void PrintTo(const CheckCase& c, std::ostream* os) { *os << c.name; }
};

class Check : public ::testing::TestWithParam<CheckCase> {};

TEST_P(Check, FindsFaults)
{
    const CheckCase& c = GetParam();
    TempDir dir;
    const std::string edb = dir.file(c.file);
    ASSERT_EQ(edbtool::createFromCsv(edb, c.csv), "");
    const Cli r = runTool({"check", edb});
    EXPECT_EQ(r.code, c.code) << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err << r.out;
}

const std::string kRange = "最小:DOUBLE,最大:INT,v:DOUBLE\n";
const std::string kSpc = "最小:DOUBLE,最大:DOUBLE,a:DOUBLE,ab:DOUBLE,b:DOUBLE,bc:DOUBLE,c:DOUBLE,"
                         "cd:DOUBLE,d:DOUBLE,e:DOUBLE,f:DOUBLE,g:DOUBLE,h:DOUBLE\n";
const std::string kGc =
    "最小:DOUBLE,最大:DOUBLE,二十一:DOUBLE,二十二:DOUBLE,二十三:DOUBLE,二十四:DOUBLE,"
    "二十五:DOUBLE,二十六:DOUBLE,二十七:DOUBLE,二十八:DOUBLE,二十九:DOUBLE,三十:DOUBLE\n";
const std::string kGcRow1 = "0,10,0.003,0.005,0.008,0.012,0.02,0.03,0.05,0.08,0.13,0.2\n";

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rows, Check, ::testing::Values(
    CheckCase{"RangesSharingEnds", "r.edb", kRange + "0,10,1\n10,50,2\n", 0, ""},
    CheckCase{"Gap", "r.edb", kRange + "0,10,1\n12,50,2\n", 1, "record 2 (12 to 50): gap"},
    CheckCase{"Overlap", "r.edb", kRange + "0,10,1\n8,50,2\n", 1, "overlaps the previous range"},
    CheckCase{"Reversed", "r.edb", kRange + "0,10,1\n10,10,2\n", 1, "最小 must be below 最大"},
    CheckCase{"TextValueField", "r.edb", "最小:DOUBLE,最大:DOUBLE,v:TEXT\n0,10,x\n", 1, "value field \"v\" is TEXT"},
    CheckCase{"AllowanceSeriesMissing", "spc.edb", "最小:DOUBLE,最大:DOUBLE,a:DOUBLE\n0,10,-0.1\n", 1,
              "series field \"cd\" is missing"},
    CheckCase{"PositiveAllowance", "spc.edb",
              kSpc + "0,10,-0.1,-0.085,-0.07,-0.058,-0.048,-0.04,-0.033,-0.022,-0.01,-0.005,0.001\n", 1,
              "h = 0.001 is above zero"},
    CheckCase{"SwappedAllowances", "spc.edb",
              kSpc + "0,10,-0.1,-0.085,-0.07,-0.058,-0.048,-0.033,-0.04,-0.022,-0.01,-0.005,0\n", 0,
              "cd = -0.033 is out of step"},
    CheckCase{"ToleranceTypo", "gc.edb", kGc + "0,10,0.003,0.005,0.008,0.012,0.02,0.03,0.05,0.08,0.03,0.2\n", 0,
              "with 二十九 = 0.03"},
    CheckCase{"ToleranceFallsWithDiameter", "gc.edb",
              kGc + kGcRow1 + "10,50,0.005,0.008,0.012,0.02,0.03,0.05,0.08,0.13,0.2,0.19\n", 0,
              "三十 = 0.19 is out of step with the row above"},
    CheckCase{"ZeroTolerance", "gc.edb", kGc + "0,10,0,0.005,0.008,0.012,0.02,0.03,0.05,0.08,0.13,0.2\n", 1,
              "not positive"},
    CheckCase{"RepeatedItemWarns", "ZKD.edb", kItemsHeader + "X,2,20,1,6\nY,2,20,0,6\nX,3,30,0,7\n", 0,
              "record 3 (\"X\"): repeats the item number of record 1"},
    CheckCase{"GradeZero", "ZKD.edb", kItemsHeader + "X,2,20,1,0\n", 1, "grade 0 is outside 1 to 12"},
    CheckCase{"ModuleZero", "ZKD.edb", kItemsHeader + "X,0,20,1,6\n", 1, "module 0 is not positive"},
    CheckCase{"GradeMissing", "ZKD.edb", "订货编号:TEXT,模数:DOUBLE,齿数:SHORT,齿形:BYTE\nX,2,20,1\n", 1,
              "field \"精度\" is missing"},
    CheckCase{"ItemNumberNotText", "ZKD.edb", "订货编号:INT,模数:DOUBLE,齿数:SHORT,齿形:BYTE,精度:BYTE\n1,2,20,1,6\n",
              1, "must be TEXT"},
    CheckCase{"UnknownKindOfFile", "x.edb", "p:INT\n1\n", 1, "use --kind"}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(Check, KindOptionOverridesFileName)
{
    TempDir dir;
    const std::string edb = dir.file("spc.edb");
    ASSERT_EQ(edbtool::createFromCsv(edb, kItemsHeader + "X,2,20,1,6\n"), "");
    EXPECT_EQ(runTool({"check", edb}).code, 1);
    const Cli r = runTool({"check", edb, "--kind", "items"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("checked as item catalogue"), std::string::npos);
}

TEST(GenerateItems, WritesRequestedCount)
{
    TempDir dir;
    const std::string edb = dir.file("big.edb");
    const Cli r = runTool({"generate-items", edb, "1500"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("ZKD-"), std::string::npos);
    const Cli check = runTool({"check", edb, "--kind=items"});
    EXPECT_EQ(check.code, 0) << check.err;
    EXPECT_NE(check.out.find("1500 records, 0 errors, 0 warnings"), std::string::npos) << check.out;
    EXPECT_EQ(runTool({"generate-items", edb, "-3"}).code, 2);
}

} // namespace
