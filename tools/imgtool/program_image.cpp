#include "imgtool.hpp"

#include <gearprog/texts.hpp>
#include <gearprog/main_form.hpp>
#include <gearprog/routines.hpp>

#include <gearrt/services.h>

namespace imgtool {

namespace {

namespace img = gr::image;

// The constant table, in the order the routines refer to it by index.
std::vector<img::Constant> programConstants()
{
    std::vector<img::Constant> c;
    for (std::string_view s : gearcalc::text::definitions()) c.push_back(img::Constant::ofText(std::string(s)));
    // The numbers: the slack at both ends of a range, and pi and 180 for
    // turning degrees into radians.
    for (double v : gearcalc::number::kValues) c.push_back(img::Constant::ofNumber(v));
    // The print-start command's empty option set.
    c.push_back(img::Constant::emptyByteSet());
    // The inspection card's texts, added after everything an earlier
    // version of the program refers to.
    for (std::string_view s : gearcalc::card_text::definitions()) c.push_back(img::Constant::ofText(std::string(s)));
    return c;
}

} // namespace

gr::image::Program programImage()
{
    img::Program p;
    p.form = gearcalc::mainWindowForm();
    for (const char* name : gearcalc::kRoutineNames) p.routines.emplace_back(name);
    p.start_routine = gearcalc::kStartRoutine;
    // Routines the program passes as values: the three record-search
    // conditions, and the exit routine handed to the runtime at start.
    for (uint32_t r : gearcalc::kRoutineValues) p.routine_values.push_back(r);
    p.constants = programConstants();
    p.library_calls.push_back({GR_LIB_STYLE, GR_STYLE_CMD_ENABLE_VISUAL_STYLE}); // call::kEnableVisualStyle
    return p;
}

} // namespace imgtool
