// edbtool's output files: what it may replace and what it must refuse, so
// that nothing is replaced that the user did not ask to replace.
#include "catalogue_test_support.hpp"
#include "edbtool.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <sstream>

using gr::db::Catalogue;
using namespace test_support;

namespace {

struct Paths {
    const TempDir& dir;
    std::string operator()(const std::string& name) const { return dir.file(name); }
};

struct OutputCase {
    const char* name;
    // Prepares the folder (it already holds cat.edb, other.edb and in.csv)
    // and answers the command line.
    std::function<std::vector<std::string>(const Paths&)> setup;
    int code;
    std::string says; // in the error output; empty for success
    // What must hold afterwards.
    std::function<void(const Paths&)> after = [](const Paths&) {};
    friend void PrintTo(const OutputCase& c, std::ostream* os) { *os << c.name; }
};

class Outputs : public ::testing::TestWithParam<OutputCase> {};

const std::string kCsv = "名称:TEXT,n:SHORT\nx,1\ny,2\n";

TEST_P(Outputs, ReplaceOnlyWhatWasAskedFor)
{
    TempDir dir;
    const Paths p{dir};
    writeBytes(p("in.csv"), kCsv);
    ASSERT_EQ(edbtool::createFromCsv(p("cat.edb"), kCsv), "");
    ASSERT_EQ(edbtool::createFromCsv(p("other.edb"), "a:TEXT\nq\n"), "");
    const std::vector<std::string> args = GetParam().setup(p);
    std::ostringstream out, err;
    EXPECT_EQ(edbtool::run(args, out, err), GetParam().code) << err.str();
    if (GetParam().says.empty()) EXPECT_EQ(err.str(), "");
    else EXPECT_NE(err.str().find(GetParam().says), std::string::npos) << err.str();
    GetParam().after(p);
    for (const std::string& name : dir.entries()) EXPECT_EQ(name.find(".tmp-"), std::string::npos) << name;
}

void stillACatalogue(const std::string& path)
{
    const auto loaded = Catalogue::load(path);
    EXPECT_TRUE(loaded.catalogue) << loaded.error;
}

std::vector<std::string> cmd(std::initializer_list<std::string> words)
{
    return words;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, Outputs, ::testing::Values(
    OutputCase{"ExportOverItsInput", [](const Paths& p) { return cmd({"export", p("cat.edb"), p("cat.edb")}); },
               1, "is the input file", [](const Paths& p) { stillACatalogue(p("cat.edb")); }},
    OutputCase{"ExportThroughALinkToItsInput",
               [](const Paths& p) { fs::create_symlink(p("cat.edb"), p("link.csv")); return cmd({"export", p("cat.edb"), p("link.csv")}); },
               1, "is the input file", [](const Paths& p) { stillACatalogue(p("cat.edb")); }},
    OutputCase{"CreateOverItsInput", [](const Paths& p) { return cmd({"create", p("in.csv"), p("in.csv")}); },
               1, "is the input file", [](const Paths& p) { EXPECT_EQ(readBytes(p("in.csv")), kCsv); }},
    OutputCase{"ExportOverAnotherCatalogue", [](const Paths& p) { return cmd({"export", p("cat.edb"), p("other.edb")}); },
               1, "is a catalogue file", [](const Paths& p) { stillACatalogue(p("other.edb")); }},
    OutputCase{"CreateOverATextFile",
               [](const Paths& p) { writeBytes(p("notes.txt"), "keep me"); return cmd({"create", p("notes.txt"), p("in.csv")}); },
               1, "is not a catalogue file", [](const Paths& p) { EXPECT_EQ(readBytes(p("notes.txt")), "keep me"); }},
    OutputCase{"GenerateOverATextFile",
               [](const Paths& p) { writeBytes(p("notes.txt"), "keep me"); return cmd({"generate-items", p("notes.txt"), "3"}); },
               1, "is not a catalogue file", [](const Paths& p) { EXPECT_EQ(readBytes(p("notes.txt")), "keep me"); }},
    OutputCase{"CreateOverAnEmptyFile",
               [](const Paths& p) { writeBytes(p("new.edb"), ""); return cmd({"create", p("new.edb"), p("in.csv")}); },
               0, "", [](const Paths& p) { stillACatalogue(p("new.edb")); }},
    OutputCase{"CreateOverACatalogueKeepsItsPermissions",
               [](const Paths& p) { fs::permissions(p("other.edb"), fs::perms(0640)); return cmd({"create", p("other.edb"), p("in.csv")}); },
               0, "", [](const Paths& p) {
                   stillACatalogue(p("other.edb"));
                   EXPECT_EQ(fs::status(p("other.edb")).permissions() & fs::perms::all, fs::perms(0640));
               }},
    OutputCase{"ReadOnlyOutput",
               [](const Paths& p) { writeBytes(p("ro.csv"), "old"); fs::permissions(p("ro.csv"), fs::perms(0444)); return cmd({"export", p("cat.edb"), p("ro.csv")}); },
               1, "is read-only", [](const Paths& p) { EXPECT_EQ(readBytes(p("ro.csv")), "old"); }},
    OutputCase{"SymbolicLinkIsFollowedAndKept",
               [](const Paths& p) {
                   fs::create_directory(p("real"));
                   writeBytes(p("real/out.csv"), "old");
                   fs::create_symlink(p("real/out.csv"), p("out.csv"));
                   return cmd({"export", p("cat.edb"), p("out.csv")});
               },
               0, "", [](const Paths& p) {
                   EXPECT_TRUE(fs::is_symlink(p("out.csv")));
                   EXPECT_EQ(readBytes(p("real/out.csv")), kCsv);
               }},
    OutputCase{"DanglingSymbolicLink",
               [](const Paths& p) { fs::create_symlink(p("nowhere.csv"), p("out.csv")); return cmd({"export", p("cat.edb"), p("out.csv")}); },
               1, "symbolic link to a file that does not exist",
               [](const Paths& p) { EXPECT_FALSE(fs::exists(p("nowhere.csv"))); }},
    OutputCase{"FolderOutput",
               [](const Paths& p) { fs::create_directory(p("sub")); return cmd({"export", p("cat.edb"), p("sub")}); },
               1, "is a folder", [](const Paths& p) { EXPECT_TRUE(fs::is_directory(p("sub"))); }},
    OutputCase{"DeviceOutput", [](const Paths& p) { return cmd({"export", p("cat.edb"), "/dev/null"}); },
               1, "is not a regular file", [](const Paths&) { EXPECT_TRUE(fs::is_character_file("/dev/null")); }},
    OutputCase{"FifoOutput",
               [](const Paths& p) { ::mkfifo(p("pipe.csv").c_str(), 0600); return cmd({"export", p("cat.edb"), p("pipe.csv")}); },
               1, "is not a regular file", [](const Paths& p) { EXPECT_TRUE(fs::is_fifo(p("pipe.csv"))); }},
    OutputCase{"HardLinkedOutput",
               [](const Paths& p) { writeBytes(p("a.csv"), "old"); fs::create_hard_link(p("a.csv"), p("b.csv")); return cmd({"export", p("cat.edb"), p("a.csv")}); },
               1, "hard links", [](const Paths& p) { EXPECT_EQ(readBytes(p("b.csv")), "old"); }},
    OutputCase{"InfoIntoAnOutputFile", [](const Paths& p) { return cmd({"info", p("cat.edb"), "--output", p("info.txt")}); },
               0, "", [](const Paths& p) {
                   EXPECT_EQ(readBytes(p("info.txt")).rfind("file:    " + p("cat.edb") + "\ntable:", 0), 0u) << readBytes(p("info.txt"));
               }},
    OutputCase{"ExportIntoAnOutputFileKeepsTheByteOrderMark",
               [](const Paths& p) { writeBytes(p("out.csv"), "old"); return cmd({"export", p("cat.edb"), "--bom", "--output=" + p("out.csv")}); },
               0, "", [](const Paths& p) { EXPECT_EQ(readBytes(p("out.csv")), "\xEF\xBB\xBF" + kCsv); }},
    OutputCase{"HelpIntoAnOutputFile", [](const Paths& p) { return cmd({"--help", "--output", p("help.txt")}); },
               0, "", [](const Paths& p) { EXPECT_NE(readBytes(p("help.txt")).find("PowerShell 5.1"), std::string::npos); }},
    OutputCase{"CheckFindingErrorsStillWritesItsSummary",
               [](const Paths& p) { return cmd({"check", p("cat.edb"), "--kind", "spc", "--output", p("check.txt")}); },
               1, ": error: ", [](const Paths& p) { EXPECT_NE(readBytes(p("check.txt")).find("checked as"), std::string::npos); }},
    OutputCase{"FailedCommandLeavesTheOutputFile",
               [](const Paths& p) { writeBytes(p("notes.txt"), "keep me"); return cmd({"info", p("missing.edb"), "--output", p("notes.txt")}); },
               1, "nothing written to", [](const Paths& p) { EXPECT_EQ(readBytes(p("notes.txt")), "keep me"); }},
    OutputCase{"OutputFileOverACatalogue", [](const Paths& p) { return cmd({"info", p("cat.edb"), "--output", p("other.edb")}); },
               1, "is a catalogue file", [](const Paths& p) { stillACatalogue(p("other.edb")); }},
    OutputCase{"OutputFileOverItsInput", [](const Paths& p) { return cmd({"create", p("new.edb"), p("in.csv"), "--output", p("in.csv")}); },
               1, "is the input file", [](const Paths& p) {
                   EXPECT_EQ(readBytes(p("in.csv")), kCsv);
                   EXPECT_FALSE(fs::exists(p("new.edb")));
               }},
    OutputCase{"OutputFileAndOutCsvBoth",
               [](const Paths& p) { return cmd({"export", p("cat.edb"), p("a.csv"), "--output", p("b.csv")}); },
               2, "not both", [](const Paths& p) { EXPECT_FALSE(fs::exists(p("a.csv")) || fs::exists(p("b.csv"))); }},
    OutputCase{"OutputFileNamedByTheCreatedCatalogue",
               [](const Paths& p) { return cmd({"create", p("new.edb"), p("in.csv"), "--output", p("new.edb")}); },
               1, "write the output to another file", [](const Paths& p) { stillACatalogue(p("new.edb")); }},
    OutputCase{"InputIsAFolder",
               [](const Paths& p) { fs::create_directory(p("in")); return cmd({"create", p("new.edb"), p("in")}); },
               1, "is a folder, not a file", [](const Paths& p) { EXPECT_FALSE(fs::exists(p("new.edb"))); }},
    OutputCase{"InputIsAFifo",
               [](const Paths& p) { ::mkfifo(p("in.fifo").c_str(), 0600); return cmd({"create", p("new.edb"), p("in.fifo")}); },
               1, "is not a regular file", [](const Paths& p) { EXPECT_FALSE(fs::exists(p("new.edb"))); }}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

} // namespace
