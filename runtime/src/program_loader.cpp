#include <gearhost/program_loader.hpp>

#include <gearrt/library.h>

#include <dlfcn.h>

#include <cstring>
#include <limits>
#include <map>

namespace gr {

namespace {

// The runtime itself is library 0 of every program; it must be this
// runtime's major version.
constexpr uint32_t kRuntimeMajor = 5;

std::string checkLibraries(const std::vector<image::Library>& libraries, const std::string& folder)
{
    if (libraries.empty() || libraries[0].name != "tavrn")
        return "程序映像的支持库列表不以核心库 tavrn 开头。";
    if (libraries[0].major != kRuntimeMajor)
        return "程序需要核心库 tavrn " + std::to_string(libraries[0].major) + "." +
               std::to_string(libraries[0].minor) + "，本运行库的版本是 5.0。";
    if (folder.empty()) return {};
    for (size_t i = 1; i < libraries.size(); ++i) {
        const image::Library& lib = libraries[i];
        const std::string path = folder + "/" + lib.name + ".vlr";
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) return "找不到程序需要的支持库 " + path + "。";
        auto entry = reinterpret_cast<gr_library_entry_fn>(dlsym(handle, GR_LIBRARY_ENTRY));
        const gr_library_info* info = entry != nullptr ? entry() : nullptr;
        std::string error;
        if (info == nullptr || info->struct_size < sizeof(gr_library_info) || info->name == nullptr ||
            std::strcmp(info->name, lib.name.c_str()) != 0)
            error = "支持库 " + path + " 无效。";
        else if (info->major < 0 || static_cast<uint32_t>(info->major) != lib.major)
            error = "支持库 " + path + " 的版本是 " + std::to_string(info->major) + "." +
                    std::to_string(info->minor) + "，程序需要 " + std::to_string(lib.major) + "." +
                    std::to_string(lib.minor) + "。";
        dlclose(handle);
        if (!error.empty()) return error;
    }
    return {};
}

// Renumbers the window and its elements. The form, the control table and
// anything else holding an identity word change together; event bindings
// name routines, not identities, and stay as they are.
void renumber(image::Image& img, uint32_t window_base, uint32_t element_base)
{
    form::Window& form = img.program.form;
    std::map<uint32_t, uint32_t> elements;
    uint32_t next = element_base;
    for (form::Element& e : form.elements) {
        elements[e.identity] = next;
        e.identity = next++;
    }
    for (form::Element& e : form.elements) {
        if (const auto it = elements.find(e.parent); it != elements.end()) e.parent = it->second;
        for (uint32_t& child : e.children)
            if (const auto it = elements.find(child); it != elements.end()) child = it->second;
    }
    const uint32_t old_window = form.identity;
    form.identity = window_base;
    for (image::ControlRef& r : img.linkage.controls) {
        if (r.window == old_window) r.window = window_base;
        if (const auto it = elements.find(r.control); it != elements.end()) r.control = it->second;
    }
}

} // namespace

LoadResult loadProgram(std::span<const uint8_t> bytes, RoutineLookup lookup, const LoadOptions& options)
{
    LoadResult result;
    image::Result<image::Image> read = image::readImage(bytes);
    if (!read) {
        result.error = "程序映像已损坏：" + read.error().message;
        return result;
    }
    auto program = std::make_unique<LoadedProgram>();
    program->image = std::move(read).value();
    const image::Program& p = program->image.program;

    if (std::string error = checkLibraries(p.libraries, options.library_folder); !error.empty()) {
        result.error = std::move(error);
        return result;
    }
    if (lookup == nullptr) {
        result.error = "没有可以绑定程序子程序的入口。";
        return result;
    }
    for (const std::string& name : p.routines) {
        gr_routine_fn fn = lookup(name.c_str());
        if (fn == nullptr) {
            result.error = "程序中找不到子程序“" + name + "”的入口。";
            return result;
        }
        program->routines.push_back(RoutineEntry{nullptr, fn});
    }
    for (size_t i = 0; i < p.routines.size(); ++i) program->routines[i].name = p.routines[i].c_str();
    if (options.window_base != 0 && options.element_base != 0)
        renumber(program->image, options.window_base, options.element_base);
    for (const image::ControlRef& r : program->image.linkage.controls)
        program->controls.push_back(gr_control_ref{r.window, r.control, r.kind});
    program->is_number = std::make_unique<bool[]>(p.constants.size());
    for (size_t i = 0; i < p.constants.size(); ++i) {
        const bool number = p.constants[i].kind == image::ConstantKind::Number;
        program->is_number[i] = number;
        program->numbers.push_back(number ? p.constants[i].number : std::numeric_limits<double>::quiet_NaN());
    }
    for (const image::LibraryCall& c : p.library_calls)
        program->library_calls.push_back(LibraryCall{static_cast<int32_t>(c.library), static_cast<int32_t>(c.command)});
    for (const image::Constant& c : p.constants) program->constants.push_back(c.kind == image::ConstantKind::Text ? c.text : std::string());

    ProgramDescription& d = program->description;
    d.form = &p.form;
    d.routines = program->routines.data();
    d.routine_count = program->routines.size();
    d.start_routine = p.start_routine;
    d.constants = program->constants.data();
    d.constant_count = program->constants.size();
    d.controls = program->controls.data();
    d.control_count = program->controls.size();
    d.constant_numbers = program->numbers.data();
    d.constant_is_number = program->is_number.get();
    d.routine_values = p.routine_values.data();
    d.routine_value_count = p.routine_values.size();
    d.library_calls = program->library_calls.data();
    d.library_call_count = program->library_calls.size();
    result.program = std::move(program);
    return result;
}

} // namespace gr
