// Printing: the print dialog, font sizes, placed texts, sending the job.
#include "command_call.hpp"
#include <gearhost/conversions.hpp>
#include <gearhost/host.hpp>

#include <cmath>
#include <vector>

namespace gr {

namespace {

// The printer control a print command names.
gr_status printer(CommandCall& call, ControlState*& c)
{
    if (gr_status st = call.control(0, c)) return st;
    if (c->kind != form::kPrinter) return call.bad("控件不是打印机");
    return GR_OK;
}

gr_status beginPrint(CommandCall& call)
{
    ControlState* c = nullptr;
    if (gr_status st = printer(call, c)) return st;
    const PrintAnswer answer = call.host.dialogs().print(call.host.windowSystem(), c->text);
    if (!answer.accepted) {
        call.host.spooler().cancel();
        return call.returnValue(boolValue(false));
    }
    call.host.spooler().begin(c->text, answer, c->font_size);
    return call.returnValue(boolValue(true));
}

gr_status setPrintFontSize(CommandCall& call)
{
    ControlState* c = nullptr;
    double size = 0;
    if (gr_status st = call.control(0, c)) return st;
    if (gr_status st = call.number(1, size)) return st;
    c->font_size = size;
    call.host.spooler().setFontSize(size);
    return GR_OK;
}

gr_status printText(CommandCall& call)
{
    ControlState* c = nullptr;
    double x = 0, y = 0;
    std::string_view text;
    if (gr_status st = call.control(0, c)) return st;
    if (gr_status st = call.number(1, x)) return st;
    if (gr_status st = call.number(2, y)) return st;
    if (gr_status st = call.text(3, text)) return st;
    call.host.spooler().place(conv::toInt32(x), conv::toInt32(y), std::string(text));
    return GR_OK;
}

// A coordinate or pen width: any finite number (an infinite or NaN one
// would reach the device as garbage).
gr_status pageNumber(CommandCall& call, int32_t index, double& out)
{
    if (gr_status st = call.number(index, out)) return st;
    if (!std::isfinite(out)) return call.bad("打印位置不是有限的数");
    return GR_OK;
}

gr_status printLine(CommandCall& call)
{
    ControlState* c = nullptr;
    double v[5] = {};
    if (gr_status st = printer(call, c)) return st;
    for (int32_t i = 0; i < 5; ++i)
        if (gr_status st = pageNumber(call, i + 1, v[i])) return st;
    call.host.spooler().draw({PagePoint{v[0], v[1]}, PagePoint{v[2], v[3]}}, v[4]);
    return GR_OK;
}

gr_status printPolyline(CommandCall& call)
{
    ControlState* c = nullptr;
    double width = 0;
    if (gr_status st = printer(call, c)) return st;
    if (gr_status st = pageNumber(call, 1, width)) return st;
    const int32_t coordinates = call.count() - 2;
    if (coordinates < 4 || coordinates % 2 != 0 || coordinates / 2 > GR_MAX_POLYLINE_POINTS)
        return call.bad("折线需要 2 到 4096 个点，每点两个坐标");
    std::vector<PagePoint> points(static_cast<std::size_t>(coordinates / 2));
    for (int32_t i = 0; i < coordinates / 2; ++i) {
        if (gr_status st = pageNumber(call, 2 + 2 * i, points[i].x)) return st;
        if (gr_status st = pageNumber(call, 3 + 2 * i, points[i].y)) return st;
    }
    call.host.spooler().draw(std::move(points), width);
    return GR_OK;
}

gr_status endPrint(CommandCall& call)
{
    ControlState* c = nullptr;
    if (gr_status st = call.control(0, c)) return st;
    const std::optional<bool> sent = call.host.spooler().end(call.host.windowSystem());
    if (!sent) return call.returnValue(boolValue(false));
    if (!*sent) return call.host.reportError(GR_ERR_BAD_ARGUMENT, "打印失败：无法把打印任务送到打印机或文件。");
    return call.returnValue(boolValue(true));
}

const CoreCommand kCommands[] = {
    {GR_CMD_BEGIN_PRINT, "BeginPrint", beginPrint},
    {GR_CMD_SET_PRINT_FONT_SIZE, "SetPrintFontSize", setPrintFontSize},
    {GR_CMD_PRINT_TEXT, "PrintText", printText},
    {GR_CMD_END_PRINT, "EndPrint", endPrint},
    {GR_CMD_PRINT_LINE, "PrintLine", printLine},
    {GR_CMD_PRINT_POLYLINE, "PrintPolyline", printPolyline},
};

} // namespace

std::span<const CoreCommand> printCommands() { return kCommands; }

} // namespace gr
