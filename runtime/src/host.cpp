#include <gearhost/host.hpp>

#include "commands/command_call.hpp"
#include <gearhost/conversions.hpp>

#include <gearimg/image.hpp>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace gr {

namespace {

// The support libraries every program of this system lists, for programs
// described without a list.
std::vector<LibraryRequirement> standardLibraryList()
{
    static const std::vector<image::Library> standard = image::standardLibraries();
    std::vector<LibraryRequirement> list;
    for (const image::Library& l : standard) list.push_back(LibraryRequirement{l.name.c_str(), l.major, l.minor});
    return list;
}

} // namespace

Host::Host(const ProgramDescription& program, std::unique_ptr<WindowSystem> window_system, HostOptions options)
    : program_(program), ws_(std::move(window_system)), options_(std::move(options))
{
    if (program_.controls != nullptr) {
        controls_.assign(program_.controls, program_.controls + program_.control_count);
    } else if (program_.form != nullptr) {
        for (const form::Element& e : program_.form->elements)
            controls_.push_back(gr_control_ref{program_.form->identity, e.identity, e.kind});
    }
    if (program_.libraries != nullptr)
        library_list_.assign(program_.libraries, program_.libraries + program_.library_count);
    else
        library_list_ = standardLibraryList();
    env_.base.services = serviceTable();
    env_.host = this;
}

Host::~Host() = default;

Host& Host::of(gr_env* env)
{
    return *reinterpret_cast<EnvImpl*>(env)->host;
}

int Host::run()
{
    if (program_.routines == nullptr || program_.start_routine >= program_.routine_count) {
        reportError(GR_ERR_BAD_ARGUMENT, "程序没有启动子程序。");
        return 1;
    }
    gr_value result{};
    program_.routines[program_.start_routine].fn(env(), nullptr, nullptr, 0, &result);
    return exit_code_.value_or(0);
}

gr_status Host::reportError(gr_status code, std::string_view message)
{
    MessageRequest request;
    request.caption = "运行时错误";
    request.style = 0x10;
    request.text = std::string(message);
    request.text += "\n（错误代码 " + conv::integerToText(code) + "）";
    dialogs_.message(*ws_, request);
    return code;
}

ControlState* Host::control(uint32_t window, uint32_t identity)
{
    if (!window_built_ || window != model_.windowIdentity()) return nullptr;
    return model_.find(identity);
}

gr_status Host::callCore(int32_t command, const gr_value* args, int32_t nargs, gr_value* result)
{
    gr_value scratch{};
    if (result == nullptr) result = &scratch;
    *result = gr_value{};
    const CoreCommand* core = findCoreCommand(command);
    CommandCall call(*this, command, core != nullptr ? core->name : "?", args, nargs, result);
    if (nargs < 0 || (nargs > 0 && args == nullptr)) return call.bad("参数表无效");
    if (core == nullptr) {
        std::string m = "没有编号为 " + conv::integerToText(command) + " 的运行时命令。";
        return reportError(GR_ERR_NO_SUCH_COMMAND, m);
    }
    return core->run(call);
}

// --- Support libraries ------------------------------------------------------

const gr_library_info* Host::supportLibrary(int32_t position, std::string& error)
{
    // Position 0 is the runtime itself, not a library to load.
    if (position <= 0 || static_cast<size_t>(position) >= library_list_.size()) {
        error = "程序没有列出这个支持库。";
        return nullptr;
    }
    if (libraries_.size() <= static_cast<size_t>(position)) libraries_.resize(static_cast<size_t>(position) + 1);
    SupportLibrary& lib = libraries_[static_cast<size_t>(position)];
    if (lib.info == nullptr) {
        const LibraryRequirement& wanted = library_list_[static_cast<size_t>(position)];
        lib = openSupportLibrary(options_.library_folder, wanted.name, wanted.major, wanted.minor);
    }
    error = lib.error;
    return lib.info;
}

gr_status Host::callLibrary(int32_t library, int32_t command, const gr_value* args, int32_t nargs, gr_value* result)
{
    if (result != nullptr) *result = gr_value{};
    std::string why;
    const gr_library_info* info = supportLibrary(library, why);
    if (info == nullptr) {
        const bool listed = library > 0 && static_cast<size_t>(library) < library_list_.size();
        const std::string file = listed ? std::string(library_list_[static_cast<size_t>(library)].name) + ".vlr" : "";
        std::string m = "无法载入支持库（位置 " + conv::integerToText(library) + "）：在 “" + options_.library_folder +
                        "” 中找不到可用的 " + file + "。";
        return reportError(GR_ERR_NO_SUCH_COMMAND, m);
    }
    // What the library may do to the window.
    const gr_library_host host{sizeof(gr_library_host), GR_LIBRARY_INTERFACE_VERSION, this,
                               [](void* ctx, int32_t themed) noexcept {
                                   auto* self = static_cast<Host*>(ctx);
                                   self->themed_ = themed != 0;
                                   self->windowSystem().setVisualStyle(themed != 0);
                               }};
    gr_status st = info->command(&host, command, args, nargs, result);
    if (st != GR_OK) return reportError(st, "支持库命令执行失败。");
    return GR_OK;
}

// --- The program's tables -------------------------------------------------------

gr_status Host::constantText(uint32_t index, gr_text* out)
{
    if (out == nullptr) return GR_ERR_BAD_ARGUMENT;
    *out = gr_text{};
    if (program_.constants == nullptr || index >= program_.constant_count) {
        std::string m = "程序的常量表中没有第 " + conv::integerToText(index) + " 项。";
        return reportError(GR_ERR_BAD_ARGUMENT, m);
    }
    const std::string& text = program_.constants[index];
    *out = gr_text{text.data(), static_cast<uint32_t>(text.size())};
    return GR_OK;
}

