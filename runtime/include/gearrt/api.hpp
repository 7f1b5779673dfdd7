// The program's view of the runtime: a thin, type-safe C++ layer over the
// service table, with the runtime's operation names. Texts come back as
// owning `Text` objects that hand their memory back to the runtime.
//
// Errors: when a service reports a runtime error, the runtime has already
// told the user; the facade then throws `rt::Abort`, which unwinds to the
// routine's entry (see `rt::entry`) and ends the routine there. No exception
// ever crosses the service table.
#pragma once

#include <gearrt/services.h>

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace rt {

// Thrown inside the program to end the current routine after a runtime
// error was reported.
struct Abort {
    gr_status code;
};

// A control passed as an object.
struct Control {
    uint32_t window;
    uint32_t identity;
    uint32_t kind;
};

// A text owned by the program, allocated by the runtime.
class Text {
public:
    Text() = default;
    Text(gr_env* env, gr_text text) : env_(env), text_(text) {}
    Text(const Text&) = delete;
    Text& operator=(const Text&) = delete;
    Text(Text&& other) noexcept : env_(other.env_), text_(other.text_) { other.text_ = gr_text{}; }
    Text& operator=(Text&& other) noexcept
    {
        if (this != &other) {
            reset();
            env_ = other.env_;
            text_ = other.text_;
            other.text_ = gr_text{};
        }
        return *this;
    }
    ~Text() { reset(); }

    std::string_view view() const { return text_.data ? std::string_view(text_.data, text_.len) : std::string_view(); }
    operator std::string_view() const { return view(); }
    std::string str() const { return std::string(view()); }
    bool empty() const { return text_.len == 0; }

private:
    void reset()
    {
        if (text_.data != nullptr) env_->services->release(env_, const_cast<char*>(text_.data));
        text_ = gr_text{};
    }
    gr_env* env_ = nullptr;
    gr_text text_{};
};

// A typed value (a database field as read). Owns its text, if any.
class Value {
public:
    Value(gr_env* env, const gr_value& v) : env_(env), v_(v) {}
    Value(const Value&) = delete;
    Value& operator=(const Value&) = delete;
    Value(Value&& o) noexcept : env_(o.env_), v_(o.v_) { o.v_ = gr_value{}; }
    Value& operator=(Value&&) = delete;
    ~Value()
    {
        if (v_.kind == GR_KIND_TEXT && v_.u.text.data != nullptr)
            env_->services->release(env_, const_cast<char*>(v_.u.text.data));
    }
    const gr_value& raw() const { return v_; }
    gr_kind kind() const { return static_cast<gr_kind>(v_.kind); }

private:
    gr_env* env_;
    gr_value v_;
};

namespace detail {

inline gr_value text(std::string_view s)
{
    gr_value v{};
    v.kind = GR_KIND_TEXT;
    v.u.text.data = s.data();
    v.u.text.len = static_cast<uint32_t>(s.size());
    return v;
}
inline gr_value integer(int64_t i)
{
    gr_value v{};
    v.kind = GR_KIND_INT;
    v.u.i = i;
    return v;
}
inline gr_value dbl(double d)
{
    gr_value v{};
    v.kind = GR_KIND_DOUBLE;
    v.u.d = d;
    return v;
}
inline gr_value logical(bool b)
{
    gr_value v{};
    v.kind = GR_KIND_BOOL;
    v.u.i = b ? 1 : 0;
    return v;
}
inline gr_value control(const Control& c)
{
    gr_value v{};
    v.kind = GR_KIND_CONTROL;
    v.u.control = gr_control_ref{c.window, c.identity, c.kind};
    return v;
}
inline gr_value none()
{
    return gr_value{};
}

} // namespace detail

// The runtime as the program sees it.
class Runtime {
public:
    explicit Runtime(gr_env* env) : env_(env) {}
    gr_env* env() const { return env_; }

    // --- Properties ---
    Text GetPropertyText(const Control& c, int32_t property) const
    {
        gr_value v = get(c, property);
        if (v.kind != GR_KIND_TEXT) fail(GR_ERR_TEXT_EXPECTED, "属性不是文本");
        return Text(env_, v.u.text);
    }
    int64_t GetPropertyInt(const Control& c, int32_t property) const
    {
        gr_value v = get(c, property);
        switch (v.kind) {
        case GR_KIND_DOUBLE: return static_cast<int64_t>(v.u.d);
        case GR_KIND_FLOAT: return static_cast<int64_t>(v.u.f);
        case GR_KIND_TEXT:
            env_->services->release(env_, const_cast<char*>(v.u.text.data));
            fail(GR_ERR_NUMBER_EXPECTED, "属性不是数字");
        default: return v.u.i;
        }
    }
    void SetProperty(const Control& c, int32_t property, int64_t value, int32_t sub_field = -1) const
    {
        gr_value v = detail::integer(value);
        check(env_->services->set_property(env_, c.window, c.identity, property, sub_field, &v));
    }
    void SetPropertyNumber(const Control& c, int32_t property, double value, int32_t sub_field = -1) const
    {
        gr_value v = detail::dbl(value);
        check(env_->services->set_property(env_, c.window, c.identity, property, sub_field, &v));
    }
    void SetPropertyText(const Control& c, int32_t property, std::string_view value) const
    {
        gr_value v = detail::text(value);
        check(env_->services->set_property(env_, c.window, c.identity, property, -1, &v));
    }

    // --- The program's constants ---
    // Text constant `index` of the loaded program; valid while the runtime runs.
    std::string_view Const(uint32_t index) const
    {
        gr_text t{};
        check(env_->services->constant_text(env_, index, &t));
        return std::string_view(t.data, t.len);
    }

    // --- The program's controls ---
    // Entry `index` of the loaded program's control table: 0 is the window
    // itself, then the controls in form order. Controls are reached only
    // through this, so the runtime is free to number them.
    Control Ctl(uint32_t index) const
    {
        gr_control_ref r{};
        check(slot(&gr_services::control_ref)(env_, index, &r));
        return Control{r.window, r.control, r.kind};
    }

    // Number constant `index` of the loaded program.
    double Number(uint32_t index) const
    {
        double d = 0.0;
        check(slot(&gr_services::constant_number)(env_, index, &d));
        return d;
    }
    // Entry `index` of the loaded program's routines passed as values.
    gr_routine_fn RoutineValue(uint32_t index) const
    {
        gr_routine_fn fn = nullptr;
        check(slot(&gr_services::routine_value)(env_, index, &fn));
        return fn;
    }
    // Calls the support-library command of entry `index` of the loaded
    // program's library-call table.
    void CallLibrary(uint32_t index, std::initializer_list<gr_value> args) const
    {
        gr_value r{};
        check(slot(&gr_services::call_library_entry)(env_, index, args.begin(), static_cast<int32_t>(args.size()), &r));
        if (r.kind == GR_KIND_TEXT) env_->services->release(env_, const_cast<char*>(r.u.text.data));
    }

    // --- Databases ---
    Text ProgramFolder() const { return textCall(GR_CMD_PROGRAM_FOLDER, {}); }
    bool OpenDatabase(std::string_view path, std::string_view alias) const
    {
        return boolCall(GR_CMD_OPEN_DATABASE, {detail::text(path), detail::text(alias)});
    }
    Text LastDatabaseError() const { return textCall(GR_CMD_LAST_DATABASE_ERROR, {}); }
    // Whether the last OpenDatabase ended otherwise than the previous one
    // of the same path in this run; true for a path's first open.
    bool DatabaseStateChanged() const { return boolCall(GR_CMD_DATABASE_STATE_CHANGED, {}); }
    bool SelectDatabase(std::string_view alias) const { return boolCall(GR_CMD_SELECT_DATABASE, {detail::text(alias)}); }
    bool GoFirst() const { return boolCall(GR_CMD_GO_FIRST, {}); }
    // Searches with a condition routine (a routine passed as a value).
    bool SearchRecord(gr_routine_fn condition, void* ctx) const
    {
        gr_value v{};
        v.kind = GR_KIND_ROUTINE;
        v.u.routine = gr_routine_ref{condition, ctx};
        return boolCall(GR_CMD_SEARCH_RECORD, {v});
    }
    Value ReadField(std::string_view name) const { return readField(name, GR_KIND_NONE); }
    // A field that must be a number, widened to double (runtime error 2 otherwise).
    double ReadNumber(std::string_view name) const
    {
        Value v = readField(name, GR_KIND_DOUBLE);
        const gr_value& r = v.raw();
        switch (r.kind) {
        case GR_KIND_FLOAT: return static_cast<double>(r.u.f);
        case GR_KIND_DOUBLE: return r.u.d;
        default: return static_cast<double>(r.u.i);
        }
    }
    // A field that must be a text (runtime error 5 otherwise).
    Text ReadText(std::string_view name) const
    {
        gr_value r = callRaw(GR_CMD_READ_FIELD, {detail::text(name), detail::integer(GR_KIND_TEXT)});
        return Text(env_, r.u.text);
    }

    // --- Conversions and arithmetic ---
    double TextToNumber(std::string_view text) const { return numberCall(GR_CMD_TEXT_TO_NUMBER, {detail::text(text)}); }
    Text ValueToText(double x) const { return textCall(GR_CMD_VALUE_TO_TEXT, {detail::dbl(x)}); }
    Text ValueToText(int32_t x) const { return textCall(GR_CMD_VALUE_TO_TEXT, {detail::integer(x)}); }
    Text ValueToText(const Value& x) const { return textCall(GR_CMD_VALUE_TO_TEXT, {x.raw()}); }
    Text NumberToNameText(double x, bool simplified) const
    {
        return textCall(GR_CMD_NUMBER_TO_NAME_TEXT, {detail::dbl(x), detail::logical(simplified)});
    }
    double RoundTo(double x, int32_t places) const
    {
        return numberCall(GR_CMD_ROUND_TO, {detail::dbl(x), detail::integer(places)});
    }
    double Abs(double x) const { return numberCall(GR_CMD_ABS, {detail::dbl(x)}); }
    double Cos(double x) const { return numberCall(GR_CMD_COS, {detail::dbl(x)}); }
    double Tan(double x) const { return numberCall(GR_CMD_TAN, {detail::dbl(x)}); }
    double Atan(double x) const { return numberCall(GR_CMD_ATAN, {detail::dbl(x)}); }

    // --- Window and controls ---
    int32_t ShowMessage(std::string_view text, int32_t style) const
    {
        gr_value r = callRaw(GR_CMD_SHOW_MESSAGE, {detail::text(text), detail::integer(style)});
        return static_cast<int32_t>(r.u.i);
    }
    void AppendText(const Control& c, std::string_view text) const
    {
        callRaw(GR_CMD_APPEND_TEXT, {detail::control(c), detail::text(text)});
    }
    Text ItemText(const Control& c, int32_t index) const
    {
        return textCall(GR_CMD_ITEM_TEXT, {detail::control(c), detail::integer(index)});
    }
    int32_t ScreenWidth() const { return intCall(GR_CMD_SCREEN_WIDTH, {}); }
    int32_t CursorX() const { return intCall(GR_CMD_CURSOR_X, {}); }
    int32_t CursorY() const { return intCall(GR_CMD_CURSOR_Y, {}); }
    int32_t ClientWidth(const Control& w) const { return intCall(GR_CMD_CLIENT_WIDTH, {detail::control(w)}); }
    int32_t ClientHeight(const Control& w) const { return intCall(GR_CMD_CLIENT_HEIGHT, {detail::control(w)}); }
    void PlaceWindow(const Control& w, std::optional<int32_t> left, std::optional<int32_t> top) const
    {
        callRaw(GR_CMD_PLACE_WINDOW, {detail::control(w), left ? detail::integer(*left) : detail::none(),
                                      top ? detail::integer(*top) : detail::none()});
    }
    // The monitor the window is on; nothing from a runtime older than that
    // service.
    std::optional<gr_monitor> WindowMonitor(const Control& w) const
    {
        const gr_services* s = env_->services;
        if (!hasSlot(&gr_services::window_monitor)) return std::nullopt;
        gr_monitor m{};
        check(s->window_monitor(env_, w.window, &m));
        return m;
    }
    void CloseMainWindow(const Control& w) const { callRaw(GR_CMD_CLOSE_MAIN_WINDOW, {detail::control(w)}); }
    void EnableVisualStyle(int32_t on) const
    {
        gr_value arg = detail::integer(on);
        gr_value r{};
        check(env_->services->call_library(env_, GR_LIB_STYLE, GR_STYLE_CMD_ENABLE_VISUAL_STYLE, &arg, 1, &r));
    }

    // --- Printing ---
    bool BeginPrint(const Control& printer, bool a, bool b, int32_t c) const
    {
        return boolCall(GR_CMD_BEGIN_PRINT,
                        {detail::control(printer), detail::logical(a), detail::logical(b), detail::integer(c)});
    }
    void SetPrintFontSize(const Control& printer, double size) const
    {
        callRaw(GR_CMD_SET_PRINT_FONT_SIZE, {detail::control(printer), detail::dbl(size)});
    }
    void PrintText(const Control& printer, int32_t x, int32_t y, std::string_view text) const
    {
        callRaw(GR_CMD_PRINT_TEXT, {detail::control(printer), detail::integer(x), detail::integer(y), detail::text(text)});
    }
    void EndPrint(const Control& printer) const { callRaw(GR_CMD_END_PRINT, {detail::control(printer)}); }
    // Lines on the page (interface version 4), in the printer's units.
    void PrintLine(const Control& printer, double x1, double y1, double x2, double y2, double pen_width) const
    {
        callRaw(GR_CMD_PRINT_LINE, {detail::control(printer), detail::dbl(x1), detail::dbl(y1), detail::dbl(x2),
                                    detail::dbl(y2), detail::dbl(pen_width)});
    }
    // A line through the points (x, y) of `xy` = x1, y1, x2, y2, ...
    void PrintPolyline(const Control& printer, double pen_width, const double* xy, std::size_t count) const
    {
        std::vector<gr_value> args;
        args.reserve(count + 2);
        args.push_back(detail::control(printer));
        args.push_back(detail::dbl(pen_width));
        for (std::size_t i = 0; i < count; ++i) args.push_back(detail::dbl(xy[i]));
        gr_value r{};
        check(env_->services->call_core(env_, GR_CMD_PRINT_POLYLINE, args.data(), static_cast<int32_t>(args.size()), &r));
    }

    // --- Services of later interface versions, asked for first ---
    // Whether the runtime's table has `member` (an older runtime's ends
    // before the slots a later version added).
    template <typename Fn>
    bool Offers(Fn gr_services::*member) const
    {
        return hasSlot(member);
    }
    // The sizes of the loaded program's tables; nothing from a runtime
    // that cannot tell.
    std::optional<gr_program_sizes> ProgramSizes() const
    {
        if (!Offers(&gr_services::program_sizes)) return std::nullopt;
        gr_program_sizes sizes{};
        if (env_->services->program_sizes(env_, &sizes) != GR_OK) return std::nullopt;
        return sizes;
    }
    // Puts entry `command` on the control's context menu, or changes its
    // text and state; false (and nothing happens) on a runtime without
    // context menus.
    bool ContextMenuEntry(const Control& c, int32_t command, std::string_view text, bool enabled) const
    {
        if (!Offers(&gr_services::context_menu_entry)) return false;
        check(env_->services->context_menu_entry(env_, c.window, c.identity, command, text.data(),
                                                 static_cast<uint32_t>(text.size()), enabled ? 1 : 0));
        return true;
    }

    // Reports an error the program itself found, then ends the routine.
    [[noreturn]] void fail(gr_status code, std::string_view message) const
    {
        env_->services->error_trap(env_, code, message.data(), static_cast<uint32_t>(message.size()));
        throw Abort{code};
    }

private:
    // A slot of a later table version: an older runtime's table ends before it.
    template <typename Fn>
    bool hasSlot(Fn gr_services::*member) const
    {
        const gr_services* s = env_->services;
        const auto offset = reinterpret_cast<const char*>(&(s->*member)) - reinterpret_cast<const char*>(s);
        return s->struct_size >= static_cast<size_t>(offset) + sizeof(Fn) && s->*member != nullptr;
    }
    template <typename Fn>
    Fn slot(Fn gr_services::*member) const
    {
        if (!hasSlot(member)) fail(GR_ERR_NO_SUCH_COMMAND, "运行库的服务表缺少程序需要的服务，请换用新版运行库。");
        return env_->services->*member;
    }
    void check(gr_status st) const
    {
        if (st != GR_OK) throw Abort{st};
    }
    gr_value get(const Control& c, int32_t property) const
    {
        gr_value v{};
        check(env_->services->get_property(env_, c.window, c.identity, property, &v));
        return v;
    }
    gr_value callRaw(int32_t command, std::initializer_list<gr_value> args) const
    {
        gr_value r{};
        check(env_->services->call_core(env_, command, args.begin(), static_cast<int32_t>(args.size()), &r));
        return r;
    }
    Value readField(std::string_view name, int32_t expect) const
    {
        gr_value r = callRaw(GR_CMD_READ_FIELD,
                             {detail::text(name), expect == GR_KIND_NONE ? detail::none() : detail::integer(expect)});
        return Value(env_, r);
    }
    Text textCall(int32_t command, std::initializer_list<gr_value> args) const
    {
        gr_value r = callRaw(command, args);
        return Text(env_, r.u.text);
    }
    double numberCall(int32_t command, std::initializer_list<gr_value> args) const { return callRaw(command, args).u.d; }
    int32_t intCall(int32_t command, std::initializer_list<gr_value> args) const
    {
        return static_cast<int32_t>(callRaw(command, args).u.i);
    }
    bool boolCall(int32_t command, std::initializer_list<gr_value> args) const { return callRaw(command, args).u.i != 0; }

    gr_env* env_;
};

namespace detail {

// Anything but a reported runtime error that reaches a routine's entry is a
// fault of the program: say so, and end the routine.
inline gr_status internalError(gr_env* env) noexcept
{
    static const char kMessage[] = "程序内部错误。";
    env->services->error_trap(env, GR_ERR_ABORTED, kMessage, sizeof kMessage - 1);
    return GR_ERR_ABORTED;
}

} // namespace detail

// Wraps a C++ routine body as a routine the runtime can call: a runtime
// error ends the routine with GR_ERR_ABORTED; nothing escapes.
template <void (*Body)(const Runtime&, const gr_value* args, int32_t nargs)>
gr_status entry(gr_env* env, void*, const gr_value* args, int32_t nargs, gr_value* result) noexcept
{
    if (result != nullptr) *result = gr_value{};
    try {
        Body(Runtime(env), args, nargs);
        return GR_OK;
    } catch (const Abort&) {
        return GR_ERR_ABORTED;
    } catch (...) {
        return detail::internalError(env);
    }
}

// Wraps a search condition: Body gets the runtime and the routine's context
// and answers true or false.
template <typename Ctx, bool (*Body)(const Runtime&, Ctx&)>
gr_status condition(gr_env* env, void* ctx, const gr_value*, int32_t, gr_value* result) noexcept
{
    try {
        bool ok = Body(Runtime(env), *static_cast<Ctx*>(ctx));
        if (result != nullptr) {
            *result = gr_value{};
            result->kind = GR_KIND_BOOL;
            result->u.i = ok ? 1 : 0;
        }
        return GR_OK;
    } catch (const Abort&) {
        return GR_ERR_ABORTED;
    } catch (...) {
        return detail::internalError(env);
    }
}

} // namespace rt
