// What the POSIX and Windows platform layers share: the executable's path
// and loading libraries come from the common platform layer; each system
// adds its settings store and its way of telling the user of a failure.
#pragma once

#include <gearlaunch/launcher.hpp>
#include <gearlaunch/runtime_file.hpp>
#include <gearplat/platform.hpp>

namespace gearlaunch {

class NativePlatform : public Platform {
public:
    char separator() const override { return gearplat::separator(); }
    bool isSeparator(char c) const override { return gearplat::isSeparator(c); }
    std::optional<std::string> executablePath() override { return gearplat::executablePath(); }
    // Only a file that passes the check reaches the system's loader, which
    // would block on a FIFO and crash on a truncated library.
    LibraryHandle loadLibrary(const std::string& path) override
    {
        return runtimeFileLoadable(path) ? gearplat::loadLibrary(path) : nullptr;
    }
    AnyFunction findFunction(LibraryHandle library, const char* name) override
    {
        return gearplat::findFunction(library, name);
    }
    void freeLibrary(LibraryHandle library) override { gearplat::freeLibrary(library); }
};

} // namespace gearlaunch
