// The service table every host hands out. Each slot finds its Host from the
// environment and forwards to the member of the same signature; nothing
// thrown inside the runtime (only allocation can throw) crosses the table.
#include <gearhost/host.hpp>

#include <cstdlib>

namespace gr {

namespace {

gr_status svcErrorTrap(gr_env* env, gr_status code, const char* message, uint32_t len) noexcept
{
    try {
        return Host::of(env).reportError(code, std::string_view(message != nullptr ? message : "", message ? len : 0));
    } catch (...) {
        return GR_ERR_OUT_OF_MEMORY;
    }
}

template <auto Member>
struct Slot;
template <typename... Args, gr_status (Host::*Member)(Args...)>
struct Slot<Member> {
    static gr_status call(gr_env* env, Args... args) noexcept
    {
        try {
            return (Host::of(env).*Member)(args...);
        } catch (...) {
            return GR_ERR_OUT_OF_MEMORY;
        }
    }
};

void* svcAllocate(gr_env* env, size_t size) noexcept
{
    return Host::of(env).allocate(size);
}

void svcRelease(gr_env* env, void* block) noexcept
{
    Host::of(env).release(block);
}

void svcExit(gr_env* env, int32_t code) noexcept
{
    try {
        Host::of(env).exitProgram(code);
    } catch (...) {
        std::_Exit(code);
    }
}

const gr_services kServices = {
    sizeof(gr_services),
    GR_INTERFACE_VERSION,
    svcErrorTrap,
    nullptr,
    Slot<&Host::callLibrary>::call,
    Slot<&Host::callCore>::call,
    Slot<&Host::getProperty>::call,
    Slot<&Host::setProperty>::call,
    svcAllocate,
    nullptr,
    svcRelease,
    svcExit,
    Slot<&Host::messageLoop>::call,
    Slot<&Host::createWindow>::call,
    Slot<&Host::initialise>::call,
    Slot<&Host::constantText>::call,
    Slot<&Host::controlRef>::call,
    Slot<&Host::constantNumber>::call,
    Slot<&Host::routineValue>::call,
    Slot<&Host::callLibraryEntry>::call,
    Slot<&Host::windowMonitor>::call,
    Slot<&Host::contextMenuEntry>::call,
    Slot<&Host::programSizes>::call,
};

} // namespace

const gr_services* serviceTable()
{
    return &kServices;
}

} // namespace gr