uint32_t Host::selfIdentity() const
{
    return program_.form != nullptr && !program_.form->elements.empty() ? program_.form->elements[0].identity : 0;
}

gr_status Host::controlRef(uint32_t index, gr_control_ref* out)
{
    if (out == nullptr) return GR_ERR_BAD_ARGUMENT;
    *out = gr_control_ref{};
    if (index >= controls_.size()) {
        std::string m = "程序的控件表中没有第 " + conv::integerToText(index) + " 项。";
        return reportError(GR_ERR_BAD_ARGUMENT, m);
    }
    *out = controls_[index];
    return GR_OK;
}

gr_status Host::constantNumber(uint32_t index, double* out)
{
    if (out == nullptr) return GR_ERR_BAD_ARGUMENT;
    *out = 0.0;
    if (program_.constant_numbers == nullptr || program_.constant_is_number == nullptr ||
        index >= program_.constant_count || !program_.constant_is_number[index]) {
        std::string m = "程序的常量表中第 " + conv::integerToText(index) + " 项不是数字。";
        return reportError(GR_ERR_BAD_ARGUMENT, m);
    }
    *out = program_.constant_numbers[index];
    return GR_OK;
}

gr_status Host::routineValue(uint32_t index, gr_routine_fn* out)
{
    if (out == nullptr) return GR_ERR_BAD_ARGUMENT;
    *out = nullptr;
    if (program_.routine_values == nullptr || index >= program_.routine_value_count ||
        program_.routine_values[index] >= program_.routine_count) {
        std::string m = "程序的子程序值表中没有第 " + conv::integerToText(index) + " 项。";
        return reportError(GR_ERR_BAD_ARGUMENT, m);
    }
    *out = program_.routines[program_.routine_values[index]].fn;
    return GR_OK;
}

gr_status Host::callLibraryEntry(uint32_t index, const gr_value* args, int32_t nargs, gr_value* result)
{
    if (program_.library_calls == nullptr || index >= program_.library_call_count) {
        std::string m = "程序的支持库命令表中没有第 " + conv::integerToText(index) + " 项。";
        return reportError(GR_ERR_BAD_ARGUMENT, m);
    }
    const LibraryCall& call = program_.library_calls[index];
    return callLibrary(call.library, call.command, args, nargs, result);
}

static_assert(form::kEventMenuCommand == GR_EVENT_MENU_COMMAND);

gr_status Host::contextMenuEntry(uint32_t window, uint32_t control, int32_t command, const char* text, uint32_t len,
                                 int32_t enabled)
{
    ControlState* c = this->control(window, control);
    if (c == nullptr || c->kind != form::kEditBox) {
        char buf[96];
        std::snprintf(buf, sizeof buf, "控件 0x%08X 没有右键菜单。", control);
        return reportError(GR_ERR_NO_SUCH_CONTROL, buf);
    }
    if (command == 0 || (text == nullptr && len != 0) || (enabled != 0 && enabled != 1))
        return reportError(GR_ERR_BAD_ARGUMENT, "右键菜单项的参数无效。");
    std::string caption(text != nullptr ? text : "", len);
    for (MenuCommand& m : c->menu) {
        if (m.command != command) continue;
        m.text = std::move(caption);
        m.enabled = enabled == 1;
        return GR_OK;
    }
    c->menu.push_back(MenuCommand{command, std::move(caption), enabled == 1});
    return GR_OK;
}

gr_status Host::programSizes(gr_program_sizes* out)
{
    if (out == nullptr) return GR_ERR_BAD_ARGUMENT;
    *out = gr_program_sizes{};
    out->struct_size = sizeof(gr_program_sizes);
    out->routines = static_cast<uint32_t>(program_.routine_count);
    out->constants = static_cast<uint32_t>(program_.constants != nullptr ? program_.constant_count : 0);
    out->controls = static_cast<uint32_t>(controls_.size());
    return GR_OK;
}

// --- Start, loop, exit, events ---------------------------------------------------

gr_status Host::initialise(int32_t, gr_routine_ref exit_routine)
{
    exit_routine_ = exit_routine;
    return GR_OK;
}

gr_status Host::createWindow(uint32_t window)
{
    if (program_.form == nullptr || program_.form->identity != window) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "程序中没有窗口 0x%08X。", window);
        return reportError(GR_ERR_NO_SUCH_CONTROL, buf);
    }
    model_ = FormModel(*program_.form);
    window_built_ = true;
    ws_->build(model_, *this);
    dispatchEvent(selfIdentity(), form::kEventCreated, {});
    return GR_OK;
}

gr_status Host::messageLoop(int32_t)
{
    if (!window_built_) return GR_OK;
    ws_->runMessageLoop();
    return GR_OK;
}

void Host::exitProgram(int32_t code)
{
    if (exit_routine_.fn != nullptr) {
        gr_value r{};
        gr_routine_ref routine = exit_routine_;
        exit_routine_ = gr_routine_ref{};
        routine.fn(env(), routine.ctx, nullptr, 0, &r);
    }
    exit_code_ = code;
    if (options_.exit_process) std::exit(code);
}

void Host::dispatchEvent(uint32_t identity, int32_t event, const std::vector<int64_t>& args)
{
    ControlState* c = model_.find(identity);
    if (c == nullptr || c->element == nullptr) return;
    for (const form::EventBinding& b : c->element->events) {
        if (b.event != event) continue;
        if (b.routine >= program_.routine_count) return;
        gr_value argv[4] = {};
        int32_t n = 0;
        for (int64_t a : args) {
            if (n == 4) break;
            argv[n++] = intValue(a);
        }
        gr_value r{};
        program_.routines[b.routine].fn(env(), nullptr, argv, n, &r);
        return;
    }
}

} // namespace gr
