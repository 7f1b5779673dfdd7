#include "host.hpp"

#include "conversions.hpp"

#include <dlfcn.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace gr {

namespace {


const char* kindName(int32_t kind)
{
    switch (kind) {
    case GR_KIND_NONE: return "无值";
    case GR_KIND_TEXT: return "文本";
    case GR_KIND_BYTE: return "字节型";
    case GR_KIND_SHORT: return "短整数";
    case GR_KIND_INT: return "整数";
    case GR_KIND_LONG: return "长整数";
    case GR_KIND_FLOAT: return "小数";
    case GR_KIND_DOUBLE: return "双精度小数";
    case GR_KIND_BOOL: return "逻辑值";
    case GR_KIND_ROUTINE: return "子程序";
    case GR_KIND_CONTROL: return "控件";
    case GR_KIND_BYTESET: return "字节集";
    default: return "未知类型";
    }
}

bool isNumeric(int32_t kind)
{
    return kind == GR_KIND_BYTE || kind == GR_KIND_SHORT || kind == GR_KIND_INT || kind == GR_KIND_LONG ||
           kind == GR_KIND_FLOAT || kind == GR_KIND_DOUBLE;
}

double widen(const gr_value& v)
{
    switch (v.kind) {
    case GR_KIND_FLOAT: return static_cast<double>(v.u.f);
    case GR_KIND_DOUBLE: return v.u.d;
    default: return static_cast<double>(v.u.i);
    }
}

gr_value intValue(int64_t i)
{
    gr_value v{};
    v.kind = GR_KIND_INT;
    v.u.i = i;
    return v;
}

gr_value doubleValue(double d)
{
    gr_value v{};
    v.kind = GR_KIND_DOUBLE;
    v.u.d = d;
    return v;
}

gr_value boolValue(bool b)
{
    gr_value v{};
    v.kind = GR_KIND_BOOL;
    v.u.i = b ? 1 : 0;
    return v;
}

std::string valueDescription(const gr_value& v)
{
    std::string s = kindName(v.kind);
    if (v.kind == GR_KIND_TEXT) {
        s += "“";
        s.append(v.u.text.data, v.u.text.len);
        s += "”";
    }
    return s;
}

// --- The service table's slots -------------------------------------------

gr_status svcErrorTrap(gr_env* env, gr_status code, const char* message, uint32_t len) noexcept
{
    try {
        return Host::of(env).reportError(code, std::string_view(message != nullptr ? message : "", message ? len : 0));
    } catch (...) {
        return GR_ERR_OUT_OF_MEMORY;
    }
}

// A slot that forwards to the Host member of the same signature. Only
// allocation can throw inside the runtime, and nothing thrown crosses the
// table.
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
};

void setVisualStyleThunk(void* ctx, int32_t themed) noexcept
{
    auto* host = static_cast<Host*>(ctx);
    host->windowSystem().setVisualStyle(themed != 0);
}

} // namespace

const gr_services* serviceTable()
{
    return &kServices;
}

Host::Host(const ProgramDescription& program, std::unique_ptr<WindowSystem> window_system, HostOptions options)
    : program_(program), ws_(std::move(window_system)), options_(std::move(options))
{
    if (program_.controls != nullptr) {
        controls_.assign(program_.controls, program_.controls + program_.control_count);
    } else if (program_.form != nullptr) {
        for (const form::Element& e : program_.form->elements)
            controls_.push_back(gr_control_ref{program_.form->identity, e.identity, e.kind});
    }
    env_.base.services = &kServices;
    env_.host = this;
    library_host_ = gr_library_host{sizeof(gr_library_host), GR_LIBRARY_INTERFACE_VERSION, this, nullptr};
}

Host::~Host()
{
    for (void* base : spare_blocks_) std::free(base);
    for (LoadedLibrary& lib : libraries_)
        if (lib.handle != nullptr) dlclose(lib.handle);
}

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

// Every block carries a 16-byte header saying whether it is a small block.
// A search hands out a text for every record and gets it back at once, so
// small blocks are kept for reuse instead of going back to malloc each
// time. (Not under AddressSanitizer, which should see every block freed.)
namespace {
constexpr size_t kBlockHeader = 16;
constexpr size_t kSmallBlock = 64; // bytes a small block holds
constexpr size_t kSpareLimit = 64; // small blocks kept at most
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kReuseBlocks = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kReuseBlocks = false;
#else
constexpr bool kReuseBlocks = true;
#endif
#else
constexpr bool kReuseBlocks = true;
#endif
} // namespace

