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
    img::Program p;
    p.form = gearcalc::mainWindowForm();
    for (const gr::RoutineEntry& r : gearcalc::routineTable()) p.routines.emplace_back(r.name);
    p.start_routine = gearcalc::kStartRoutine;
    // Routines the program passes as values: the three record-search
    // conditions, and the exit routine handed to the runtime at start.
    for (uint32_t r : {gearcalc::kCondItem, gearcalc::kCondDeviationRow, gearcalc::kCondToleranceRow})
        p.routine_values.push_back(r);
    p.routine_values.push_back(gearcalc::kExitRoutine);
    p.constants = programConstants();
    p.library_calls.push_back({GR_LIB_STYLE, GR_STYLE_CMD_ENABLE_VISUAL_STYLE});
    return p;
}

} // namespace imgtool
