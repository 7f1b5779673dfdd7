// The window in daily use: what typing and pasting do to the inputs, where
// the result box stands after a run, and how often a catalogue file that
// cannot be opened is reported.
#include "report_support.hpp"

#include <filesystem>

namespace gearcalc::testing {
namespace {

// --- Typing and pasting ------------------------------------------------------------

struct Typed {
    const char* name;
    uint32_t box;
    bool pasted; // one paste, else key by key
    const char* input;
    const char* shown;
    int beeps;
};

void PrintTo(const Typed& row, std::ostream* os)
{
    *os << row.name;
}

class TypingIntoTheWindow : public ProgramTest, public ::testing::WithParamInterface<Typed> {};

TEST_P(TypingIntoTheWindow, NeverChangesANumberSilently)
{
    const Typed& t = GetParam();
    ASSERT_TRUE(click(id::斜齿单选框));
    ASSERT_TRUE(click(id::度数选择框)); // every number box but the item number open
    type(t.box, "");
    EXPECT_TRUE(t.pasted ? paste(t.box, t.input) : typeKeys(t.box, t.input));
    EXPECT_EQ(text(t.box), t.shown);
    EXPECT_EQ(beeps(), t.beeps);
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, TypingIntoTheWindow,
    ::testing::Values(
        Typed{"ModuleCommaTyped", id::模数编辑框, false, "2,5", "2.5", 0},
        Typed{"HelixCommaPasted", id::度数编辑框, true, "19,5283", "19.5283", 0},
        Typed{"TeethLettersBeepOneByOne", id::齿数编辑框, false, "2x0", "20", 1},
        Typed{"TeethCommaBeeps", id::齿数编辑框, false, "19,5", "195", 1},
        Typed{"TeethMixedPasteRefusedWhole", id::齿数编辑框, true, "2x0.5-", "", 1},
        Typed{"ModulePastedLinesKeepTheFirst", id::模数编辑框, true, "3\r\n4", "3", 0},
        Typed{"DegreesSecondPointBeeps", id::度数编辑框, false, "1.2.3", "1.23", 1},
        Typed{"PressureAngleIsOrdinaryText", id::压力角编辑框, true, "20,5", "20,5", 0}),
    [](const ::testing::TestParamInfo<Typed>& info) { return std::string(info.param.name); });

class DailyUse : public CalculationFixture {};

TEST_F(DailyUse, PastedItemNumberKeepsItsFirstLineAndFindsTheGear)
{
    ASSERT_TRUE(click(id::货号选择框));
    ASSERT_TRUE(paste(id::货号编辑框, "ZKD-H8-21-8\r\n(copied with the next line)"));
    EXPECT_EQ(text(id::货号编辑框), "ZKD-H8-21-8");
    enter();
    EXPECT_TRUE(takeMessages().empty());
    EXPECT_FALSE(report().empty());
    EXPECT_EQ(beeps(), 0);
}

TEST_F(DailyUse, ClosedBoxesTakeNoTyping)
{
    EXPECT_FALSE(typeKeys(id::度编辑框, "5")); // closed in the spur mode
    EXPECT_FALSE(paste(id::结果编辑框, "x"));  // the report is the program's
    EXPECT_EQ(text(id::度编辑框), "");
    EXPECT_EQ(report(), "");
}

// --- The result box after a run -------------------------------------------------------

TEST_F(DailyUse, AFullReportLeavesItsEndInView)
{
    helicalDecimal("2", "20", "19.5283");
    series(7, "e", 25);
    const std::string full = calculate();
    ASSERT_GE(reportLines(full).size(), 22u);
    EXPECT_EQ(control(id::结果编辑框).caret, full.size()); // on the maker's lower deviation
    // A run that stops early leaves the box as it was.
    ASSERT_TRUE(click(id::货号选择框));
    type(id::货号编辑框, "NO-SUCH-ITEM");
    enter();
    EXPECT_EQ(takeMessages().size(), 1u);
    EXPECT_EQ(control(id::结果编辑框).caret, full.size());
}

// --- Catalogue files that cannot be opened ----------------------------------------------

class MissingCatalogues : public CalculationFixture {
protected:
    void SetUp() override
    {
        folder_.write("spc.edb", rangeFields({"e"}), {{0.0, 100.0, -0.03}});
        folder_.write("gc.edb", rangeFields({"二十五"}), {{0.0, 100.0, 0.03}});
        start(folder_.path()); // no ZKD.edb
    }
    // Ticks and unticks the item-number box, which opens the files again.
    std::vector<gr::MessageRequest> leaveItemMode()
    {
        EXPECT_TRUE(click(id::货号选择框));
        EXPECT_TRUE(click(id::货号选择框));
        return takeMessages();
    }
    void writeItems()
    {
        folder_.write("ZKD.edb",
                      {{"订货编号", FieldKind::Text}, {"模数", FieldKind::Double}, {"齿数", FieldKind::Short},
                       {"齿形", FieldKind::Byte}, {"精度", FieldKind::Byte}},
                      {{std::string_view("ZKD-S2-20-7"), 2.0, std::int64_t{20}, std::int64_t{0}, std::int64_t{7}}});
    }
    void remove(const char* name) { std::filesystem::remove(std::filesystem::path(folder_.path()) / name); }
    static bool names(const gr::MessageRequest& m, const char* file) { return m.text.find(file) != std::string::npos; }

    CatalogueFolder folder_;
};

TEST_F(MissingCatalogues, AreReportedOncePerRunAndAgainOnlyWhenTheirStateChanges)
{
    auto messages = takeMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(names(messages[0], "ZKD.edb")) << messages[0].text;
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(leaveItemMode().empty()) << "reported again on pass " << i;

    remove("spc.edb"); // a second file goes: only it is named
    messages = leaveItemMode();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(names(messages[0], "spc.edb")) << messages[0].text;
    EXPECT_FALSE(names(messages[0], "ZKD.edb")) << messages[0].text;

    writeItems(); // the item catalogue comes back: it opens, silently
    EXPECT_TRUE(leaveItemMode().empty());
    item("ZKD-S2-20-7");
    calculate();
    EXPECT_TRUE(takeMessages().empty());
    EXPECT_EQ(value("模数："), "2");

    remove("ZKD.edb"); // and goes again: that is news
    messages = leaveItemMode();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(names(messages[0], "ZKD.edb")) << messages[0].text;
}

TEST_F(MissingCatalogues, TheItemLookupSaysSoAtEveryTryInLinesOfItsOwn)
{
    takeMessages();
    item("ZKD-S2-20-7");
    for (int i = 0; i < 2; ++i) {
        enter();
        const auto messages = takeMessages();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_TRUE(names(messages[0], "ZKD.edb"));
        // The file name stands on the first line, the consequence on its own.
        EXPECT_NE(messages[0].text.find("\n"), std::string::npos) << messages[0].text;
    }
}

} // namespace
} // namespace gearcalc::testing
