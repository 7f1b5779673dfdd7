// The typing rules of single-line edit boxes: what a typed or pasted text
// becomes in each kind of box, and what a box refuses as a whole.
#include <gearhost/typing.hpp>

#include <gearrt/form.hpp>

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

namespace gr {
namespace {

struct Edit {
    const char* name;
    int32_t mode;
    const char* before;
    const char* inserted;
    const char* after;
    std::optional<std::string> want; // nothing: refused
    std::size_t caret = 0;           // where the caret ends when accepted
};

void PrintTo(const Edit& edit, std::ostream* os)
{
    *os << edit.name;
}

class TypingRule : public ::testing::TestWithParam<Edit> {};

TEST_P(TypingRule, GivesTheTextOrRefusesTheWholeEdit)
{
    const Edit& e = GetParam();
    const std::optional<TypedText> typed = typeInto(e.mode, e.before, e.inserted, e.after);
    ASSERT_EQ(typed.has_value(), e.want.has_value()) << (typed ? typed->text : std::string("(refused)"));
    if (!typed) return;
    EXPECT_EQ(typed->text, *e.want);
    EXPECT_EQ(typed->caret, e.caret);
}

constexpr int32_t kDecimal = form::kDecimalInput, kInteger = form::kIntegerInput, kOrdinary = form::kOrdinaryInput,
                  kReadOnly = form::kReadOnlyInput;

INSTANTIATE_TEST_SUITE_P(
    Boxes, TypingRule,
    ::testing::Values(
        // Decimal boxes: a comma is a decimal point.
        Edit{"DecimalCommaTypedBecomesPoint", kDecimal, "19", ",", "", "19.", 3},
        Edit{"DecimalCommaPastedBecomesPoint", kDecimal, "", "19,5", "", "19.5", 4},
        Edit{"FullWidthCommaOfAnInputMethodBecomesPoint", kDecimal, "19", "\xEF\xBC\x8C" "5", "", "19.5", 4},
        Edit{"SecondPointIsRefused", kDecimal, "19.5", ".", "", std::nullopt},
        Edit{"CommaAfterAPointIsRefused", kDecimal, "1.5", ",", "", std::nullopt},
        Edit{"LetterIsRefusedNotDropped", kDecimal, "", "2x0.5-", "", std::nullopt},
        Edit{"LeadingMinusIsANumberBeingTyped", kDecimal, "", "-", "", "-", 1},
        Edit{"MinusInsideIsRefused", kDecimal, "2", "-", "", std::nullopt},
        Edit{"InsertedInTheMiddleKeepsBothSides", kDecimal, "1", "9,", "5", "19.5", 3},
        Edit{"BlankIsRefused", kDecimal, "2", " ", "", std::nullopt},
        // Integer boxes: digits and a leading minus only.
        Edit{"IntegerDigits", kInteger, "2", "0", "", "20", 2},
        Edit{"IntegerRefusesAComma", kInteger, "19", ",", "", std::nullopt},
        Edit{"IntegerRefusesAPoint", kInteger, "2", ".5", "", std::nullopt},
        Edit{"IntegerRefusesMixedPasteAsAWhole", kInteger, "", "2x0.5-", "", std::nullopt},
        Edit{"DeletingIsAlwaysFine", kInteger, "2", "", "0", "20", 1},
        Edit{"DeletingInATextTheProgramSetIsFine", kInteger, "2.", "", "", "2.", 2},
        // Line breaks: only the first line of a pasted text goes in.
        Edit{"PastedLinesKeepTheFirst", kDecimal, "", "19,5\r\n20", "", "19.5", 4},
        Edit{"LineFeedAloneEndsToo", kInteger, "1", "2\n3", "", "12", 2},
        Edit{"PasteStartingWithALineBreakInsertsNothing", kInteger, "12", "\r\n34", "", "12", 2},
        Edit{"RefusedFirstLineRefusesThePaste", kInteger, "", "x\n12", "", std::nullopt},
        Edit{"OrdinaryBoxKeepsBlanksAsTyped", kOrdinary, "", " ZKD-H8-21-8 \r\nnext", "", " ZKD-H8-21-8 ", 13},
        Edit{"OrdinaryBoxKeepsCommas", kOrdinary, "", "1,5", "", "1,5", 3},
        Edit{"OrdinaryBoxTakesChinese", kOrdinary, "齿", "轮", "", "齿轮", 6},
        Edit{"ReadOnlyRefusesEverything", kReadOnly, "", "1", "", std::nullopt}),
    [](const ::testing::TestParamInfo<Edit>& info) { return std::string(info.param.name); });

TEST(TypingRule, WhatABoxHoldsAsTyped)
{
    EXPECT_TRUE(holdsAsTyped(kDecimal, ""));
    EXPECT_TRUE(holdsAsTyped(kDecimal, "-3."));
    EXPECT_TRUE(holdsAsTyped(kDecimal, ".5"));
    EXPECT_FALSE(holdsAsTyped(kDecimal, "1e5"));
    EXPECT_FALSE(holdsAsTyped(kInteger, "3."));
    EXPECT_TRUE(holdsAsTyped(kOrdinary, "any text, 任何"));
    EXPECT_FALSE(holdsAsTyped(kOrdinary, "two\r\nlines"));
}

} // namespace
} // namespace gr
