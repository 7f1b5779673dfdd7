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
        Edit{"ReadOnlyRefusesEverything", kReadOnly, "", "1", "", std::nullopt},
        // A Chinese input method: full-width digits, point and 。 in number boxes.
        Edit{"FullWidthDigitsBecomeAscii", kDecimal, "", "２０", "", "20", 2},
        Edit{"FullWidthDigitsInAnIntegerBox", kInteger, "1", "９", "", "19", 2},
        Edit{"FullWidthPointBecomesPoint", kDecimal, "", "１９．５", "", "19.5", 4},
        Edit{"IdeographicFullStopBecomesPoint", kDecimal, "2", "。", "5", "2.5", 2},
        Edit{"FullWidthPointInAnIntegerBoxIsRefused", kInteger, "2", "．", "", std::nullopt},
        Edit{"IdeographicFullStopInAnIntegerBoxIsRefused", kInteger, "2", "。", "", std::nullopt},
        Edit{"FullWidthMinusIsNoMinus", kDecimal, "", "－２", "", std::nullopt},
        Edit{"OtherScriptDigitsAreRefused", kDecimal, "", "\u0662", "", std::nullopt},
        Edit{"OrdinaryBoxKeepsFullWidthDigits", kOrdinary, "", "２０。", "", "２０。", 9},
        Edit{"ByteOrderMarkInANumberBoxIsRefused", kDecimal, "", "\uFEFF" "2", "", std::nullopt},
        // One-line texts: no C1 control, no line or paragraph separator.
        Edit{"LineSeparatorIsRefused", kOrdinary, "2", "\u2028分度圆直径：999", "", std::nullopt},
        Edit{"ParagraphSeparatorIsRefused", kOrdinary, "", "a\u2029b", "", std::nullopt},
        Edit{"NextLineControlIsRefused", kOrdinary, "", "a\u0085b", "", std::nullopt},
        Edit{"C1ControlIsRefused", kOrdinary, "", "\u009B", "", std::nullopt},
        Edit{"TabIsRefused", kOrdinary, "", "a\tb", "", std::nullopt},
        Edit{"DeleteControlIsRefused", kOrdinary, "", "a\x7f", "", std::nullopt},
        Edit{"NoBreakSpaceIsFine", kOrdinary, "", "a\u00A0b", "", "a\u00A0b", 4},
        // Characters outside the BMP are whole; text that is not UTF-8 goes nowhere.
        Edit{"CharacterOutsideTheBmpGoesInWhole", kOrdinary, "齿", "\U0001F600", "轮", "齿\U0001F600轮", 7},
        Edit{"HalfACharacterIsRefused", kOrdinary, "a", "\xF0\x9F\x98", "", std::nullopt},
        Edit{"EncodedSurrogateIsRefused", kOrdinary, "", "\xED\xA0\xBD", "", std::nullopt},
        Edit{"OverlongFormIsRefused", kOrdinary, "", "\xC0\xAF", "", std::nullopt}),
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
    EXPECT_FALSE(holdsAsTyped(kOrdinary, "two\u2028lines"));
}

// A box holds at most kMaxBoxCharacters characters, counted as characters
// (not bytes, not UTF-16 units); a longer edit is refused, never cut.
TEST(TypingRule, LengthIsCountedInCharactersAndRefusedWhole)
{
    std::string full;
    for (std::size_t i = 0; i < kMaxBoxCharacters - 1; ++i) full += "\U0001F600";
    ASSERT_TRUE(typeInto(kOrdinary, full, "齿", "").has_value());
    EXPECT_FALSE(typeInto(kOrdinary, full + "齿", "x", "").has_value());
    EXPECT_FALSE(typeInto(kDecimal, std::string(kMaxBoxCharacters, '1'), "1", "").has_value());
    EXPECT_FALSE(typeInto(kDecimal, "", std::string(kMaxBoxCharacters + 1, '1'), "").has_value());
    EXPECT_TRUE(typeInto(kDecimal, std::string(kMaxBoxCharacters, '1'), "", "").has_value()); // deleting
}

TEST(TypingRule, AnEmptyPasteChangesNothing)
{
    const std::optional<TypedText> pasted = pasteInto(kDecimal, "1", "9.5", "", "0");
    ASSERT_TRUE(pasted.has_value());
    EXPECT_EQ(pasted->text, "19.50");
    EXPECT_EQ(pasted->caret, 4u);
    // A paste of text replaces the selection as typing does.
    const std::optional<TypedText> replaced = pasteInto(kDecimal, "1", "9.5", "２", "0");
    ASSERT_TRUE(replaced.has_value());
    EXPECT_EQ(replaced->text, "120");
    EXPECT_FALSE(pasteInto(kInteger, "1", "9", "x", "").has_value());
}

// An edit seen only as the text before and after (an input method, a drop).
struct Change {
    const char* name;
    int32_t mode;
    const char* old;
    const char* now;
    std::size_t caret;
    std::optional<std::string> want;
};

void PrintTo(const Change& change, std::ostream* os)
{
    *os << change.name;
}

