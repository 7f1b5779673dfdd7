// The window: message boxes, edit-box text, combo-box items, the screen,
// the cursor, placing and closing the window.
#include "command_call.hpp"
#include <gearhost/conversions.hpp>
#include <gearhost/host.hpp>

#include <optional>

namespace gr {

namespace {

gr_status showMessage(CommandCall& call)
{
    std::string_view text;
    if (gr_status st = call.text(0, text)) return st;
    MessageRequest request;
    request.text = std::string(text);
    if (call.given(1)) {
        double style = 0;
        if (gr_status st = call.number(1, style)) return st;
        request.style = conv::toInt32(style);
    }
    if (call.count() >= 3 && call.arg(2).kind == GR_KIND_TEXT)
        request.caption.assign(call.arg(2).u.text.data, call.arg(2).u.text.len);
    FormModel& model = call.host.model();
    if (request.caption.empty() && call.host.windowBuilt() && !model.controls().empty())
        request.caption = model.controls().front().text;
    return call.returnValue(intValue(call.host.dialogs().message(call.host.windowSystem(), request)));
}

gr_status appendText(CommandCall& call)
{
    ControlState* c = nullptr;
    std::string_view text;
    if (gr_status st = call.control(0, c)) return st;
    if (gr_status st = call.text(1, text)) return st;
    if (c->kind != form::kEditBox) return call.bad("控件不是编辑框");
    c->text.append(text);
    c->caret = c->text.size(); // the box then shows what was appended
    call.host.windowSystem().appended(*c, text);
    return GR_OK;
}

gr_status itemText(CommandCall& call)
{
    ControlState* c = nullptr;
    double index = 0;
    if (gr_status st = call.control(0, c)) return st;
    if (gr_status st = call.number(1, index)) return st;
    const int32_t i = conv::toInt32(index);
    if (i < 0 || static_cast<size_t>(i) >= c->items.size()) return call.returnText("");
    return call.returnText(c->items[static_cast<size_t>(i)]);
}

gr_status screenWidth(CommandCall& call) { return call.returnValue(intValue(call.host.windowSystem().screenWidth())); }
gr_status cursorX(CommandCall& call) { return call.returnValue(intValue(call.host.windowSystem().cursor().x)); }
gr_status cursorY(CommandCall& call) { return call.returnValue(intValue(call.host.windowSystem().cursor().y)); }

gr_status clientSize(CommandCall& call)
{
    ControlState* c = nullptr;
    if (gr_status st = call.control(0, c)) return st;
    const Size s = call.host.windowSystem().clientSize();
    return call.returnValue(intValue(call.command == GR_CMD_CLIENT_WIDTH ? s.width : s.height));
}

// An optional coordinate: nothing when it was left out.
gr_status coordinate(CommandCall& call, int32_t i, std::optional<int>& out)
{
    if (!call.given(i)) return GR_OK;
    double v = 0;
    if (gr_status st = call.number(i, v)) return st;
    out = conv::toInt32(v);
    return GR_OK;
}

gr_status placeWindow(CommandCall& call)
{
    ControlState* c = nullptr;
    if (gr_status st = call.control(0, c)) return st;
    std::optional<int> left, top;
    if (gr_status st = coordinate(call, 1, left)) return st;
    if (gr_status st = coordinate(call, 2, top)) return st;
    call.host.windowSystem().placeWindow(left, top);
    return GR_OK;
}

gr_status closeMainWindow(CommandCall& call)
{
    ControlState* c = nullptr;
    if (gr_status st = call.control(0, c)) return st;
    call.host.windowSystem().closeMainWindow();
    return GR_OK;
}

const CoreCommand kCommands[] = {
    {GR_CMD_SHOW_MESSAGE, "ShowMessage", showMessage},
    {GR_CMD_APPEND_TEXT, "AppendText", appendText},
    {GR_CMD_ITEM_TEXT, "ItemText", itemText},
    {GR_CMD_SCREEN_WIDTH, "ScreenWidth", screenWidth},
    {GR_CMD_CURSOR_X, "CursorX", cursorX},
    {GR_CMD_CURSOR_Y, "CursorY", cursorY},
    {GR_CMD_CLIENT_WIDTH, "ClientSize", clientSize},
    {GR_CMD_CLIENT_HEIGHT, "ClientSize", clientSize},
    {GR_CMD_PLACE_WINDOW, "PlaceWindow", placeWindow},
    {GR_CMD_CLOSE_MAIN_WINDOW, "CloseMainWindow", closeMainWindow},
};

} // namespace

std::span<const CoreCommand> windowCommands() { return kCommands; }

static_assert(kEdgeLeft == GR_EDGE_LEFT && kEdgeTop == GR_EDGE_TOP && kEdgeRight == GR_EDGE_RIGHT &&
              kEdgeBottom == GR_EDGE_BOTTOM);

gr_status Host::windowMonitor(uint32_t window, gr_monitor* out)
{
    if (out == nullptr) return GR_ERR_BAD_ARGUMENT;
    *out = gr_monitor{};
    if (control(window, selfIdentity()) == nullptr) {
        std::string m = "找不到窗口 " + conv::integerToText(window) + "。";
        return reportError(GR_ERR_NO_SUCH_CONTROL, m);
    }
    const MonitorView view = ws_->windowMonitor();
    *out = gr_monitor{view.area.left, view.area.top, view.area.width, view.area.height, view.open_edges};
    return GR_OK;
}

} // namespace gr
