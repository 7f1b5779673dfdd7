// The runtime's entry, as the launcher finds it: GetNewSock(1000) answers
// the start routine, which loads the program image it is handed, builds the
// window from it and runs the program with the real window system.
#include <gearhost/host.hpp>
#include <gearhost/program_loader.hpp>

#include <gearlaunch/runtime_entry.h>

#include <gearplat/platform.hpp>

#include <cstdio>
#include <cstdlib>
#include <string>

#if GEARRT_HAVE_QT
#include <gearqt/qt_window_system.hpp>
#endif

namespace {

// The folder the runtime library itself was loaded from: its support
// libraries lie beside it.
std::string runtimeFolder()
{
    static int anchor = 0;
    return gearplat::moduleFolder(&anchor).value_or(".");
}

// The folder of the executable, where the catalogue files lie.
std::string programFolder()
{
    const std::optional<std::string> exe = gearplat::executablePath();
    const std::optional<std::string> folder = exe ? gearplat::folderOf(*exe) : std::nullopt;
    return folder ? gearplat::withoutTrailingSeparator(*folder) : std::string(".");
}

// The program's routines are the executable's exported entries.
gr_routine_fn exportedRoutine(const char* name)
{
    return reinterpret_cast<gr_routine_fn>(gearplat::findInExecutable(name));
}

std::unique_ptr<gr::WindowSystem> makeWindowSystem()
{
#if GEARRT_HAVE_QT
    static int argc = 1;
    static char name[] = "gearcalc";
    static char* argv[] = {name, nullptr};
    return gr::makeQtWindowSystem(argc, argv);
#else
    return gr::makeHeadlessWindowSystem();
#endif
}

[[noreturn]] void fail(gr::WindowSystem* ws, const std::string& message)
{
    std::fprintf(stderr, "%s\n", message.c_str());
    if (ws != nullptr) ws->showMessage(gr::MessageRequest{message, "错误", 0x10});
    std::exit(1);
}

void startProgram(const void* image)
{
    std::unique_ptr<gr::WindowSystem> ws = makeWindowSystem();
    // The executable exports the size of the image it hands over, so that
    // no read of the image goes beyond it.
    const auto* size = static_cast<const size_t*>(gearplat::findInExecutable(GEAR_IMAGE_SIZE_SYMBOL));
    if (image == nullptr || size == nullptr) fail(ws.get(), "无法确定程序映像的大小，程序无法启动。");

    const std::string library_folder = runtimeFolder();
    gr::LoadResult loaded =
        gr::loadProgram({static_cast<const uint8_t*>(image), *size}, exportedRoutine, gr::LoadOptions{library_folder});
    if (!loaded.program) fail(ws.get(), loaded.error);

    gr::HostOptions options;
    options.program_folder = programFolder();
    options.library_folder = library_folder;
    options.exit_process = true;
    gr::Host host(loaded.program->description, std::move(ws), options);
    host.run();
}

} // namespace

extern "C" __attribute__((visibility("default"))) gear_start_routine GetNewSock(int32_t key)
{
    return key == GEAR_RUNTIME_ENTRY_KEY ? startProgram : nullptr;
}
