#include <gearprog/texts.hpp>

namespace gearcalc::text {

std::vector<std::string_view> definitions()
{
    return {
#define GEARCALC_TEXT(name, literal) literal,
#include <gearprog/texts.def>
#undef GEARCALC_TEXT
    };
}

} // namespace gearcalc::text

namespace gearcalc::card_text {

std::vector<std::string_view> definitions()
{
    return {
#define GEARCALC_CARD_TEXT(name, literal) literal,
#include <gearprog/card_texts.def>
#undef GEARCALC_CARD_TEXT
    };
}

} // namespace gearcalc::card_text