void* Host::allocate(size_t size)
{
    const bool small = size <= kSmallBlock;
    void* base = nullptr;
    if (small && !spare_blocks_.empty()) {
        base = spare_blocks_.back();
        spare_blocks_.pop_back();
    } else {
        if (size > SIZE_MAX - kBlockHeader) return nullptr;
        base = std::malloc(kBlockHeader + (small ? kSmallBlock : size));
        if (base == nullptr) return nullptr;
        *static_cast<size_t*>(base) = small ? 1 : 0;
    }
    ++outstanding_;
    return static_cast<char*>(base) + kBlockHeader;
}

void Host::release(void* block)
{
    if (block == nullptr) return;
    --outstanding_;
    void* base = static_cast<char*>(block) - kBlockHeader;
    if (kReuseBlocks && *static_cast<size_t*>(base) == 1 && spare_blocks_.size() < kSpareLimit) {
        spare_blocks_.push_back(base);
        return;
    }
    std::free(base);
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

gr_status Host::badArgument(const char* op, std::string_view what)
{
    std::string m = "运行时命令“";
    m += op;
    m += "”的参数不对：";
    m += what;
    return reportError(GR_ERR_BAD_ARGUMENT, m);
}

gr_status Host::returnText(std::string_view text, gr_value* result)
{
    if (result == nullptr) return GR_OK;
    char* p = static_cast<char*>(allocate(text.size() + 1));
    if (p == nullptr) return reportError(GR_ERR_OUT_OF_MEMORY, "内存不足。");
    std::memcpy(p, text.data(), text.size());
    p[text.size()] = '\0';
    *result = gr_value{};
    result->kind = GR_KIND_TEXT;
    result->u.text.data = p;
    result->u.text.len = static_cast<uint32_t>(text.size());
    return GR_OK;
}

gr_status Host::numberArg(const gr_value* args, int32_t nargs, int32_t index, const char* op, double& out)
{
    if (index >= nargs) return badArgument(op, "缺少数字参数");
    const gr_value& v = args[index];
    if (!isNumeric(v.kind)) {
        std::string m = "运行时命令“";
        m += op;
        m += "”需要数字，但读到的是";
        m += valueDescription(v);
        m += "。";
        return reportError(GR_ERR_NUMBER_EXPECTED, m);
    }
    out = widen(v);
    return GR_OK;
}

gr_status Host::textArg(const gr_value* args, int32_t nargs, int32_t index, const char* op, std::string_view& out)
{
    if (index >= nargs) return badArgument(op, "缺少文本参数");
    const gr_value& v = args[index];
    if (v.kind != GR_KIND_TEXT) {
        std::string m = "运行时命令“";
        m += op;
        m += "”需要文本，但读到的是";
        m += valueDescription(v);
        m += "。";
        return reportError(GR_ERR_TEXT_EXPECTED, m);
    }
    out = std::string_view(v.u.text.data, v.u.text.len);
    return GR_OK;
}

ControlState* Host::control(uint32_t window, uint32_t identity)
{
    if (!window_built_ || window != model_.windowIdentity()) return nullptr;
    return model_.find(identity);
}

gr_status Host::controlArg(const gr_value* args, int32_t nargs, int32_t index, const char* op, ControlState*& out)
{
    if (index >= nargs || args[index].kind != GR_KIND_CONTROL) return badArgument(op, "缺少控件参数");
    const gr_control_ref& ref = args[index].u.control;
    out = control(ref.window, ref.control);
    if (out == nullptr) {
        std::string m = "运行时命令“";
        m += op;
        m += "”找不到控件 0x";
        char buf[16];
        std::snprintf(buf, sizeof buf, "%08X", ref.control);
        m += buf;
        m += "。";
        return reportError(GR_ERR_NO_SUCH_CONTROL, m);
    }
    return GR_OK;
}

// --- Support libraries ------------------------------------------------------

const gr_library_info* Host::loadLibrary(int32_t position)
{
    if (position != GR_LIB_STYLE) return nullptr;
    if (libraries_.size() <= static_cast<size_t>(position)) libraries_.resize(static_cast<size_t>(position) + 1);
    LoadedLibrary& lib = libraries_[static_cast<size_t>(position)];
    if (lib.info != nullptr) return lib.info;
    std::string path = options_.library_folder;
    if (!path.empty() && path.back() != '/') path += '/';
    path += "stylx.vlr";
    lib.handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (lib.handle == nullptr) return nullptr;
    auto entry = reinterpret_cast<gr_library_entry_fn>(dlsym(lib.handle, GR_LIBRARY_ENTRY));
    const gr_library_info* info = entry != nullptr ? entry() : nullptr;
    if (info == nullptr || info->struct_size < sizeof(gr_library_info) ||
        info->interface_version != GR_LIBRARY_INTERFACE_VERSION || info->major != 2 || info->command == nullptr) {
        dlclose(lib.handle);
        lib.handle = nullptr;
        return nullptr;
    }
    lib.info = info;
    return info;
}

gr_status Host::callLibrary(int32_t library, int32_t command, const gr_value* args, int32_t nargs, gr_value* result)
{
    if (result != nullptr) *result = gr_value{};
    const gr_library_info* info = loadLibrary(library);
    if (info == nullptr) {
        std::string m = "无法载入支持库（位置 " + conv::integerToText(library) + "）：在 “" +
                        options_.library_folder + "” 中找不到可用的 stylx.vlr。";
        return reportError(GR_ERR_NO_SUCH_COMMAND, m);
    }
    gr_library_host host = library_host_;
    host.set_visual_style = [](void* ctx, int32_t themed) noexcept {
        auto* self = static_cast<Host*>(ctx);
        self->themed_ = themed != 0;
        setVisualStyleThunk(ctx, themed);
    };
    gr_status st = info->command(&host, command, args, nargs, result);
    if (st != GR_OK) return reportError(st, "支持库命令执行失败。");
    return GR_OK;
}

// --- Core commands ------------------------------------------------------------

gr_status Host::callCore(int32_t command, const gr_value* args, int32_t nargs, gr_value* result)
{
    gr_value scratch{};
    if (result == nullptr) result = &scratch;
    *result = gr_value{};
    if (nargs < 0 || (nargs > 0 && args == nullptr)) return badArgument("?", "参数表无效");

    switch (command) {
    case GR_CMD_PROGRAM_FOLDER:
        return returnText(options_.program_folder, result);

    case GR_CMD_OPEN_DATABASE: {
        std::string_view path, alias;
        if (gr_status st = textArg(args, nargs, 0, "OpenDatabase", path)) return st;
        if (gr_status st = textArg(args, nargs, 1, "OpenDatabase", alias)) return st;
        std::string error = databases_.open(path, alias);
        if (!error.empty()) {
            *result = boolValue(false);
            // The message stays available to the caller as the result's
            // companion: OpenDatabase answers false and the program decides
            // how to tell the user.
            last_open_error_ = std::move(error);
            return GR_OK;
        }
        last_open_error_.clear();
        *result = boolValue(true);
        return GR_OK;
    }
    case GR_CMD_LAST_DATABASE_ERROR:
        return returnText(last_open_error_, result);
    case GR_CMD_DATABASE_STATE_CHANGED:
        *result = boolValue(databases_.lastOpenChanged());
        return GR_OK;
    case GR_CMD_SELECT_DATABASE: {
        std::string_view alias;
        if (gr_status st = textArg(args, nargs, 0, "SelectDatabase", alias)) return st;
        *result = boolValue(databases_.select(alias));
        return GR_OK;
    }
    case GR_CMD_GO_FIRST:
        *result = boolValue(databases_.goFirst());
        return GR_OK;

    case GR_CMD_SEARCH_RECORD: {
        if (nargs < 1 || args[0].kind != GR_KIND_ROUTINE || args[0].u.routine.fn == nullptr)
            return badArgument("SearchRecord", "需要一个条件子程序");
        const gr_routine_ref routine = args[0].u.routine;
        gr_env* e = env();
        db::SearchOutcome outcome = databases_.search([&]() -> int {
            gr_value r{};
            gr_status st = routine.fn(e, routine.ctx, nullptr, 0, &r);
            if (st != GR_OK) return -1;
            if (r.kind == GR_KIND_BOOL || r.kind == GR_KIND_INT) return r.u.i != 0 ? 1 : 0;
            return 0;
        });
        if (outcome == db::SearchOutcome::Aborted) return GR_ERR_ABORTED;
        *result = boolValue(outcome == db::SearchOutcome::Found);
        return GR_OK;
    }
    case GR_CMD_READ_FIELD: {
        std::string_view name;
        if (gr_status st = textArg(args, nargs, 0, "ReadField", name)) return st;
        db::Expect expect = db::Expect::Any;
        if (nargs >= 2 && args[1].kind != GR_KIND_NONE) {
            if (args[1].u.i == GR_KIND_TEXT) expect = db::Expect::Text;
            else if (args[1].u.i == GR_KIND_DOUBLE) expect = db::Expect::Number;
        }
        db::ReadResult r = databases_.readField(name, expect);
        if (r.status != GR_OK) return reportError(r.status, r.message);
        switch (r.value.kind) {
        case GR_KIND_TEXT: return returnText(r.value.text, result);
        case GR_KIND_FLOAT: result->kind = GR_KIND_FLOAT; result->u.f = r.value.f; return GR_OK;
        case GR_KIND_DOUBLE: result->kind = GR_KIND_DOUBLE; result->u.d = r.value.d; return GR_OK;
        default: result->kind = r.value.kind; result->u.i = r.value.i; return GR_OK;
        }
    }
    case GR_CMD_TEXT_TO_NUMBER: {
        std::string_view text;
        if (gr_status st = textArg(args, nargs, 0, "TextToNumber", text)) return st;
        *result = doubleValue(conv::textToNumber(text));
        return GR_OK;
    }
    case GR_CMD_VALUE_TO_TEXT: {
        if (nargs < 1) return badArgument("ValueToText", "缺少参数");
        const gr_value& v = args[0];
        switch (v.kind) {
        case GR_KIND_TEXT: return returnText(std::string_view(v.u.text.data, v.u.text.len), result);
        case GR_KIND_BYTE: case GR_KIND_SHORT: case GR_KIND_INT: case GR_KIND_LONG:
            return returnText(conv::integerToText(v.u.i), result);
        case GR_KIND_FLOAT: return returnText(conv::floatToText(v.u.f), result);
        case GR_KIND_DOUBLE: return returnText(conv::doubleToText(v.u.d), result);
        case GR_KIND_BOOL: return returnText(v.u.i != 0 ? "真" : "假", result);
        default: return badArgument("ValueToText", std::string("不能转换") + kindName(v.kind));
        }
    }
    case GR_CMD_NUMBER_TO_NAME_TEXT: {
        double x = 0;
        if (gr_status st = numberArg(args, nargs, 0, "NumberToNameText", x)) return st;
        bool simplified = nargs >= 2 && args[1].kind != GR_KIND_NONE && args[1].u.i != 0;
        return returnText(conv::numberToNameText(x, simplified), result);
    }
    case GR_CMD_ROUND_TO: {
        double x = 0, places = 0;
        if (gr_status st = numberArg(args, nargs, 0, "RoundTo", x)) return st;
        if (nargs >= 2 && args[1].kind != GR_KIND_NONE)
            if (gr_status st = numberArg(args, nargs, 1, "RoundTo", places)) return st;
        *result = doubleValue(conv::roundTo(x, conv::toInt32(places)));
        return GR_OK;
    }
    case GR_CMD_ABS: case GR_CMD_COS: case GR_CMD_TAN: case GR_CMD_ATAN: {
        static const char* const names[] = {"Abs", "Cos", "Tan", "Atan"};
        const char* op = names[command - GR_CMD_ABS];
        double x = 0;
        if (gr_status st = numberArg(args, nargs, 0, op, x)) return st;
        double y = command == GR_CMD_ABS ? std::fabs(x)
                   : command == GR_CMD_COS ? std::cos(x)
                   : command == GR_CMD_TAN ? std::tan(x)
                                           : std::atan(x);
        *result = doubleValue(y);
        return GR_OK;
    }
    case GR_CMD_SHOW_MESSAGE: {
        std::string_view text;
        if (gr_status st = textArg(args, nargs, 0, "ShowMessage", text)) return st;
        MessageRequest request;
        request.text = std::string(text);
        if (nargs >= 2 && args[1].kind != GR_KIND_NONE) {
            double style = 0;
            if (gr_status st = numberArg(args, nargs, 1, "ShowMessage", style)) return st;
            request.style = conv::toInt32(style);
        }
        if (nargs >= 3 && args[2].kind == GR_KIND_TEXT)
            request.caption.assign(args[2].u.text.data, args[2].u.text.len);
        if (request.caption.empty() && window_built_ && !model_.controls().empty())
            request.caption = model_.controls().front().text;
        *result = intValue(dialogs_.message(*ws_, request));
        return GR_OK;
    }
    case GR_CMD_APPEND_TEXT: {
        ControlState* c = nullptr;
        std::string_view text;
        if (gr_status st = controlArg(args, nargs, 0, "AppendText", c)) return st;
        if (gr_status st = textArg(args, nargs, 1, "AppendText", text)) return st;
        if (c->kind != form::kEditBox) return badArgument("AppendText", "控件不是编辑框");
        c->text.append(text);
        c->caret = c->text.size();
        ws_->appended(*c, text);
        return GR_OK;
    }
    case GR_CMD_ITEM_TEXT: {
        ControlState* c = nullptr;
        double index = 0;
        if (gr_status st = controlArg(args, nargs, 0, "ItemText", c)) return st;
        if (gr_status st = numberArg(args, nargs, 1, "ItemText", index)) return st;
        int32_t i = conv::toInt32(index);
        if (i < 0 || static_cast<size_t>(i) >= c->items.size()) return returnText("", result);
        return returnText(c->items[static_cast<size_t>(i)], result);
    }
    case GR_CMD_BEGIN_PRINT: {
        ControlState* c = nullptr;
        if (gr_status st = controlArg(args, nargs, 0, "BeginPrint", c)) return st;
        if (c->kind != form::kPrinter) return badArgument("BeginPrint", "控件不是打印机");
        PrintAnswer answer = dialogs_.print(*ws_, c->text);
        if (!answer.accepted) {
            print_job_.reset();
            *result = boolValue(false);
            return GR_OK;
        }
        print_job_ = PrintJob{};
        print_job_->document_name = c->text;
        print_job_->pdf_path = answer.pdf_path;
        print_font_size_ = c->font_size;
        *result = boolValue(true);
        return GR_OK;
    }
    case GR_CMD_SET_PRINT_FONT_SIZE: {
        ControlState* c = nullptr;
        double size = 0;
        if (gr_status st = controlArg(args, nargs, 0, "SetPrintFontSize", c)) return st;
        if (gr_status st = numberArg(args, nargs, 1, "SetPrintFontSize", size)) return st;
        c->font_size = size;
        print_font_size_ = size;
        return GR_OK;
    }
    case GR_CMD_PRINT_TEXT: {
        ControlState* c = nullptr;
        double x = 0, y = 0;
        std::string_view text;
        if (gr_status st = controlArg(args, nargs, 0, "PrintText", c)) return st;
        if (gr_status st = numberArg(args, nargs, 1, "PrintText", x)) return st;
        if (gr_status st = numberArg(args, nargs, 2, "PrintText", y)) return st;
        if (gr_status st = textArg(args, nargs, 3, "PrintText", text)) return st;
        if (print_job_)
            print_job_->items.push_back(PrintItem{print_font_size_, conv::toInt32(x), conv::toInt32(y), std::string(text)});
        return GR_OK;
    }
    case GR_CMD_END_PRINT: {
        ControlState* c = nullptr;
        if (gr_status st = controlArg(args, nargs, 0, "EndPrint", c)) return st;
        if (!print_job_) {
            *result = boolValue(false);
            return GR_OK;
        }
        PrintJob job = std::move(*print_job_);
        print_job_.reset();
        bool ok = ws_->submitPrintJob(job);
        printed_.push_back(std::move(job));
        if (!ok) return reportError(GR_ERR_BAD_ARGUMENT, "打印失败：无法把打印任务送到打印机或文件。");
        *result = boolValue(true);
        return GR_OK;
    }
    case GR_CMD_SCREEN_WIDTH:
        *result = intValue(ws_->screenWidth());
        return GR_OK;
    case GR_CMD_CURSOR_X:
        *result = intValue(ws_->cursor().x);
        return GR_OK;
    case GR_CMD_CURSOR_Y:
        *result = intValue(ws_->cursor().y);
        return GR_OK;
    case GR_CMD_CLIENT_WIDTH: case GR_CMD_CLIENT_HEIGHT: {
        ControlState* c = nullptr;
        if (gr_status st = controlArg(args, nargs, 0, "ClientSize", c)) return st;
        Size s = ws_->clientSize();
        *result = intValue(command == GR_CMD_CLIENT_WIDTH ? s.width : s.height);
        return GR_OK;
    }
    case GR_CMD_PLACE_WINDOW: {
        ControlState* c = nullptr;
        if (gr_status st = controlArg(args, nargs, 0, "PlaceWindow", c)) return st;
        std::optional<int> left, top;
        double v = 0;
        if (nargs >= 2 && args[1].kind != GR_KIND_NONE) {
            if (gr_status st = numberArg(args, nargs, 1, "PlaceWindow", v)) return st;
            left = conv::toInt32(v);
        }
        if (nargs >= 3 && args[2].kind != GR_KIND_NONE) {
            if (gr_status st = numberArg(args, nargs, 2, "PlaceWindow", v)) return st;
            top = conv::toInt32(v);
        }
        ws_->placeWindow(left, top);
        return GR_OK;
    }
    case GR_CMD_CLOSE_MAIN_WINDOW: {
        ControlState* c = nullptr;
        if (gr_status st = controlArg(args, nargs, 0, "CloseMainWindow", c)) return st;
        ws_->closeMainWindow();
        return GR_OK;
    }
    default: {
        std::string m = "没有编号为 " + conv::integerToText(command) + " 的运行时命令。";
        return reportError(GR_ERR_NO_SUCH_COMMAND, m);
    }
    }
}

// --- Properties ----------------------------------------------------------------

namespace {

// Which properties each kind has, and whether they hold a text.
bool hasProperty(uint32_t kind, bool window_self, int32_t property)
{
    if (window_self) return (property >= kPropLeft && property <= kPropHeight) || property == kPropText;
    switch (property) {
    case kPropDisabled:
        return kind == form::kEditBox || kind == form::kCheckBox || kind == form::kRadioButton ||
               kind == form::kComboBox || kind == form::kButton;
    case kPropText:
    case kPropEditTextColour: return kind == form::kEditBox;
    case kPropLabelTextColour: return kind == form::kLabel;
    case kPropPrinterFont: return kind == form::kPrinter;
    case kPropChecked: return kind == form::kCheckBox || kind == form::kRadioButton;
    case kPropSelectedIndex: return kind == form::kComboBox;
    default: return false;
    }
}

} // namespace

gr_status Host::getProperty(uint32_t window, uint32_t identity, int32_t property, gr_value* result)
{
    gr_value scratch{};
    if (result == nullptr) result = &scratch;
    *result = gr_value{};
    ControlState* c = control(window, identity);
    if (c == nullptr) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "找不到窗口 0x%08X 的控件 0x%08X。", window, identity);
        return reportError(GR_ERR_NO_SUCH_CONTROL, buf);
    }
    const bool self = c->kind == form::kWindow;
    if (!hasProperty(c->kind, self, property)) {
        std::string m = "控件“" + (c->element ? c->element->name : std::string()) + "”没有属性 " +
                        conv::integerToText(property) + "。";
        return reportError(GR_ERR_NO_SUCH_PROPERTY, m);
    }
    switch (property) {
    case kPropLeft: *result = intValue(ws_->windowRect().left); break;
    case kPropTop: *result = intValue(ws_->windowRect().top); break;
    case kPropWidth: *result = intValue(ws_->windowRect().width); break;
    case kPropHeight: *result = intValue(ws_->windowRect().height); break;
    case kPropDisabled: *result = intValue(c->disabled ? 1 : 0); break;
    case kPropText: return returnText(c->text, result);
    case kPropEditTextColour:
    case kPropLabelTextColour: *result = intValue(c->text_colour); break;
    case kPropPrinterFont: *result = doubleValue(c->font_size); break;
    case kPropChecked: *result = intValue(c->checked); break;
    case kPropSelectedIndex: *result = intValue(c->selected_index); break;
    default: break;
    }
    return GR_OK;
}

