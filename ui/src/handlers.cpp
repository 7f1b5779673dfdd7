// The window's event handlers: start-up, the input-mode toggles, the
// Enter key, printing, exit and the screen-edge collapse; and the start
// and exit routines of the program.
#include <gearui/collapse.hpp>
#include <gearprog/controls.hpp>
#include <gearprog/routines.hpp>
#include <gearui/program.hpp>

#include <gearcalc/calculation.hpp>
#include <geardata/lookups.hpp>

#include <initializer_list>
#include <string_view>

namespace gearcalc {

namespace {

using rt::Runtime;

void colour(const Runtime& rt, std::initializer_list<uint32_t> labels, int64_t value)
{
    for (uint32_t l : labels) rt.SetProperty(rt.Ctl(l), prop::kLabelTextColour, value);
}

// Enables (disabled = 0) or disables (1) controls.
void disable(const Runtime& rt, std::initializer_list<uint32_t> controls, int64_t value)
{
    for (uint32_t c : controls) rt.SetProperty(rt.Ctl(c), prop::kDisabled, value);
}

bool ticked(const Runtime& rt, uint32_t control)
{
    return rt.GetPropertyInt(rt.Ctl(control), prop::kChecked) == 1;
}

void decimalDegreesOpen(const Runtime& rt)
{
    disable(rt, {slot::度数编辑框}, 0);
    colour(rt, {slot::度数标签}, kBlack);
    disable(rt, {slot::度编辑框, slot::分编辑框, slot::秒编辑框}, 1);
    colour(rt, {slot::度标签, slot::分标签, slot::秒标签}, kLightGrey);
}

void degreesMinutesSecondsOpen(const Runtime& rt)
{
    disable(rt, {slot::度编辑框, slot::分编辑框, slot::秒编辑框}, 0);
    colour(rt, {slot::度标签, slot::分标签, slot::秒标签}, kBlack);
    disable(rt, {slot::度数选择框}, 0);
}

void startup(const Runtime& rt, const gr_value*, int32_t)
{
    rt.CallLibrary(call::kEnableVisualStyle, {rt::detail::integer(1)});
    colour(rt, {slot::模数标签, slot::齿数标签, slot::压力角标签, slot::螺旋角标签, slot::精度标签, slot::上偏差标签, slot::公差标签},
           kBlack);
    disable(rt, {slot::模数编辑框, slot::齿数编辑框, slot::压力角编辑框, slot::直齿单选框, slot::斜齿单选框, slot::精度组合框,
                 slot::齿厚偏差组合框, slot::齿厚公差组合框},
            0);
    disable(rt, {slot::度编辑框, slot::分编辑框, slot::秒编辑框, slot::度数选择框, slot::度数编辑框, slot::货号编辑框}, 1);
    colour(rt, {slot::度标签, slot::分标签, slot::秒标签, slot::度数标签}, kLightGrey);
    OpenCatalogues(rt);
    OfferInspectionCard(rt);
}

void itemToggle(const Runtime& rt, const gr_value* args, int32_t nargs)
{
    if (ticked(rt, slot::货号选择框)) {
        colour(rt, {slot::模数标签, slot::齿数标签, slot::压力角标签, slot::螺旋角标签, slot::度标签, slot::分标签, slot::秒标签,
                    slot::度数标签, slot::精度标签, slot::上偏差标签, slot::公差标签},
               kLightGrey);
        disable(rt, {slot::模数编辑框, slot::齿数编辑框, slot::压力角编辑框, slot::直齿单选框, slot::斜齿单选框, slot::度编辑框,
                     slot::分编辑框, slot::秒编辑框, slot::度数选择框, slot::度数编辑框, slot::精度组合框, slot::齿厚偏差组合框,
                     slot::齿厚公差组合框},
                1);
        disable(rt, {slot::货号编辑框}, 0);
        return;
    }
    startup(rt, args, nargs);
    const bool helical = rt.GetPropertyInt(rt.Ctl(slot::斜齿单选框), prop::kChecked) == 1;
    if (helical && !ticked(rt, slot::度数选择框)) {
        degreesMinutesSecondsOpen(rt);
    } else if (helical) {
        decimalDegreesOpen(rt);
        disable(rt, {slot::度数选择框}, 0);
    }
}

void spurSelected(const Runtime& rt, const gr_value*, int32_t)
{
    disable(rt, {slot::度编辑框, slot::分编辑框, slot::秒编辑框, slot::度数选择框, slot::度数编辑框}, 1);
    colour(rt, {slot::度标签, slot::分标签, slot::秒标签, slot::度数标签}, kLightGrey);
}

void helicalSelected(const Runtime& rt, const gr_value*, int32_t)
{
    if (ticked(rt, slot::度数选择框)) {
        disable(rt, {slot::度数选择框}, 0);
        decimalDegreesOpen(rt);
    } else {
        degreesMinutesSecondsOpen(rt);
    }
}

void degreeToggle(const Runtime& rt, const gr_value*, int32_t)
{
    if (ticked(rt, slot::度数选择框)) {
        decimalDegreesOpen(rt);
    } else {
        disable(rt, {slot::度数编辑框}, 1);
        colour(rt, {slot::度数标签}, kMidGrey);
        disable(rt, {slot::度编辑框, slot::分编辑框, slot::秒编辑框}, 0);
        colour(rt, {slot::度标签, slot::分标签, slot::秒标签}, kBlack);
    }
}

void keyPressed(const Runtime& rt, const gr_value* args, int32_t nargs)
{
    if (nargs >= 1 && args[0].kind == GR_KIND_INT && args[0].u.i == 13) Calculate(rt);
}

void calculate(const Runtime& rt, const gr_value*, int32_t)
{
    Calculate(rt);
}

void print(const Runtime& rt, const gr_value*, int32_t)
{
    const rt::Control printer = rt.Ctl(slot::结果打印机);
    rt.BeginPrint(printer, true, true, 2);
    rt.SetPrintFontSize(printer, 27);
    {
        rt::Text title = rt.GetPropertyText(rt.Ctl(slot::窗口), prop::kText);
        rt.PrintText(printer, 700, 180, title);
    }
    rt.SetPrintFontSize(printer, 14);
    {
        rt::Text report = rt.GetPropertyText(rt.Ctl(slot::结果编辑框), prop::kText);
        rt.PrintText(printer, 200, 300, report);
    }
    rt.EndPrint(printer);
}

void exitButton(const Runtime& rt, const gr_value*, int32_t)
{
    rt.CloseMainWindow(rt.Ctl(slot::窗口));
}

void mouseMoved(const Runtime& rt, const gr_value* args, int32_t nargs)
{
    if (!ticked(rt, slot::隐藏选择框)) return;
    const rt::Control window = rt.Ctl(slot::窗口);
    CollapseInput in;
    in.x = nargs >= 1 ? static_cast<int>(args[0].u.i) : 0;
    in.y = nargs >= 2 ? static_cast<int>(args[1].u.i) : 0;
    in.left = static_cast<int>(rt.GetPropertyInt(window, prop::kLeft));
    in.top = static_cast<int>(rt.GetPropertyInt(window, prop::kTop));
    in.width = static_cast<int>(rt.GetPropertyInt(window, prop::kWidth));
    in.height = static_cast<int>(rt.GetPropertyInt(window, prop::kHeight));
    in.client_width = rt.ClientWidth(window);
    in.client_height = rt.ClientHeight(window);
    in.cursor_x = rt.CursorX();
    in.cursor_y = rt.CursorY();
    // The monitor the window is on; a runtime that knows of one screen only
    // gives its width.
    std::optional<Placement> move;
    if (const std::optional<gr_monitor> m = rt.WindowMonitor(window)) {
        in.screen_width = m->width;
        move = collapseStep(in, MonitorEdges{m->left, m->top, m->left + m->width, (m->open_edges & GR_EDGE_LEFT) != 0,
                                             (m->open_edges & GR_EDGE_TOP) != 0, (m->open_edges & GR_EDGE_RIGHT) != 0});
    } else {
        in.screen_width = rt.ScreenWidth();
        move = collapseStep(in);
    }
    if (move) rt.PlaceWindow(window, move->left, move->top);
}

void exitRoutine(const Runtime&, const gr_value*, int32_t) {}

void start(const Runtime& rt, const gr_value*, int32_t)
{
    gr_env* env = rt.env();
    const gr_services* s = env->services;
    s->initialise(env, 3, gr_routine_ref{rt.RoutineValue(value::kExitRoutine), nullptr}); // passed as a value
    if (s->create_window(env, rt.Ctl(slot::窗口).window) == GR_OK) s->message_loop(env, 0);
    s->exit(env, 0);
}

} // namespace

} // namespace gearcalc

