// Text and number conversions, rounding and the mathematics commands.
#include "command_call.hpp"
#include <gearhost/conversions.hpp>

#include <cmath>

namespace gr {

namespace {

gr_status textToNumber(CommandCall& call)
{
    std::string_view text;
    if (gr_status st = call.text(0, text)) return st;
    return call.returnValue(doubleValue(conv::textToNumber(text)));
}

gr_status valueToText(CommandCall& call)
{
    if (call.count() < 1) return call.bad("缺少参数");
    const gr_value& v = call.arg(0);
    switch (v.kind) {
    case GR_KIND_TEXT: return call.returnText(std::string_view(v.u.text.data, v.u.text.len));
    case GR_KIND_BYTE: case GR_KIND_SHORT: case GR_KIND_INT: case GR_KIND_LONG:
        return call.returnText(conv::integerToText(v.u.i));
    case GR_KIND_FLOAT: return call.returnText(conv::floatToText(v.u.f));
    case GR_KIND_DOUBLE: return call.returnText(conv::doubleToText(v.u.d));
    case GR_KIND_BOOL: return call.returnText(v.u.i != 0 ? "真" : "假");
    default: return call.bad(std::string("不能转换") + kindName(v.kind));
    }
}

gr_status numberToNameText(CommandCall& call)
{
    double x = 0;
    if (gr_status st = call.number(0, x)) return st;
    const bool simplified = call.given(1) && call.arg(1).u.i != 0;
    return call.returnText(conv::numberToNameText(x, simplified));
}

gr_status roundTo(CommandCall& call)
{
    double x = 0, places = 0;
    if (gr_status st = call.number(0, x)) return st;
    if (call.given(1))
        if (gr_status st = call.number(1, places)) return st;
    return call.returnValue(doubleValue(conv::roundTo(x, conv::toInt32(places))));
}

template <double (*F)(double)>
gr_status mathematics(CommandCall& call)
{
    double x = 0;
    if (gr_status st = call.number(0, x)) return st;
    return call.returnValue(doubleValue(F(x)));
}

double absolute(double x) { return std::fabs(x); }
double cosine(double x) { return std::cos(x); }
double tangent(double x) { return std::tan(x); }
double arcTangent(double x) { return std::atan(x); }

const CoreCommand kCommands[] = {
    {GR_CMD_TEXT_TO_NUMBER, "TextToNumber", textToNumber},
    {GR_CMD_VALUE_TO_TEXT, "ValueToText", valueToText},
    {GR_CMD_NUMBER_TO_NAME_TEXT, "NumberToNameText", numberToNameText},
    {GR_CMD_ROUND_TO, "RoundTo", roundTo},
    {GR_CMD_ABS, "Abs", mathematics<absolute>},
    {GR_CMD_COS, "Cos", mathematics<cosine>},
    {GR_CMD_TAN, "Tan", mathematics<tangent>},
    {GR_CMD_ATAN, "Atan", mathematics<arcTangent>},
};

} // namespace

std::span<const CoreCommand> conversionCommands() { return kCommands; }

} // namespace gr
