// The program's side of the catalogue files: opening them beside the
// program, the item lookup and the pitch-diameter range lookup.
#pragma once

#include <gearrt/api.hpp>

#include <string>
#include <string_view>

// The record-search conditions, exported as routines: the item number, and
// a diameter range of the allowance and of the tolerance table.
extern "C" {
gr_status gc_cond_item(gr_env*, void*, const gr_value*, int32_t, gr_value*) noexcept;
gr_status gc_cond_deviation_row(gr_env*, void*, const gr_value*, int32_t, gr_value*) noexcept;
gr_status gc_cond_tolerance_row(gr_env*, void*, const gr_value*, int32_t, gr_value*) noexcept;
}

namespace gearcalc {

// Opens the three catalogues from the program's folder. Files that could
// not be opened are named, with the reason, in one message box; the
// program goes on without them. A file is named once per run, and again
// only after its state changed (it opened in between, or fails otherwise).
void OpenCatalogues(const rt::Runtime& rt);

enum class ItemLookup { Found, NotFound, CatalogueUnavailable };

// Makes current the first record of the item catalogue whose 订货编号 equals
// the text of 货号编辑框, byte for byte. When the item catalogue is not open,
// says so in a message box and answers CatalogueUnavailable.
ItemLookup FindItem(const rt::Runtime& rt);

// Makes current the first record of the range table `table` whose
// range [最小, 最大], widened by 1e-7 at both ends, holds the pitch diameter
// m × z / cos β (β taken from `helix_text`, in degrees). False when no
// record holds it or the table is not open.
// `table` is text::kDeviationAlias or text::kToleranceAlias.
bool FindDiameterRow(const rt::Runtime& rt, uint32_t table, std::string_view helix_text);

// The pitch diameter d = (m × z) / cos(β) from the current inputs.
double PitchDiameter(const rt::Runtime& rt, std::string_view helix_text);

} // namespace gearcalc
