#include "values.hpp"

namespace gr {

const char* kindName(int32_t kind)
{
    switch (kind) {
    case GR_KIND_NONE: return "无值";
    case GR_KIND_TEXT: return "文本";
    case GR_KIND_BYTE: return "字节型";
    case GR_KIND_SHORT: return "短整数";
    case GR_KIND_INT: return "整数";
    case GR_KIND_LONG: return "长整数";
    case GR_KIND_FLOAT: return "小数";
    case GR_KIND_DOUBLE: return "双精度小数";
    case GR_KIND_BOOL: return "逻辑值";
    case GR_KIND_ROUTINE: return "子程序";
    case GR_KIND_CONTROL: return "控件";
    case GR_KIND_BYTESET: return "字节集";
    default: return "未知类型";
    }
}

std::string valueDescription(const gr_value& v)
{
    std::string s = kindName(v.kind);
    if (v.kind == GR_KIND_TEXT) {
        s += "“";
        s.append(v.u.text.data, v.u.text.len);
        s += "”";
    }
    return s;
}

} // namespace gr
