// The host runtime: one instance owns the program's window (through a
// window-system backend), the record databases, the dialog seam, the print
// spooler, the support libraries and the service table it hands to the
// program. The table's slots forward to the members below; the core
// commands live in commands/, one small function each.
#pragma once

#include <gearhost/block_pool.hpp>
#include <geardb/database_set.hpp>
#include <gearhost/dialog_seam.hpp>
#include <gearhost/model.hpp>
#include <gearhost/print_spooler.hpp>
#include <gearhost/support_library.hpp>
#include <gearhost/window_system.hpp>

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
    gr_status windowMonitor(uint32_t window, gr_monitor* out);
    gr_status contextMenuEntry(uint32_t window, uint32_t control, int32_t command, const char* text, uint32_t len,
                               int32_t enabled);
    gr_status programSizes(gr_program_sizes* out);
    void* allocate(size_t size) { return pool_.allocate(size); }
    void release(void* block) { pool_.release(block); }

    // --- What the core commands work on ---
    FormModel& model() { return model_; }
    WindowSystem& windowSystem() { return *ws_; }
    DialogSeam& dialogs() { return dialogs_; }
    db::DatabaseSet& databases() { return databases_; }
    PrintSpooler& spooler() { return spooler_; }
    bool windowBuilt() const { return window_built_; }
    const std::string& programFolder() const { return options_.program_folder; }
    // Why the last OpenDatabase failed ("" when it did not).
    const std::string& lastOpenError() const { return last_open_error_; }
    void setLastOpenError(std::string error) { last_open_error_ = std::move(error); }
    // The control `identity` of `window`; null when the window is not
    // built or has no such control.
    ControlState* control(uint32_t window, uint32_t identity);

    // --- Events (backends, and the user-action driver) ---
    // The identity of the window's own element (its events and properties).
    uint32_t selfIdentity() const;
    // Runs the routine bound to (identity, event), if any.
    void dispatchEvent(uint32_t identity, int32_t event, const std::vector<int64_t>& args) override;

    std::optional<int32_t> exitCode() const { return exit_code_; }
    bool visualStyleThemed() const { return themed_; }
    // Texts handed out and not yet released (leak check for tests).
    long outstandingAllocations() const { return pool_.outstanding(); }
    const std::vector<PrintJob>& printedJobs() const { return spooler_.sent(); }

private:
    struct EnvImpl {
        gr_env base;
        Host* host;
    };

    const gr_library_info* supportLibrary(int32_t position, std::string& error);

    ProgramDescription program_;
    std::vector<gr_control_ref> controls_; // the control table the program names controls by
    std::vector<LibraryRequirement> library_list_; // the program's support libraries by position
    std::unique_ptr<WindowSystem> ws_;
    HostOptions options_;
    EnvImpl env_;
    FormModel model_;
    bool window_built_ = false;
    db::DatabaseSet databases_;
    DialogSeam dialogs_;
    PrintSpooler spooler_;
    BlockPool pool_;
    gr_routine_ref exit_routine_{};
    std::optional<int32_t> exit_code_;
    bool themed_ = false;
    std::vector<SupportLibrary> libraries_; // by position, opened on first use
    std::string last_open_error_;
};

// The service table every host hands out.
const gr_services* serviceTable();

// The headless window system: controls held in memory, a virtual screen.
class HeadlessWindowSystem;
std::unique_ptr<WindowSystem> makeHeadlessWindowSystem();

} // namespace gr
