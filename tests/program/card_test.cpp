// 打印检测卡 on the result box's context menu, through the real runtime and
// the recording print backend: the entry's state follows 打印结果, the
// card is one job whose texts and lines lie on an A4 page, its numbers are
// the report's and the test dimensions', and the window's own printing is
// unchanged. An image packed by the previous version still loads and runs
// on this runtime, and this program on a runtime without context menus
// runs as before.
#include "program_fixture.hpp"

#include <gearcalc/calculation.hpp>
#include <gearcalc/gauging.hpp>
#include <gearui/program.hpp>

#include <fstream>
#include <iterator>
#include <set>

namespace gearcalc::testing {
namespace {

const char kMenuEntry[] = "打印检测卡(&K)…";

class CardTest : public ProgramTest {
protected:
    const gr::MenuCommand* entry() { return control(id::结果编辑框).menuCommand(kCardCommand); }
    void calculate(const char* module, const char* teeth)
    {
        type(id::模数编辑框, module);
        type(id::齿数编辑框, teeth);
        enter();
    }
    // The text after `label` on its report line.
    std::string reportValue(const std::string& label)
    {
        const std::string r = report();
        const std::size_t at = r.find("\n" + label);
        if (at == std::string::npos) return "?";
        const std::size_t from = at + 1 + label.size();
        return r.substr(from, r.find('\r', from) - from);
    }
    // The texts of the last job.
    std::set<std::string> printedTexts()
    {
        std::set<std::string> texts;
        for (const gr::PrintItem& item : host().printedJobs().back().items)
            if (!item.isLine()) texts.insert(item.text);
        return texts;
    }
};

TEST_F(CardTest, EntryFollowsThePrintButtonAndPrintsOnePageOnA4)
{
    ASSERT_NE(entry(), nullptr);
    EXPECT_EQ(entry()->text, kMenuEntry);
    EXPECT_FALSE(entry()->enabled);
    EXPECT_FALSE(enabled(id::打印按钮));
    EXPECT_FALSE(chooseMenu(id::结果编辑框, kCardCommand)); // greyed: nothing runs
    EXPECT_TRUE(host().printedJobs().empty());

    // An empty module box ends the run early: still greyed.
    type(id::模数编辑框, "");
    enter();
    EXPECT_FALSE(entry()->enabled);

    calculate("2", "20");
    EXPECT_TRUE(enabled(id::打印按钮));
    ASSERT_TRUE(entry()->enabled);
    // Toggling item mode on and off runs the start-up handler again: the
    // entry stays as 打印结果 is.
    click(id::货号选择框);
    click(id::货号选择框);
    EXPECT_TRUE(entry()->enabled);

    host().dialogs().queuePrintAnswer(gr::PrintAnswer{true, {}});
    ASSERT_TRUE(chooseMenu(id::结果编辑框, kCardCommand));
    ASSERT_EQ(host().printedJobs().size(), 1u);
    const gr::PrintJob& job = host().printedJobs().back();
    int lines = 0;
    for (const gr::PrintItem& item : job.items) {
        if (!item.isLine()) {
            EXPECT_TRUE(item.x >= 0 && item.x < 2100 && item.y >= 0 && item.y < 2970) << item.text;
            continue;
        }
        ++lines;
        for (const gr::PagePoint& p : item.points) EXPECT_TRUE(p.x >= 0 && p.x <= 2100 && p.y >= 0 && p.y <= 2970);
        EXPECT_GT(item.pen_width, 0.0);
    }
    EXPECT_GT(lines, 20);
    const std::set<std::string> texts = printedTexts();
    for (const char* t : {"ZKD-KESTAL 齿轮检测卡", "模数 m = 2 mm", "齿数 z = 20", "检测项目", "实测", "公法线长度 W（k = 3）",
                          "15.3209", "跨球尺寸 M_dK", "目录文件：spc.edb、gc.edb、ZKD.edb"})
        EXPECT_TRUE(texts.count(t)) << t;
    // No catalogue item: no item number.
    for (const std::string& t : texts) EXPECT_EQ(t.find("货号："), std::string::npos) << t;
    // The report's own printing is unchanged by the card.
    host().dialogs().queuePrintAnswer(gr::PrintAnswer{true, {}});
    click(id::打印按钮);
    ASSERT_EQ(host().printedJobs().back().items.size(), 2u);
    EXPECT_EQ(host().printedJobs().back().items[1].text, report());
    EXPECT_TRUE(takeMessages().empty());
}

TEST_F(CardTest, NumbersAreTheReportsAndTheTestDimensions)
{
    select(id::精度组合框, 6);    // grade 7
    select(id::齿厚偏差组合框, 7); // e
    select(id::齿厚公差组合框, 4); // 25
    calculate("2", "20");
    // The dimension over balls the command line's test dimensions give for
    // this report: A and T as the report shows them.
    const double upper = std::stod(reportValue("齿厚上偏差："));
    const double tolerance = std::stod(reportValue("齿厚公差："));
    const auto sheet = inspection::Inspect({2, 20, 20, 0}, {std::nullopt, upper, tolerance, std::nullopt, 15.3209});
    ASSERT_TRUE(sheet) << sheet.problem();
    host().dialogs().queuePrintAnswer(gr::PrintAnswer{true, {}});
    ASSERT_TRUE(chooseMenu(id::结果编辑框, kCardCommand));
    const std::set<std::string> texts = printedTexts();
    for (const std::string& t :
         {inspection::FourDecimals(sheet->nominal.over_balls), inspection::FourDecimals(sheet->upper->over_balls),
          inspection::FourDecimals(sheet->lower->over_balls), std::string("精度（DIN 3967）：7 级"),
          std::string("齿厚偏差 / 公差系列：e / 25"), std::string("ISO 1328-1:2013 公差等级 7（μm）")})
        EXPECT_TRUE(texts.count(t)) << t;
    // The maker's span and its lower limit, as in the report.
    const std::string maker = reportValue("ZKD 公法线长度：");
    EXPECT_TRUE(texts.count(maker)) << maker;
    const double lower = std::stod(maker) - std::stod(reportValue("ZKD 公法线长度下偏差:-"));
    EXPECT_TRUE(texts.count(inspection::FourDecimals(lower))) << lower;
}

TEST_F(CardTest, ItemNumberOnlyForTheGearTheReportShows)
{
    click(id::货号选择框);
    type(id::货号编辑框, "ZKD-S0.5-20-8");
    enter();
    ASSERT_TRUE(takeMessages().empty()) << report();
    host().dialogs().queuePrintAnswer(gr::PrintAnswer{true, {}});
    ASSERT_TRUE(chooseMenu(id::结果编辑框, kCardCommand));
    EXPECT_TRUE(printedTexts().count("货号：ZKD-S0.5-20-8"));
    // Another number typed after the calculation is not that gear's.
    type(id::货号编辑框, "no such item");
    host().dialogs().queuePrintAnswer(gr::PrintAnswer{true, {}});
    ASSERT_TRUE(chooseMenu(id::结果编辑框, kCardCommand));
    for (const std::string& t : printedTexts()) EXPECT_EQ(t.find("货号："), std::string::npos) << t;
}

TEST_F(CardTest, CancelledPrintDialogPrintsNothing)
{
    calculate("3", "31");
    host().dialogs().queuePrintAnswer(gr::PrintAnswer{false, {}});
    ASSERT_TRUE(chooseMenu(id::结果编辑框, kCardCommand));
    EXPECT_TRUE(host().printedJobs().empty());
    EXPECT_TRUE(takeMessages().empty());
}

TEST_F(CardTest, ProgramOnARuntimeWithoutContextMenusRunsAsBefore)
{
    // The service table of the previous interface version ends before the
    // context-menu and program-size slots.
    static gr_services older = *host().env()->services;
    older.struct_size = offsetof(gr_services, context_menu_entry);
    older.version = 3;
    older.context_menu_entry = nullptr; // a call past the table's end would not find these
    older.program_sizes = nullptr;
    const gr_services* own = host().env()->services;
    host().env()->services = &older;
    calculate("2", "20");
    host().dialogs().queuePrintAnswer(gr::PrintAnswer{true, {}});
    click(id::打印按钮);
    host().env()->services = own;
    EXPECT_EQ(host().printedJobs().size(), 1u);
    EXPECT_TRUE(takeMessages().empty());
}

} // namespace

// An image packed by the previous version: no card routine, no card texts,
// no menu binding. It loads, and the program runs on it as it did.
TEST(PreviousImage, LoadsAndRunsWithoutTheCard)
{
    std::ifstream in(GEARCALC_PREVIOUS_IMAGE, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    ASSERT_FALSE(bytes.empty());
    gr::LoadResult loaded = gr::loadProgram(bytes, findRoutine, {});
    ASSERT_TRUE(loaded.program) << loaded.error;
    const gr::ProgramDescription& program = loaded.program->description;
    EXPECT_EQ(program.routine_count, static_cast<size_t>(kPrintCard));
    gr::HostOptions options;
    options.program_folder = GEARCALC_DIST_DIR;
    options.library_folder = GEARCALC_DIST_DIR;
    gr::Host host(program, std::make_unique<gr::HeadlessWindowSystem>(), options);
    host.dialogs().forbidRealDialogs(true);
    gr_env* env = host.env();
    ASSERT_EQ(env->services->create_window(env, program.form->identity), GR_OK);
    gr::UserActions user(host);
    const uint32_t result = program.form->elements.at(slot::结果编辑框).identity;
    ASSERT_TRUE(user.typeText(program.form->elements.at(slot::模数编辑框).identity, "2"));
    ASSERT_TRUE(user.typeText(program.form->elements.at(slot::齿数编辑框).identity, "20"));
    user.pressKey(13);
    EXPECT_NE(host.model().find(result)->text.find("公法线长度：15.3209"), std::string::npos);
    EXPECT_TRUE(host.model().find(result)->menu.empty()); // no card without its routine
    EXPECT_FALSE(user.chooseMenuCommand(result, kCardCommand));
    host.dialogs().queuePrintAnswer(gr::PrintAnswer{true, {}});
    EXPECT_TRUE(user.click(program.form->elements.at(slot::打印按钮).identity));
    EXPECT_EQ(host.printedJobs().size(), 1u);
    EXPECT_TRUE(host.dialogs().messages().empty());
    EXPECT_EQ(host.outstandingAllocations(), 0);
}

} // namespace gearcalc::testing
