// The main window: its initial state and the input modes that the toggles
// produce, compared as whole state tables after each sequence of clicks.
#include "program_fixture.hpp"
#include <geardrive/user_actions.hpp>

#include <map>
#include <sstream>

namespace gearcalc::testing {
namespace {

// The state of every control the modes touch: enabled or not for inputs,
// the text colour for labels.
using State = std::map<std::string, std::string>;

constexpr const char* kOn = "on";
constexpr const char* kOff = "off";
constexpr const char* kBlackLabel = "000000";
constexpr const char* kGreyLabel = "C0C0C0";
constexpr const char* kMidGreyLabel = "808080";

class WindowTest : public ProgramTest {
protected:
    State state()
    {
        State s;
        for (const gr::ControlState& c : host().model().controls()) {
            if (c.element == nullptr || c.element->name.empty()) continue;
            if (c.kind == gr::form::kLabel) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "%06X", c.text_colour);
                s[c.element->name] = buf;
            } else if (c.kind != gr::form::kPictureBox && c.kind != gr::form::kPrinter) {
                s[c.element->name] = c.disabled ? kOff : kOn;
            }
        }
        return s;
    }

    // The state of a mode, built from the mode table.
    static State mode(const char* spur_helix, const char* dms, const char* decimal_box, const char* decimal_label,
                      const char* decimal_check, bool item)
    {
        const char* in = item ? kOff : kOn;
        const char* label = item ? kGreyLabel : kBlackLabel;
        State s = {
            {"模数标签", label},      {"模数编辑框", in},       {"齿数标签", label},      {"齿数编辑框", in},
            {"压力角标签", label},    {"压力角编辑框", in},     {"圆点标签", kBlackLabel}, {"直齿单选框", in},
            {"斜齿单选框", in},       {"螺旋角标签", label},    {"度数选择框", decimal_check},
            {"度数编辑框", decimal_box}, {"度数标签", decimal_label}, {"精度标签", label},
            {"精度组合框", in},       {"上偏差标签", label},    {"齿厚偏差组合框", in}, {"公差标签", label},
            {"齿厚公差组合框", in},   {"货号选择框", kOn},      {"货号编辑框", item ? kOn : kOff},
            {"隐藏选择框", kOn},      {"结果编辑框", kOn},      {"计算按钮", kOn},
            {"打印按钮", kOff},       {"退出按钮", kOn},
        };
        for (const char* box : {"度编辑框", "分编辑框", "秒编辑框"}) s[box] = dms;
        for (const char* l : {"度标签", "分标签", "秒标签"})
            s[l] = std::string(dms) == kOn ? kBlackLabel : kGreyLabel;
        (void)spur_helix;
        return s;
    }
    static State directSpur() { return mode("spur", kOff, kOff, kGreyLabel, kOff, false); }
    static State helicalDms(const char* decimal_label = kGreyLabel)
    {
        return mode("helical", kOn, kOff, decimal_label, kOn, false);
    }
    static State helicalDecimal() { return mode("helical", kOff, kOn, kBlackLabel, kOn, false); }
    static State itemMode() { return mode("item", kOff, kOff, kGreyLabel, kOff, true); }

    static std::string diff(const State& actual, const State& expected)
    {
        std::ostringstream out;
        for (const auto& [name, want] : expected) {
            auto it = actual.find(name);
            std::string got = it == actual.end() ? "(missing)" : it->second;
            if (got != want) out << name << ": " << got << " (expected " << want << ")\n";
        }
        return out.str();
    }
};

#define EXPECT_STATE(expected) EXPECT_EQ(diff(state(), expected), "")

TEST_F(WindowTest, HasEveryControlWithItsFormValues)
{
    EXPECT_EQ(host().model().controls().size(), 35u);
    EXPECT_EQ(text(kWindowSelf), "ZKD-KESTAL 齿轮参数计算");
    EXPECT_EQ(text(id::压力角编辑框), "20");
    EXPECT_EQ(control(id::精度组合框).items.size(), 12u);
    EXPECT_EQ(control(id::精度组合框).items.back(), "12");
    EXPECT_EQ(control(id::齿厚偏差组合框).items,
              (std::vector<std::string>{"a", "ab", "b", "bc", "c", "cd", "d", "e", "f", "g", "h"}));
    EXPECT_EQ(control(id::齿厚公差组合框).items.front(), "21");
    EXPECT_EQ(control(id::齿厚公差组合框).items.back(), "30");
    for (uint32_t combo : {id::精度组合框, id::齿厚偏差组合框, id::齿厚公差组合框}) EXPECT_EQ(selection(combo), -1);
    EXPECT_FALSE(control(id::压力角编辑框).tab_stop);
    EXPECT_TRUE(control(id::模数编辑框).tab_stop);
    EXPECT_FALSE(control(id::结果打印机).visible);
    EXPECT_EQ(control(id::结果打印机).text, "圆柱齿轮计算结果");
    EXPECT_TRUE(control(id::度数选择框).text.empty());
    const gr::form::Element& picture = *control(id::图片框1).element;
    ASSERT_GT(picture.picture.size(), 4u);
    EXPECT_EQ(picture.picture[0], 0xFF); // a JPEG file
    EXPECT_EQ(picture.picture[1], 0xD8);
}

