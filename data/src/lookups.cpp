#include <geardata/lookups.hpp>

#include <gearprog/controls.hpp>
#include <gearprog/routines.hpp>
#include <gearprog/texts.hpp>

#include <string>

namespace gearcalc {

namespace {

// The field names a condition reads are the program's constants, fetched
// once per search rather than once per record.
struct ItemSearch {
    std::string wanted;           // the item number typed by the user
    std::string_view item_number; // the field holding each record's item number
};

struct RangeSearch {
    double d = 0.0;     // the pitch diameter to bracket
    double slack = 0.0; // how far outside its ends a range still holds
    std::string_view minimum, maximum; // the fields holding a range's ends
};

bool itemMatches(const rt::Runtime& rt, ItemSearch& s)
{
    rt::Text number = rt.ReadText(s.item_number);
    return number.view() == s.wanted;
}

bool rangeHolds(const rt::Runtime& rt, RangeSearch& s)
{
    // 最大 is read only for rows that pass the lower test.
    if (!(rt.ReadNumber(s.minimum) - s.d <= s.slack)) return false;
    return rt.ReadNumber(s.maximum) - s.d >= -s.slack;
}

} // namespace

} // namespace gearcalc

GEARCALC_ENTRY gr_status gc_cond_item(gr_env* env, void* ctx, const gr_value* args, int32_t nargs,
                                       gr_value* result) noexcept
{
    return rt::condition<gearcalc::ItemSearch, gearcalc::itemMatches>(env, ctx, args, nargs, result);
}

GEARCALC_ENTRY gr_status gc_cond_deviation_row(gr_env* env, void* ctx, const gr_value* args, int32_t nargs,
                                                gr_value* result) noexcept
{
    return rt::condition<gearcalc::RangeSearch, gearcalc::rangeHolds>(env, ctx, args, nargs, result);
}

GEARCALC_ENTRY gr_status gc_cond_tolerance_row(gr_env* env, void* ctx, const gr_value* args, int32_t nargs,
                                                gr_value* result) noexcept
{
    return rt::condition<gearcalc::RangeSearch, gearcalc::rangeHolds>(env, ctx, args, nargs, result);
}

namespace gearcalc {

void OpenCatalogues(const rt::Runtime& rt)
{
    static constexpr text::Id kFiles[][2] = {{text::kDeviationFile, text::kDeviationAlias},
                                             {text::kToleranceFile, text::kToleranceAlias},
                                             {text::kItemFile, text::kItemAlias}};
    rt::Text folder = rt.ProgramFolder();
    std::string problems;
    for (const auto& file : kFiles) {
        std::string path(folder.view());
        path += rt.Const(file[0]);
        // A file that stays unopenable is reported once, not at every open.
        if (!rt.OpenDatabase(path, rt.Const(file[1])) && rt.DatabaseStateChanged()) {
            rt::Text why = rt.LastDatabaseError();
            problems += rt.Const(text::kLineBreak);
            problems += rt.Const(file[0]).substr(1); // the file name without the separator
            problems += rt.Const(text::kColon);
            problems += why.view();
        }
    }
    if (!problems.empty()) {
        std::string message(rt.Const(text::kCataloguesNotOpened));
        message += problems;
        message += rt.Const(text::kDirectInputStillWorks);
        rt.ShowMessage(message, 0x10);
    }
}

ItemLookup FindItem(const rt::Runtime& rt, std::string_view item_number)
{
    if (!rt.SelectDatabase(rt.Const(text::kItemAlias))) {
        std::string message(rt.Const(text::kItemCatalogueBefore));
        message += rt.Const(text::kItemFile).substr(1);
        message += rt.Const(text::kItemCatalogueNotOpen);
        rt.ShowMessage(message, 0x10);
        return ItemLookup::CatalogueUnavailable;
    }
    rt.GoFirst();
    ItemSearch search{std::string(item_number), rt.Const(text::kFieldItemNumber)};
    bool found = rt.SearchRecord(rt.RoutineValue(value::kCondItem), &search);
    return found ? ItemLookup::Found : ItemLookup::NotFound;
}

bool FindDiameterRow(const rt::Runtime& rt, uint32_t table, double pitch_diameter)
{
    if (!rt.SelectDatabase(rt.Const(table))) return false;
    rt.GoFirst();
    RangeSearch search{pitch_diameter, rt.Number(number::kSlack), rt.Const(text::kFieldMinimum),
                       rt.Const(text::kFieldMaximum)};
    const value::Id condition = table == text::kToleranceAlias ? value::kCondToleranceRow : value::kCondDeviationRow;
    return rt.SearchRecord(rt.RoutineValue(condition), &search);
}

} // namespace gearcalc