gr_status Host::setProperty(uint32_t window, uint32_t identity, int32_t property, int32_t sub_field,
                            const gr_value* value)
{
    ControlState* c = control(window, identity);
    if (c == nullptr) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "找不到窗口 0x%08X 的控件 0x%08X。", window, identity);
        return reportError(GR_ERR_NO_SUCH_CONTROL, buf);
    }
    const bool self = c->kind == form::kWindow;
    if (!hasProperty(c->kind, self, property) || (self && property != kPropText) || value == nullptr) {
        std::string m = "不能设置控件“" + (c->element ? c->element->name : std::string()) + "”的属性 " +
                        conv::integerToText(property) + "。";
        return reportError(GR_ERR_NO_SUCH_PROPERTY, m);
    }
    // The operation's name is only needed for an error message: made when
    // the value has the wrong kind, not on every call.
    const auto op = [property] { return "SetProperty " + conv::integerToText(property); };
    if (property == kPropText) {
        std::string_view text;
        if (value->kind != GR_KIND_TEXT) return textArg(value, 1, 0, op().c_str(), text);
        text = std::string_view(value->u.text.data, value->u.text.len);
        c->text.assign(text);
        c->caret = 0;
        ws_->refresh(*c, property);
        return GR_OK;
    }
    double number = 0;
    if (!isNumeric(value->kind)) return numberArg(value, 1, 0, op().c_str(), number);
    number = widen(*value);
    switch (property) {
    case kPropDisabled: c->disabled = number != 0; break;
    case kPropEditTextColour:
    case kPropLabelTextColour: c->text_colour = static_cast<uint32_t>(static_cast<int64_t>(number)); break;
    case kPropPrinterFont:
        if (sub_field == kFontSizeSubField) c->font_size = number;
        break;
    case kPropChecked: c->checked = conv::toInt32(number) != 0 ? 1 : 0; break;
    case kPropSelectedIndex: {
        // An index outside the item list leaves the combo box without a
        // selection rather than pointing at an item that does not exist.
        int32_t i = conv::toInt32(number);
        c->selected_index = (i >= 0 && static_cast<size_t>(i) < c->items.size()) ? i : -1;
        break;
    }
    default: break;
    }
    ws_->refresh(*c, property);
    return GR_OK;
}

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

