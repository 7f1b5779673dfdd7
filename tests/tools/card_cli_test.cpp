// gearcalc-report --card: the inspection card as a PDF file, read back with
// pdftotext, against the test dimensions the same tool gives as JSON; the
// targets it refuses; one card per item with --all-items.
#include "report_cli_support.hpp"

#include <geardb/catalogue_writer.hpp>

#include <algorithm>
#include <cstdio>

namespace {

using namespace report_cli;

#ifdef _WIN32

TEST(CardCli, WindowsSaysTheCardIsPrintedFromTheWindow)
{
    TempFolder folder;
    const Outcome r = report({"--module", "2", "--teeth", "20", "--card", folder.file("card.pdf")});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("打印检测卡"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(folder.file("card.pdf")));
}

#else

bool havePdftotext()
{
    return std::system("pdftotext -v >/dev/null 2>&1") == 0;
}

// The PDF's text, pages separated by form feeds.
std::string pdfText(const std::string& pdf)
{
    return commandOutput("pdftotext -layout '" + pdf + "' - 2>/dev/null");
}

struct CardGear {
    const char* name;
    std::vector<std::string> args;
    int iso_class;
};
void PrintTo(const CardGear& g, std::ostream* os)
{
    *os << g.name;
}

class CardFigures : public ::testing::TestWithParam<CardGear> {};

// Every figure of the card's table is the one the command line's test
// dimensions and ISO tolerances give for the gear.
TEST_P(CardFigures, AreTheTestDimensionsOfTheSameGear)
{
    if (!havePdftotext()) GTEST_SKIP() << "pdftotext is not installed";
    TempFolder folder;
    const std::string pdf = folder.file("card.pdf");
    std::vector<std::string> args = GetParam().args;
    args.insert(args.end(), {"--card", pdf});
    const Outcome card = report(args);
    ASSERT_EQ(card.status, 0) << card.err;
    EXPECT_EQ(card.err.find("gearcalc-report"), std::string::npos) << "no message: " << card.err;

    std::vector<std::string> json_args = GetParam().args;
    json_args.insert(json_args.end(), {"--test-dimensions", "--iso-class", std::to_string(GetParam().iso_class),
                                       "--format", "json"});
    const Outcome numbers = report(json_args);
    ASSERT_EQ(numbers.status, 0) << numbers.err;
    const Json j = Json::parse(numbers.out);
    // The report before it is the same with and without the card.
    EXPECT_EQ(card.out, report(GetParam().args).out);

    const std::string text = pdfText(pdf);
    ASSERT_FALSE(text.empty());
    EXPECT_LE(std::count(text.begin(), text.end(), '\f'), 1) << "one page";
    EXPECT_NE(text.find("ZKD-KESTAL 齿轮检测卡"), std::string::npos) << text;
    std::vector<std::string> figures;
    for (const char* key : {"span", "maker_span", "pitch_diameter", "tip_diameter", "root_diameter", "base_diameter"})
        figures.push_back(j[key].get<std::string>());
    for (const char* key : {"over_balls", "over_balls_upper", "over_balls_lower", "chordal_thickness",
                            "chordal_height", "chordal_thickness_upper", "chordal_thickness_lower"})
        figures.push_back(j["inspection"][key].get<std::string>());
    for (const char* key : {"fpT", "FpT", "fHaT", "ffaT", "FaT", "FrT"})
        figures.push_back(j["tolerances"][key].get<std::string>());
    figures.push_back("ISO 1328-1:2013 公差等级 " + std::to_string(GetParam().iso_class));
    for (const std::string& figure : figures)
        EXPECT_NE(text.find(figure), std::string::npos) << figure << " not on the card:\n" << text;
    // The span's lower limit: the maker's span less its lower deviation.
    const double lower = std::stod(j["maker_span"].get<std::string>()) -
                         std::stod(j["maker_span_lower_deviation"].get<std::string>());
    char shown[32];
    std::snprintf(shown, sizeof shown, "%.4f", lower);
    EXPECT_NE(text.find(shown), std::string::npos) << shown << " not on the card:\n" << text;
}

INSTANTIATE_TEST_SUITE_P(Gears, CardFigures,
                         ::testing::Values(CardGear{"spur", {"--module", "2", "--teeth", "20", "--grade", "7",
                                                             "--deviation", "e", "--tolerance", "25"}, 7},
                                           CardGear{"helical", {"--module", "3", "--teeth", "31", "--helix", "19.5283",
                                                                "--grade", "8", "--deviation", "e", "--tolerance",
                                                                "25"}, 8},
                                           CardGear{"item", {"--item", "ZKD-H2-20-6"}, 6}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CardCli, ItemCardNamesTheItem)
{
    if (!havePdftotext()) GTEST_SKIP() << "pdftotext is not installed";
    TempFolder folder;
    const Outcome r = report({"--item", "ZKD-H2-20-6", "--card", folder.file("item.pdf"), "--format", "json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(pdfText(folder.file("item.pdf")).find("ZKD-H2-20-6"), std::string::npos);
}

TEST(CardCli, RefusedTargetsAndRunsWithoutAReportWriteNothing)
{
    TempFolder folder;
    fs::create_directory(folder.file("folder"));
    writeFile(folder.file("plain.txt"), "keep");
    const struct {
        std::vector<std::string> args;
        int status;
        std::string says;
    } cases[] = {
        {{"--module", "2", "--teeth", "20", "--card", folder.file("folder")}, 5, "is a folder"},
        {{"--module", "2", "--teeth", "20", "--card", folder.file("new") + "/"}, 5, "give the name of a PDF file"},
        {{"--module", "2", "--teeth", "20", "--card", folder.file("missing/card.pdf")}, 5, "does not exist"},
        {{"--all-items", "--card", folder.file("plain.txt")}, 5, "is not a folder"},
        {{"--module", "", "--teeth", "20", "--card", folder.file("empty.pdf")}, 3, "no card written"},
        {{"--item", "NOPE", "--card", folder.file("nope.pdf")}, 1, "no card written"},
        {{"--batch", folder.file("plain.txt"), "--card", folder.file("batch.pdf")}, 2, "--card"},
    };
    for (const auto& c : cases) {
        const Outcome r = report(c.args);
        EXPECT_EQ(r.status, c.status) << c.says << "\n" << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    }
    std::vector<std::string> left;
    for (const auto& entry : fs::recursive_directory_iterator(folder.path()))
        left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"folder", "plain.txt"}));
    EXPECT_EQ(readFile(folder.file("plain.txt")), "keep");
}

TEST(CardCli, ReplacesAnEarlierCardWhole)
{
    TempFolder folder;
    const std::string pdf = folder.file("card.pdf");
    writeFile(pdf, "old");
    const Outcome r = report({"--module", "2", "--teeth", "20", "--card", pdf});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string bytes = readFile(pdf);
    EXPECT_EQ(bytes.substr(0, 5), "%PDF-");
    EXPECT_NE(bytes.find("%%EOF"), std::string::npos);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1) << "no temporary file left";
}

