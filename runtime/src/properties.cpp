// Reading and writing control properties by number. Which kind has which
// property is the frozen table in gearrt/properties.hpp.
#include "commands/command_call.hpp"
#include <gearhost/conversions.hpp>
#include <gearhost/host.hpp>

#include <gearrt/properties.hpp>

#include <cstdio>

namespace gr {

namespace {

std::string noSuchControl(uint32_t window, uint32_t identity)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "找不到窗口 0x%08X 的控件 0x%08X。", window, identity);
    return buf;
}

std::string controlName(const ControlState& c) { return c.element ? c.element->name : std::string(); }

} // namespace

gr_status Host::getProperty(uint32_t window, uint32_t identity, int32_t property, gr_value* result)
{
    gr_value scratch{};
    if (result == nullptr) result = &scratch;
    *result = gr_value{};
    ControlState* c = control(window, identity);
    if (c == nullptr) return reportError(GR_ERR_NO_SUCH_CONTROL, noSuchControl(window, identity));
    if (!properties::has(c->kind, property)) {
        std::string m = "控件“" + controlName(*c) + "”没有属性 " + conv::integerToText(property) + "。";
        return reportError(GR_ERR_NO_SUCH_PROPERTY, m);
    }
    CommandCall call(*this, 0, "GetProperty", nullptr, 0, result);
    switch (property) {
    case kPropLeft: return call.returnValue(intValue(ws_->windowRect().left));
    case kPropTop: return call.returnValue(intValue(ws_->windowRect().top));
    case kPropWidth: return call.returnValue(intValue(ws_->windowRect().width));
    case kPropHeight: return call.returnValue(intValue(ws_->windowRect().height));
    case kPropDisabled: return call.returnValue(intValue(c->disabled ? 1 : 0));
    case kPropText: return call.returnText(c->text);
    case kPropEditTextColour:
    case kPropLabelTextColour: return call.returnValue(intValue(c->text_colour));
    case kPropPrinterFont: return call.returnValue(doubleValue(c->font_size));
    case kPropChecked: return call.returnValue(intValue(c->checked));
    case kPropSelectedIndex: return call.returnValue(intValue(c->selected_index));
    default: return GR_OK;
    }
}

gr_status Host::setProperty(uint32_t window, uint32_t identity, int32_t property, int32_t sub_field,
                            const gr_value* value)
{
    ControlState* c = control(window, identity);
    if (c == nullptr) return reportError(GR_ERR_NO_SUCH_CONTROL, noSuchControl(window, identity));
    if (!properties::settable(c->kind, property) || value == nullptr) {
        std::string m = "不能设置控件“" + controlName(*c) + "”的属性 " + conv::integerToText(property) + "。";
        return reportError(GR_ERR_NO_SUCH_PROPERTY, m);
    }
    // The operation's name is only needed for an error message: made when
    // the value has the wrong kind, not on every call.
    const auto wrongKind = [&](auto check) {
        const std::string op = "SetProperty " + conv::integerToText(property);
        CommandCall call(*this, 0, op.c_str(), value, 1, nullptr);
        return check(call);
    };
    if (properties::carries(property) == properties::Carries::Text) {
        if (value->kind != GR_KIND_TEXT) {
            std::string_view ignored;
            return wrongKind([&](CommandCall& call) { return call.text(0, ignored); });
        }
        c->text.assign(value->u.text.data, value->u.text.len);
        c->caret = 0;
        ws_->refresh(*c, property);
        return GR_OK;
    }
    if (!isNumeric(value->kind)) {
        double ignored = 0;
        return wrongKind([&](CommandCall& call) { return call.number(0, ignored); });
    }
    const double number = widen(*value);
    switch (property) {
    case kPropDisabled: c->disabled = number != 0; break;
    case kPropEditTextColour:
    case kPropLabelTextColour: c->text_colour = static_cast<uint32_t>(static_cast<int64_t>(number)); break;
    case kPropPrinterFont:
        if (sub_field == kFontSizeSubField) c->font_size = number;
        break;
    case kPropChecked: c->checked = conv::toInt32(number) != 0 ? 1 : 0; break;
    case kPropSelectedIndex: c->select(conv::toInt32(number)); break;
    default: break;
    }
    ws_->refresh(*c, property);
    return GR_OK;
}

} // namespace gr
