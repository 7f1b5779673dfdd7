// POSIX: /proc/self/exe, dladdr and dlopen.
#include <gearplat/growing_read.hpp>
#include <gearplat/platform.hpp>

#include <dlfcn.h>
#include <unistd.h>

namespace gearplat {

char separator() { return '/'; }
bool isSeparator(char c) { return c == '/'; }

std::string withoutTrailingSeparator(std::string folder)
{
    while (folder.size() > 1 && isSeparator(folder.back())) folder.pop_back();
    return folder;
}

std::optional<std::string> readLinkFully(const char* link)
{
    return readGrowing<char>(
        [link](char* buffer, std::size_t capacity) { return static_cast<long long>(::readlink(link, buffer, capacity)); },
        256, 64 * 1024);
}

std::optional<std::string> executablePath() { return readLinkFully("/proc/self/exe"); }

std::optional<std::string> moduleFolder(const void* address)
{
    Dl_info info{};
    if (::dladdr(address, &info) == 0 || info.dli_fname == nullptr) return std::nullopt;
    std::optional<std::string> folder = folderOf(info.dli_fname);
    if (!folder) return std::nullopt;
    return withoutTrailingSeparator(std::move(*folder));
}

void safeLibrarySearch() {}

LibraryHandle loadLibrary(const std::string& path) { return ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL); }

AnyFunction findFunction(LibraryHandle library, const char* name)
{
    return reinterpret_cast<AnyFunction>(::dlsym(library, name));
}

void freeLibrary(LibraryHandle library) { ::dlclose(library); }

void* findInExecutable(const char* name) { return ::dlsym(RTLD_DEFAULT, name); }

} // namespace gearplat