// A catalogue whose item numbers are safe and unsafe as file names.
void writeItems(const std::string& folder, const std::vector<std::string>& items)
{
    for (const char* table : {"spc.edb", "gc.edb"})
        fs::copy_file(std::string(GEARCALC_DIST_DIR) + "/" + table, folder + "/" + table);
    using gr::db::FieldKind;
    std::string error;
    auto w = gr::db::CatalogueWriter::create(folder + "/ZKD.edb",
                                             {{"订货编号", FieldKind::Text},
                                              {"模数", FieldKind::Double},
                                              {"齿数", FieldKind::Short},
                                              {"齿形", FieldKind::Byte},
                                              {"精度", FieldKind::Byte}},
                                             error);
    ASSERT_TRUE(w) << error;
    for (const std::string& item : items)
        ASSERT_EQ(w->add(std::vector<gr::db::CellValue>{item, 2.0, int64_t{20}, int64_t{0}, int64_t{7}}), "");
    ASSERT_EQ(w->commit(), "");
}

TEST(CardCli, AllItemsWritesOneCardPerItemNamedByItsNumber)
{
    TempFolder catalogues;
    const std::vector<std::string> items = {"ZKD-S2-20-7", "齿轮-2", "ZKD:2", "CON", "aux.1", "ZKD-4.", ".hidden",
                                            "ZKD*5", "ZKD-S2-20-7"};
    writeItems(catalogues.path(), items);
    TempFolder out;
    const std::string cards = out.file("cards");
    const Outcome r = report({"--catalogue-dir", catalogues.path(), "--all-items", "--card", cards});
    EXPECT_EQ(r.status, 5) << r.err;
    EXPECT_EQ(jsonLines(r.out).size(), items.size()) << "every item still gets its JSON line";
    std::vector<std::string> written;
    for (const auto& entry : fs::directory_iterator(cards)) written.push_back(entry.path().filename().string());
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written, (std::vector<std::string>{"ZKD-S2-20-7.pdf", "齿轮-2.pdf"}));
    for (const char* refused : {"ZKD:2", "CON", "aux.1", "ZKD-4.", ".hidden", "ZKD*5"})
        EXPECT_NE(r.err.find(std::string("item ") + refused + ": no card written"), std::string::npos)
            << refused << "\n" << r.err;
    if (havePdftotext()) {
        EXPECT_NE(pdfText(cards + "/齿轮-2.pdf").find("齿轮-2"), std::string::npos);
    }
}

#endif

TEST(CardCli, HelpDocumentsTheCard)
{
    const Outcome r = report({"--help"});
    for (const char* expected : {"--card FILE.pdf", "--all-items --card DIR", "打印检测卡"})
        EXPECT_NE(r.out.find(expected), std::string::npos) << expected;
}

} // namespace
