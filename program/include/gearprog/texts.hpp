// Names of the program's texts. The texts themselves live in the program
// image's constant pool; a routine reads one with `rt.Const(text::kModule)`.
#pragma once

#include <gearprog/catalogue_schema.hpp>

#include <cstdint>
#include <iterator>
#include <string_view>
#include <vector>

namespace gearcalc::text {

enum Id : uint32_t {
#define GEARCALC_TEXT(name, literal) name,
#include <gearprog/texts.def>
#undef GEARCALC_TEXT
    kCount
};

// The texts themselves, in constant-table order: only for packing the image.
std::vector<std::string_view> definitions();

} // namespace gearcalc::text

// The number constants, which follow the texts in the constant table; a
// routine reads one with `rt.Number(number::kPi)`.
namespace gearcalc::number {

enum Id : uint32_t {
    kSlack = text::kCount, // tolerance of every range and form comparison
    kPi,                   // pi as the program computes with it
    kHalfTurn,             // degrees in half a turn
    kEnd
};

// Their values, in order: only for packing the image.
inline constexpr double kValues[] = {1e-7, 3.1415926535, 180.0};
static_assert(std::size(kValues) == static_cast<uint32_t>(kEnd) - static_cast<uint32_t>(text::kCount));

} // namespace gearcalc::number

// The inspection card's texts, after the numbers and the print-start
// command's empty byte set; a routine reads one with
// `rt.Const(card_text::kTitle)`.
namespace gearcalc::card_text {

enum Id : uint32_t {
    kFirst = number::kEnd + 1, // after the byte set
    kBeforeFirst_ = kFirst - 1,
#define GEARCALC_CARD_TEXT(name, literal) name,
#include <gearprog/card_texts.def>
#undef GEARCALC_CARD_TEXT
    kEnd
};

// The texts themselves, in constant-table order: only for packing the
// image, and for tests that lay out a card without a runtime.
std::vector<std::string_view> definitions();

} // namespace gearcalc::card_text