TEST_F(WindowTest, StartsInTheDirectSpurStateWithThemedStyle)
{
    EXPECT_STATE(directSpur());
    EXPECT_EQ(checked(id::直齿单选框), 1);
    EXPECT_EQ(checked(id::斜齿单选框), 0);
    EXPECT_TRUE(host().visualStyleThemed());
}

TEST_F(WindowTest, HelicalOpensDegreesMinutesSeconds)
{
    click(id::斜齿单选框);
    EXPECT_STATE(helicalDms());
    EXPECT_EQ(checked(id::直齿单选框), 0);
}

TEST_F(WindowTest, DegreeFormatToggleAndItsMidGreyException)
{
    click(id::斜齿单选框);
    click(id::度数选择框);
    EXPECT_STATE(helicalDecimal());
    click(id::度数选择框);
    EXPECT_STATE(helicalDms(kMidGreyLabel));
    click(id::直齿单选框);
    EXPECT_STATE(directSpur());
}

TEST_F(WindowTest, SpurHelicalDecimalSpurHelicalReopensTheDecimalBox)
{
    click(id::斜齿单选框);
    click(id::度数选择框);
    click(id::直齿单选框);
    EXPECT_STATE(directSpur());
    EXPECT_EQ(checked(id::度数选择框), 1); // kept, though disabled
    click(id::斜齿单选框);
    EXPECT_STATE(helicalDecimal());
    EXPECT_TRUE(click(id::度数选择框)); // enabled and can be unticked
    EXPECT_EQ(checked(id::度数选择框), 0);
}

TEST_F(WindowTest, ItemModeGreysDirectInputsAndKeepsTheirContents)
{
    type(id::模数编辑框, "3");
    click(id::货号选择框);
    EXPECT_STATE(itemMode());
    EXPECT_EQ(text(id::模数编辑框), "3");
    click(id::货号选择框);
    EXPECT_STATE(directSpur());
}

TEST_F(WindowTest, LeavingItemModeReturnsToTheDirectModeTheTogglesDescribe)
{
    click(id::斜齿单选框);
    click(id::货号选择框);
    EXPECT_STATE(itemMode());
    click(id::货号选择框);
    EXPECT_STATE(helicalDms());

    click(id::度数选择框);
    click(id::货号选择框);
    click(id::货号选择框);
    EXPECT_STATE(helicalDecimal());
}

TEST_F(WindowTest, ClickingTheSelectedRadioButtonChangesNothing)
{
    click(id::直齿单选框);
    EXPECT_STATE(directSpur());
    click(id::斜齿单选框);
    State before = state();
    click(id::斜齿单选框);
    EXPECT_EQ(state(), before);
}

TEST_F(WindowTest, HelixLabelStaysBlackInSpurModeAndGreysOnlyForItems)
{
    EXPECT_EQ(colour(id::螺旋角标签), 0x000000u);
    click(id::货号选择框);
    EXPECT_EQ(colour(id::螺旋角标签), 0xC0C0C0u);
}

TEST_F(WindowTest, EnterCalculatesInEveryModeOtherKeysDoNothing)
{
    type(id::模数编辑框, "2");
    type(id::齿数编辑框, "20");
    gr::UserActions(host()).pressKey('A');
    EXPECT_EQ(report(), "");
    enter();
    std::string by_enter = report();
    EXPECT_NE(by_enter, "");
    click(id::计算按钮);
    EXPECT_EQ(report(), by_enter);
    EXPECT_TRUE(enabled(id::打印按钮));
}

TEST_F(WindowTest, ExitButtonClosesTheWindow)
{
    EXPECT_TRUE(screen().windowOpen());
    click(id::退出按钮);
    EXPECT_FALSE(screen().windowOpen());
}

TEST_F(WindowTest, PrintButtonPrintsTitleAndReportAsOneJobPerClick)
{
    EXPECT_FALSE(click(id::打印按钮)); // disabled before any report
    type(id::模数编辑框, "2");
    type(id::齿数编辑框, "20");
    enter();
    host().dialogs().queuePrintAnswer(gr::PrintAnswer{true, {}});
    host().dialogs().queuePrintAnswer(gr::PrintAnswer{true, {}});
    click(id::打印按钮);
    click(id::打印按钮);
    ASSERT_EQ(host().printedJobs().size(), 2u);
    for (const gr::PrintJob& job : host().printedJobs()) {
        ASSERT_EQ(job.items.size(), 2u);
        EXPECT_EQ(job.items[0].text, "ZKD-KESTAL 齿轮参数计算");
        EXPECT_EQ(job.items[0].font_size, 27.0);
        EXPECT_EQ(job.items[0].x, 700);
        EXPECT_EQ(job.items[0].y, 180);
        EXPECT_EQ(job.items[1].text, report());
        EXPECT_EQ(job.items[1].font_size, 14.0);
        EXPECT_EQ(job.items[1].x, 200);
        EXPECT_EQ(job.items[1].y, 300);
    }
}

} // namespace
} // namespace gearcalc::testing