class TypingChange : public ::testing::TestWithParam<Change> {};

TEST_P(TypingChange, FindsTheEditAndJudgesItByTheRules)
{
    const Change& c = GetParam();
    const std::optional<TypedText> typed = typeChange(c.mode, c.old, c.now, c.caret);
    ASSERT_EQ(typed.has_value(), c.want.has_value()) << (typed ? typed->text : std::string("(refused)"));
    if (typed) {
        EXPECT_EQ(typed->text, *c.want);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Changes, TypingChange,
    ::testing::Values(
        Change{"InputMethodDigitsAreConverted", kDecimal, "1", "1２．５", 10, "12.5"},
        Change{"InsertedInTheMiddle", kDecimal, "15", "1，5", 4, "1.5"},
        Change{"RefusedChange", kInteger, "15", "1x5", 2, std::nullopt},
        Change{"Deletion", kInteger, "125", "15", 1, "15"},
        // "😀" replaced by "😁": both start with the same three bytes, which
        // must not become a character of their own.
        Change{"ReplacingAFourByteCharacter", kOrdinary, "\U0001F600", "\U0001F601", 4, "\U0001F601"},
        Change{"ReplacingATwoByteCharacter", kOrdinary, "a\u00E9", "a\u00A9", 3, "a\u00A9"},
        Change{"CommonEndInsideACharacter", kOrdinary, "\u00E9", "\u00A9", 99, "\u00A9"},
        Change{"CaretInsideACharacterIsNoGuide", kOrdinary, "ab", "a\U0001F600b", 3, "a\U0001F600b"},
        Change{"LineSeparatorDroppedInIsRefused", kOrdinary, "ab", "a\u2028b", 4, std::nullopt}),
    [](const ::testing::TestParamInfo<Change>& info) { return std::string(info.param.name); });

// A whole value entered at once, as the command-line tools do: the box's
// text, or a refusal that says why.
struct Entry {
    const char* name;
    int32_t mode;
    std::string typed;
    std::optional<std::string> want;
    const char* says = ""; // part of the refusal
};

void PrintTo(const Entry& entry, std::ostream* os)
{
    *os << entry.name;
}

class EnteredValue : public ::testing::TestWithParam<Entry> {};

TEST_P(EnteredValue, IsTheBoxTextOrARefusal)
{
    const Entry& e = GetParam();
    const BoxEntry entry = enterText(e.mode, e.typed);
    ASSERT_EQ(entry.text.has_value(), e.want.has_value()) << entry.refusal;
    if (entry.text) {
        EXPECT_EQ(*entry.text, *e.want);
        EXPECT_EQ(entry.refusal, "");
    } else {
        EXPECT_NE(entry.refusal.find(e.says), std::string::npos) << entry.refusal;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Values, EnteredValue,
    ::testing::Values(
        Entry{"DecimalComma", kDecimal, "2,5", "2.5"},
        Entry{"FullWidth", kDecimal, "２。５", "2.5"},
        Entry{"WholeNumber", kInteger, "20", "20"},
        Entry{"Empty", kDecimal, "", ""},
        Entry{"NumberBeingTyped", kDecimal, "-", "-"},
        Entry{"OrdinaryKeepsLetters", kOrdinary, "abc", "abc"},
        Entry{"OrdinaryKeepsCommas", kOrdinary, "2,5", "2,5"},
        Entry{"PointInAWholeNumber", kInteger, "20.7", std::nullopt, "is not a whole number"},
        Entry{"Letters", kDecimal, "abc", std::nullopt, "is not a number"},
        Entry{"Hexadecimal", kDecimal, "0x10", std::nullopt, "is not a number"},
        Entry{"Exponent", kDecimal, "1e3", std::nullopt, "is not a number"},
        Entry{"NotANumber", kDecimal, "nan", std::nullopt, "is not a number"},
        Entry{"Quotes", kDecimal, "\"2\"", std::nullopt, "is not a number"},
        Entry{"ByteOrderMark", kInteger, "\uFEFF" "20", std::nullopt, "is not a whole number"},
        Entry{"Blank", kDecimal, " 2", std::nullopt, "is not a number"},
        Entry{"LineBreakRefusesRatherThanEnds", kDecimal, "2\n3", std::nullopt, "a line break (U+000A)"},
        Entry{"LineSeparator", kOrdinary, "20\u2028x", std::nullopt, "a line separator (U+2028)"},
        Entry{"ParagraphSeparator", kOrdinary, "\u2029", std::nullopt, "a paragraph separator (U+2029)"},
        Entry{"NextLine", kOrdinary, "a\u0085", std::nullopt, "the control character U+0085"},
        Entry{"NotUtf8", kOrdinary, "\xFF", std::nullopt, "is not UTF-8"},
        Entry{"TooLong", kOrdinary, std::string(kMaxBoxCharacters + 1, 'a'), std::nullopt, "longer than"},
        Entry{"ReadOnly", kReadOnly, "1", std::nullopt, "read-only"}),
    [](const ::testing::TestParamInfo<Entry>& info) { return std::string(info.param.name); });

} // namespace
} // namespace gr