// The exported native entries, one per routine, under the names the image
// uses.
#define GEARCALC_HANDLER(symbol, body)                                                                           \
    GEARCALC_ENTRY gr_status symbol(gr_env* env, void* ctx, const gr_value* args,                               \
                                                                      int32_t nargs, gr_value* result) noexcept   \
    {                                                                                                            \
        return rt::entry<gearcalc::body>(env, ctx, args, nargs, result);                                        \
    }

GEARCALC_HANDLER(gc_start, start)
GEARCALC_HANDLER(gc_exit, exitRoutine)
GEARCALC_HANDLER(gc_startup, startup)
GEARCALC_HANDLER(gc_mouse_moved, mouseMoved)
GEARCALC_HANDLER(gc_key_pressed, keyPressed)
GEARCALC_HANDLER(gc_item_toggle, itemToggle)
GEARCALC_HANDLER(gc_spur_selected, spurSelected)
GEARCALC_HANDLER(gc_helical_selected, helicalSelected)
GEARCALC_HANDLER(gc_degree_toggle, degreeToggle)
GEARCALC_HANDLER(gc_calculate, calculate)
GEARCALC_HANDLER(gc_print, print)
GEARCALC_HANDLER(gc_exit_button, exitButton)
#undef GEARCALC_HANDLER

namespace gearcalc {

namespace {

const gr::RoutineEntry kRoutines[kRoutineCount] = {
#define GEARCALC_ROUTINE(id, entry) {#entry, entry},
#include <gearprog/routines.def>
#undef GEARCALC_ROUTINE
};

} // namespace

std::span<const gr::RoutineEntry> routineTable()
{
    return kRoutines;
}

gr_routine_fn findRoutine(const char* name)
{
    if (name == nullptr) return nullptr;
    for (const gr::RoutineEntry& r : kRoutines)
        if (std::string_view(r.name) == name) return r.fn;
    return nullptr;
}

} // namespace gearcalc
