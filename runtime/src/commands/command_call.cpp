#include "command_call.hpp"

#include <gearhost/conversions.hpp>
#include <gearhost/host.hpp>

#include <array>
#include <cstdio>
#include <cstring>

namespace gr {

gr_status CommandCall::bad(std::string_view what)
{
    std::string m = "运行时命令“";
    m += name;
    m += "”的参数不对：";
    m += what;
    return host.reportError(GR_ERR_BAD_ARGUMENT, m);
}

namespace {

// "运行时命令“<op>”需要<wanted>，但读到的是<value>。"
std::string wrongKind(const char* op, const char* wanted, const gr_value& v)
{
    std::string m = "运行时命令“";
    m += op;
    m += "”需要";
    m += wanted;
    m += "，但读到的是";
    m += valueDescription(v);
    m += "。";
    return m;
}

} // namespace

gr_status CommandCall::number(int32_t i, double& out)
{
    if (i >= nargs_) return bad("缺少数字参数");
    const gr_value& v = args_[i];
    if (!isNumeric(v.kind)) return host.reportError(GR_ERR_NUMBER_EXPECTED, wrongKind(name, "数字", v));
    out = widen(v);
    return GR_OK;
}

gr_status CommandCall::text(int32_t i, std::string_view& out)
{
    if (i >= nargs_) return bad("缺少文本参数");
    const gr_value& v = args_[i];
    if (v.kind != GR_KIND_TEXT) return host.reportError(GR_ERR_TEXT_EXPECTED, wrongKind(name, "文本", v));
    out = std::string_view(v.u.text.data, v.u.text.len);
    return GR_OK;
}

gr_status CommandCall::control(int32_t i, ControlState*& out)
{
    if (i >= nargs_ || args_[i].kind != GR_KIND_CONTROL) return bad("缺少控件参数");
    const gr_control_ref& ref = args_[i].u.control;
    out = host.control(ref.window, ref.control);
    if (out != nullptr) return GR_OK;
    char buf[16];
    std::snprintf(buf, sizeof buf, "%08X", ref.control);
    std::string m = "运行时命令“";
    m += name;
    m += "”找不到控件 0x";
    m += buf;
    m += "。";
    return host.reportError(GR_ERR_NO_SUCH_CONTROL, m);
}

gr_status CommandCall::returnText(std::string_view text)
{
    char* p = static_cast<char*>(host.allocate(text.size() + 1));
    if (p == nullptr) return host.reportError(GR_ERR_OUT_OF_MEMORY, "内存不足。");
    if (!text.empty()) std::memcpy(p, text.data(), text.size());
    p[text.size()] = '\0';
    *result_ = gr_value{};
    result_->kind = GR_KIND_TEXT;
    result_->u.text.data = p;
    result_->u.text.len = static_cast<uint32_t>(text.size());
    return GR_OK;
}

const CoreCommand* findCoreCommand(int32_t number)
{
    // Built once: every command by its number.
    static const std::array<const CoreCommand*, GR_CMD_COUNT_> table = [] {
        std::array<const CoreCommand*, GR_CMD_COUNT_> t{};
        for (std::span<const CoreCommand> group : {conversionCommands(), databaseCommands(), windowCommands(), printCommands()})
            for (const CoreCommand& c : group) t[static_cast<size_t>(c.number)] = &c;
        return t;
    }();
    if (number < 0 || number >= GR_CMD_COUNT_) return nullptr;
    return table[static_cast<size_t>(number)];
}

} // namespace gr