// The identity of the window's own element (its events and properties).
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

// --- Start, loop, exit ---------------------------------------------------------

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

// --- Acting as the user -----------------------------------------------------------

bool Host::typeText(uint32_t identity, std::string_view text)
{
    ControlState* c = model_.find(identity);
    if (c == nullptr || c->kind != form::kEditBox) return false;
    c->text.assign(text);
    c->caret = c->text.size();
    ws_->refresh(*c, kPropText);
    return true;
}

bool Host::selectItem(uint32_t identity, int32_t index)
{
    ControlState* c = model_.find(identity);
    if (c == nullptr || c->kind != form::kComboBox) return false;
    c->selected_index = (index >= 0 && static_cast<size_t>(index) < c->items.size()) ? index : -1;
    ws_->refresh(*c, kPropSelectedIndex);
    return true;
}

bool Host::click(uint32_t identity)
{
    ControlState* c = model_.find(identity);
    if (c == nullptr || c->disabled) return false;
    model_.applyClick(*c);
    if (c->kind == form::kRadioButton) {
        for (ControlState& other : model_.controls())
            if (other.kind == form::kRadioButton) ws_->refresh(other, kPropChecked);
    } else {
        ws_->refresh(*c, kPropChecked);
    }
    dispatchEvent(identity, form::kEventClicked, {});
    return true;
}

void Host::pressKey(int32_t key_code, int32_t modifiers)
{
    dispatchEvent(selfIdentity(), form::kEventKeyPressed, {key_code, modifiers});
}

void Host::moveMouse(int32_t x, int32_t y, int32_t modifiers)
{
    dispatchEvent(selfIdentity(), form::kEventMouseMoved, {x, y, modifiers});
}

} // namespace gr
