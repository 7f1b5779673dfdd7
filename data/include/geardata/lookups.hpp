// The program's side of the catalogue files: opening them beside the
// program, the item lookup and the pitch-diameter range lookup.
#pragma once

#include <gearrt/api.hpp>

#include <string>
#include <string_view>

namespace gearcalc {

// Opens the three catalogues from the program's folder. Files that could
// not be opened are named, with the reason, in one message box; the
// program goes on without them.
// A file is named once per run, and again only after its state changed (it
// opened in between, or fails in another way).
void OpenCatalogues(const rt::Runtime& rt);

enum class ItemLookup { Found, NotFound, CatalogueUnavailable };

// Makes current the first record of the item catalogue whose 订货编号 equals
// `item_number`, byte for byte. When the item catalogue is not open, says
// so in a message box and answers CatalogueUnavailable.
ItemLookup FindItem(const rt::Runtime& rt, std::string_view item_number);

// Makes current the first record of the range table `table` whose
// range [最小, 最大], widened by 1e-7 at both ends, holds `pitch_diameter`.
// False when no record holds it or the table is not open.
// `table` is text::kDeviationAlias or text::kToleranceAlias.
bool FindDiameterRow(const rt::Runtime& rt, uint32_t table, double pitch_diameter);

} // namespace gearcalc
