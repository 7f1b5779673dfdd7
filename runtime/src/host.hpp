// The host runtime: one instance owns the program's window (through a
// window-system backend), the record databases, the dialog seam and the
// service table it hands to the program.
#pragma once

#include "db/database_set.hpp"
#include "dialog_seam.hpp"
#include "model.hpp"
#include "window_system.hpp"

#include <gearrt/library.h>
#include <gearrt/program.hpp>
#include <gearrt/services.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace gr {

struct HostOptions {
    std::string program_folder; // what ProgramFolder answers
    std::string library_folder; // where support libraries are loaded from
    bool exit_process = false;  // the exit service ends the process (else it is recorded)
};

class Host : private EventSink {
public:
    Host(const ProgramDescription& program, std::unique_ptr<WindowSystem> window_system, HostOptions options);
    ~Host() override;
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    gr_env* env() { return &env_.base; }
    static Host& of(gr_env* env);

    // Calls the program's start routine; returns the exit code.
    int run();

    // --- Services (the table's slots call these) ---
    gr_status reportError(gr_status code, std::string_view message);
    gr_status callLibrary(int32_t library, int32_t command, const gr_value* args, int32_t nargs, gr_value* result);
    gr_status callCore(int32_t command, const gr_value* args, int32_t nargs, gr_value* result);
    gr_status getProperty(uint32_t window, uint32_t control, int32_t property, gr_value* result);
    gr_status setProperty(uint32_t window, uint32_t control, int32_t property, int32_t sub_field, const gr_value* value);
    void exitProgram(int32_t code);
    gr_status messageLoop(int32_t flags);
    gr_status createWindow(uint32_t window);
    gr_status initialise(int32_t mode, gr_routine_ref exit_routine);
    gr_status constantText(uint32_t index, gr_text* out);
    gr_status controlRef(uint32_t index, gr_control_ref* out);
    gr_status constantNumber(uint32_t index, double* out);
    gr_status routineValue(uint32_t index, gr_routine_fn* out);
    gr_status callLibraryEntry(uint32_t index, const gr_value* args, int32_t nargs, gr_value* result);

    // --- For the command line and tests: act as the user would ---
    FormModel& model() { return model_; }
    WindowSystem& windowSystem() { return *ws_; }
    DialogSeam& dialogs() { return dialogs_; }
    db::DatabaseSet& databases() { return databases_; }
    // Sets an edit box's content as if typed (no event).
    bool typeText(uint32_t identity, std::string_view text);
    // Types `keys` at the end of a single-line edit box's text one
    // character at a time, as the keyboard does, and pastes `text` there as
    // one edit; both by the typing rules (typing.hpp), so what the box
    // refuses beeps and changes nothing. False for a control the user
    // cannot type into (no event either way).
    bool typeKeys(uint32_t identity, std::string_view keys);
    bool paste(uint32_t identity, std::string_view text);
    // Selects a combo-box item as the user would (no event).
    bool selectItem(uint32_t identity, int32_t index);
    // Clicks a control: applies the click to its state, then runs its handler.
    bool click(uint32_t identity);
    // Presses a key while the window has the focus.
    void pressKey(int32_t key_code, int32_t modifiers = 0);
    // Moves the mouse to client coordinates (x, y).
    void moveMouse(int32_t x, int32_t y, int32_t modifiers = 0);
    // Runs the routine bound to (identity, event), if any.
    void dispatchEvent(uint32_t identity, int32_t event, const std::vector<int64_t>& args) override;

    std::optional<int32_t> exitCode() const { return exit_code_; }
    bool visualStyleThemed() const { return themed_; }

    // Texts handed out and not yet released (leak check for tests).
    long outstandingAllocations() const { return outstanding_; }
    void* allocate(size_t size);
    void release(void* block);

private:
    struct EnvImpl {
        gr_env base;
        Host* host;
    };

    gr_status returnText(std::string_view text, gr_value* result);
    uint32_t selfIdentity() const;
    ControlState* control(uint32_t window, uint32_t identity);
    gr_status numberArg(const gr_value* args, int32_t nargs, int32_t index, const char* op, double& out);
    gr_status textArg(const gr_value* args, int32_t nargs, int32_t index, const char* op, std::string_view& out);
    gr_status controlArg(const gr_value* args, int32_t nargs, int32_t index, const char* op, ControlState*& out);
    gr_status badArgument(const char* op, std::string_view what);
    const gr_library_info* loadLibrary(int32_t position);

    ProgramDescription program_;
    std::vector<gr_control_ref> controls_; // the control table the program names controls by
    std::unique_ptr<WindowSystem> ws_;
    HostOptions options_;
    EnvImpl env_;
    FormModel model_;
    bool window_built_ = false;
    db::DatabaseSet databases_;
    DialogSeam dialogs_;
    gr_routine_ref exit_routine_{};
    std::optional<int32_t> exit_code_;
    bool themed_ = false;
    long outstanding_ = 0;
    std::vector<void*> spare_blocks_; // small blocks released, kept for reuse (see allocate)
    struct LoadedLibrary {
        void* handle = nullptr;
        const gr_library_info* info = nullptr;
    };
    std::vector<LoadedLibrary> libraries_;
    gr_library_host library_host_{};
    // The print job being laid out between BeginPrint and EndPrint.
    std::optional<PrintJob> print_job_;
    double print_font_size_ = 12.0;
    std::vector<PrintJob> printed_;
    std::string last_open_error_; // jobs sent (kept for the command line and tests)

public:
    const std::vector<PrintJob>& printedJobs() const { return printed_; }
};

// The service table every host hands out.
const gr_services* serviceTable();

// The headless window system: controls held in memory, a virtual screen.
class HeadlessWindowSystem;
std::unique_ptr<WindowSystem> makeHeadlessWindowSystem();

} // namespace gr
