// A PDF module as an older or newer build of gearcalc-report would leave
// it: the same entry, another interface. It answers as every module must
// when the call is not of its interface.
#include <cstdint>

namespace {
// The fields every interface keeps at the start of the call.
struct CallStart {
    std::uint32_t caller_interface;
    std::uint32_t call_size;
    std::uint32_t module_interface;
};
} // namespace

extern "C" __attribute__((visibility("default"))) std::int32_t gearcalc_card_pdf(CallStart* call)
{
    call->module_interface = 9999;
    return 2;
}
