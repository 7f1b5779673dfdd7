// The visual-style support library. Command 0 switches the window's
// controls to the platform's themed look when given 1, back to the plain
// look when given 0.
#include <gearrt/library.h>

namespace {

gr_status command(const gr_library_host* host, int32_t cmd, const gr_value* args, int32_t nargs,
                  gr_value* result) noexcept
{
    if (result != nullptr) *result = gr_value{};
    if (cmd != GR_STYLE_CMD_ENABLE_VISUAL_STYLE) return GR_ERR_NO_SUCH_COMMAND;
    if (nargs != 1 || args == nullptr) return GR_ERR_BAD_ARGUMENT;
    int64_t on = 0;
    switch (args[0].kind) {
    case GR_KIND_BYTE: case GR_KIND_SHORT: case GR_KIND_INT: case GR_KIND_LONG: case GR_KIND_BOOL:
        on = args[0].u.i;
        break;
    // Any number will do, truncated toward zero like every number the
    // runtime takes as an integer (so 0.5 is 0, and NaN is 0).
    case GR_KIND_FLOAT: on = args[0].u.f >= 1.0f || args[0].u.f <= -1.0f; break;
    case GR_KIND_DOUBLE: on = args[0].u.d >= 1.0 || args[0].u.d <= -1.0; break;
    default:
        return GR_ERR_NUMBER_EXPECTED;
    }
    if (host == nullptr || host->struct_size < sizeof(gr_library_host) || host->set_visual_style == nullptr)
        return GR_ERR_BAD_ARGUMENT;
    host->set_visual_style(host->ctx, on != 0 ? 1 : 0);
    return GR_OK;
}

const gr_library_info kInfo = {sizeof(gr_library_info), GR_LIBRARY_INTERFACE_VERSION, "stylx", 2, 0, command};

} // namespace

extern "C" GR_LIBRARY_EXPORT const gr_library_info* gr_library(void)
{
    return &kInfo;
}
