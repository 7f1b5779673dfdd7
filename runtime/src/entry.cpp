// The runtime's entry: runs a program in this process with the real
// window system, with the runtime's own folder as the support-library folder.
#include "host.hpp"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <string>

#if GEARRT_HAVE_QT
#include "qt/qt_window_system.hpp"
#endif

namespace {

std::string folderOf(const std::string& path)
{
    std::string::size_type slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string executablePath()
{
    std::string buf(PATH_MAX, '\0');
    ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
    if (n <= 0 || static_cast<size_t>(n) >= buf.size()) return {};
    buf.resize(static_cast<size_t>(n));
    return buf;
}

std::string runtimeFolder()
{
    Dl_info info{};
    static int anchor = 0;
    if (dladdr(&anchor, &info) != 0 && info.dli_fname != nullptr) return folderOf(info.dli_fname);
    return ".";
}

} // namespace

extern "C" __attribute__((visibility("default"))) int gr_run_program(const gr::ProgramDescription* program, int argc,
                                                                     char** argv)
{
    if (program == nullptr) return 1;
    gr::HostOptions options;
    options.program_folder = folderOf(executablePath());
    options.library_folder = runtimeFolder();
#if GEARRT_HAVE_QT
    std::unique_ptr<gr::WindowSystem> ws = gr::makeQtWindowSystem(argc, argv);
#else
    (void)argc;
    (void)argv;
    std::unique_ptr<gr::WindowSystem> ws = gr::makeHeadlessWindowSystem();
#endif
    gr::Host host(*program, std::move(ws), options);
    return host.run();
}
