#include <gearhost/support_library.hpp>

#include <cstring>

namespace gr {

std::string supportLibraryPath(const std::string& folder, std::string_view name)
{
    std::string path = folder;
    if (!path.empty() && !gearplat::isSeparator(path.back())) path += gearplat::separator();
    path += name;
    path += ".vlr";
    return path;
}

SupportLibrary openSupportLibrary(const std::string& folder, std::string_view name, uint32_t major, uint32_t minor)
{
    SupportLibrary lib;
    lib.path = supportLibraryPath(folder, name);
    lib.library = gearplat::Library(lib.path);
    if (!lib.library) {
        lib.error = "找不到程序需要的支持库 " + lib.path + "。";
        return lib;
    }
    const auto entry = lib.library.function<gr_library_entry_fn>(GR_LIBRARY_ENTRY);
    const gr_library_info* info = entry != nullptr ? entry() : nullptr;
    if (info == nullptr || info->struct_size < sizeof(gr_library_info) ||
        info->interface_version != GR_LIBRARY_INTERFACE_VERSION || info->name == nullptr ||
        name != info->name || info->command == nullptr) {
        lib.error = "支持库 " + lib.path + " 无效。";
    } else if (info->major < 0 || static_cast<uint32_t>(info->major) != major) {
        lib.error = "支持库 " + lib.path + " 的版本是 " + std::to_string(info->major) + "." +
                    std::to_string(info->minor) + "，程序需要 " + std::to_string(major) + "." +
                    std::to_string(minor) + "。";
    }
    if (!lib.error.empty()) {
        lib.library.reset();
        return lib;
    }
    lib.info = info;
    return lib;
}

} // namespace gr
