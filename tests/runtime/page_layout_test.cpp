// How print jobs fall onto pages, with a device whose characters are all
// 10 units wide and whose lines are 50 units apart.
#include <gearhost/page_layout.hpp>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using gr::Page;
using gr::PrintItem;
using gr::PrintJob;

class FixedMeasure final : public gr::TextMeasure {
public:
    double lineSpacing(double font_size) override { return font_size == 27.0 ? 100.0 : 50.0; }
    std::vector<double> prefixWidths(std::string_view line, double) override
    {
        std::vector<double> widths;
        for (unsigned char c : line)
            if ((c & 0xC0) != 0x80) widths.push_back(10.0 * static_cast<double>(widths.size() + 1));
        return widths;
    }
};

constexpr double kA4Width = 2100, kA4Height = 2970;

std::vector<Page> layout(const PrintJob& job)
{
    FixedMeasure measure;
    return gr::layoutPages(job, kA4Width, kA4Height, measure);
}

struct SplitRow {
    const char* name;
    std::string text;
    std::vector<std::string> lines;
};

class SplitLines : public ::testing::TestWithParam<SplitRow> {};

TEST_P(SplitLines, BreaksAtCrLfAndLf)
{
    EXPECT_EQ(gr::splitLines(GetParam().text), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(Rows, SplitLines,
                         ::testing::Values(SplitRow{"CrLf", "a\r\nb", {"a", "b"}},
                                           SplitRow{"ClosingBreakOpensNoLine", "a\r\n", {"a"}},
                                           SplitRow{"Empty", "", {""}},
                                           SplitRow{"EmptyLinesKept", "a\r\n\r\nb", {"a", "", "b"}},
                                           SplitRow{"BareLf", "a\nb", {"a", "b"}}),
                         [](const auto& info) { return std::string(info.param.name); });

struct WrapRow {
    const char* name;
    std::string line;
    double width;
    std::vector<std::string> pieces;
};

class WrapLine : public ::testing::TestWithParam<WrapRow> {};

TEST_P(WrapLine, BreaksInsideTheWidth)
{
    FixedMeasure measure;
    const WrapRow& row = GetParam();
    EXPECT_EQ(gr::wrapLine(row.line, measure.prefixWidths(row.line, 14), row.width), row.pieces);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WrapLine,
    ::testing::Values(WrapRow{"Fits", "abcd", 40, {"abcd"}},
                      WrapRow{"AfterTheLastSpaceThatFits", "ab cd ef", 60, {"ab cd ", "ef"}},
                      WrapRow{"AnywhereWithoutSpace", "abcdefg", 30, {"abc", "def", "g"}},
                      WrapRow{"CharacterWiderThanThePageStandsAlone", "ab", 5, {"a", "b"}},
                      WrapRow{"ChineseCharactersStayWhole", "齿轮参数计算", 30, {"齿轮参", "数计算"}},
                      WrapRow{"EmptyLine", "", 30, {""}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PageLayout, TitleAndReportAtTheirPlaces)
{
    const PrintJob job{"doc", {PrintItem{27, 700, 180, "标题"}, PrintItem{14, 200, 300, "一\r\n\r\n三\r\n"}}, {}};
    const std::vector<Page> pages = layout(job);
    ASSERT_EQ(pages.size(), 1u);
    ASSERT_EQ(pages[0].lines.size(), 3u) << "the empty line takes its place but draws nothing";
    EXPECT_EQ(pages[0].lines[0].text, "标题");
    EXPECT_EQ((std::pair{pages[0].lines[0].x, pages[0].lines[0].y}), (std::pair{700.0, 180.0}));
    EXPECT_EQ(pages[0].lines[0].font_size, 27.0);
    EXPECT_EQ((std::pair{pages[0].lines[1].x, pages[0].lines[1].y}), (std::pair{200.0, 300.0}));
    EXPECT_EQ(pages[0].lines[2].text, "三");
    EXPECT_EQ(pages[0].lines[2].y, 400.0);
}

TEST(PageLayout, ALineThatWouldEndBelowTheMarginStartsANewPage)
{
    // Lines 50 apart from 300 on, the bottom margin at 2970 - 150 = 2820:
    // line 49 ends at 2800, line 50 would end at 2850.
    std::string text;
    for (int i = 0; i < 60; ++i) text.append(1, 'L').append(std::to_string(i)).append("\r\n");
    const std::vector<Page> pages = layout(PrintJob{"doc", {PrintItem{14, 200, 300, text}}, {}});
    ASSERT_EQ(pages.size(), 2u);
    ASSERT_EQ(pages[0].lines.size(), 50u);
    EXPECT_EQ(pages[0].lines.back().y, 2750.0);
    EXPECT_EQ(pages[1].lines.front().text, "L50");
    EXPECT_EQ(pages[1].lines.front().y, 200.0) << "continued at the top margin";
}

TEST(PageLayout, LongLinesWrapInsideTheRightMargin)
{
    // From x = 1900 up to 2100 - 100: 100 units, ten characters a line.
    const std::vector<Page> pages = layout(PrintJob{"doc", {PrintItem{14, 1900, 300, std::string(25, 'x')}}, {}});
    ASSERT_EQ(pages[0].lines.size(), 3u);
    EXPECT_EQ(pages[0].lines[0].text, std::string(10, 'x'));
    EXPECT_EQ(pages[0].lines[2].text, std::string(5, 'x'));
    EXPECT_EQ(pages[0].lines[2].y, 400.0);
}

TEST(PageLayout, AJobThatPlacesNothingIsOneEmptyPage)
{
    const std::vector<Page> pages = layout(PrintJob{});
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_TRUE(pages[0].lines.empty());
}

} // namespace
