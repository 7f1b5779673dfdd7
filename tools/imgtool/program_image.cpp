#include "imgtool.hpp"

#include "../../calc/report_texts.hpp"
#include "../../data/lookups.hpp"
#include "../../ui/controls.hpp"
#include "../../ui/routines.hpp"

#include <gearrt/services.h>

namespace imgtool {

namespace {

namespace img = gr::image;
namespace t = gearcalc::text;

// Routines that the program passes as values but that have no event of
// their own: the record-search conditions of the calculation.
constexpr const char* kConditions[] = {"cond_item", "cond_deviation_row", "cond_tolerance_row"};

// The constant table, in the order the routines refer to it by index.
std::vector<img::Constant> programConstants()
{
    std::vector<img::Constant> c;
    for (std::string_view s :
         {t::kBasicHeader,    t::kModule,          t::kTeeth,           t::kPressureAngle,
          t::kHelixAngle,     t::kDegree,          t::kDegreeBreak,     t::kResultsHeader,
          t::kPitchDiameter,  t::kTipDiameter,     t::kRootDiameter,    t::kBaseDiameter,
          t::kAddendum,       t::kDedendum,        t::kWholeDepth,      t::kSpan,
          t::kTeethSpanned,   t::kAccuracyHeader,  t::kNoGrade,         t::kGrade,
          t::kGradeSuffix,    t::kUpperDeviation,  t::kMakerSpan,       t::kLowerDeviation,
          t::kTolerance,      t::kMakerLowerDeviation, t::kOutOfTable,  t::kItemNotFound,
          gearcalc::kDeviationFile, gearcalc::kDeviationAlias, gearcalc::kToleranceFile,
          gearcalc::kToleranceAlias, gearcalc::kItemFile, gearcalc::kItemAlias}) {
        c.push_back(img::Constant::ofText(std::string(s)));
    }
    // The numbers of the range lookup: the slack at both ends of a range,
    // and pi and 180 for turning degrees into radians.
    for (double v : {1e-7, 3.1415926535, 180.0}) c.push_back(img::Constant::ofNumber(v));
    // The print-start command's empty option set.
    c.push_back(img::Constant::emptyByteSet());
    return c;
}

} // namespace

gr::image::Program programImage()
{
    const gr::ProgramDescription& d = gearcalc::programDescription();
    img::Program p;
    p.form = *d.form;
    for (size_t i = 0; i < d.routine_count; ++i) p.routines.emplace_back(d.routines[i].name);
    p.start_routine = d.start_routine;
    const auto first_condition = static_cast<uint32_t>(p.routines.size());
    for (const char* name : kConditions) p.routines.emplace_back(name);
    for (uint32_t i = 0; i < std::size(kConditions); ++i) p.routine_values.push_back(first_condition + i);
    p.routine_values.push_back(gearcalc::kExitRoutine); // handed to the runtime at start
    p.constants = programConstants();
    p.library_calls.push_back({GR_LIB_STYLE, GR_STYLE_CMD_ENABLE_VISUAL_STYLE});
    return p;
}

} // namespace imgtool
