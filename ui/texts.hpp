// Names of the program's texts. The texts themselves live in the program
// image's constant pool; a routine reads one with `rt.Const(text::kModule)`.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace gearcalc::text {

enum Id : uint32_t {
#define GEARCALC_TEXT(name, literal) name,
#include "texts.def"
#undef GEARCALC_TEXT
    kCount
};

// The texts themselves, in constant-table order: only for packing the image.
std::vector<std::string_view> definitions();

} // namespace gearcalc::text
