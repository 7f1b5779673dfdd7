// What the runtime needs of a window system. Two backends implement it:
// the Qt Widgets one (the real window) and a headless one (controls held in
// memory, for tests and the command line). Both mirror the same FormModel.
#pragma once

#include <gearhost/model.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gr {

struct Rect {
    int left = 0, top = 0, width = 0, height = 0;
};
struct Size {
    int width = 0, height = 0;
};
struct Point {
    int x = 0, y = 0;
};

// Edges of a monitor, as bits (the service table's GR_EDGE_* values).
enum : unsigned { kEdgeLeft = 1u, kEdgeTop = 2u, kEdgeRight = 4u, kEdgeBottom = 8u, kAllEdges = 15u };

// The monitor a window is on, in the units of the window's place, and the
// edges at which the desktop ends alongside the window.
struct MonitorView {
    Rect area;
    unsigned open_edges = kAllEdges;
};

// A modal message box request and the dialog seam's answer.
struct MessageRequest {
    std::string text;
    std::string caption;
    int32_t style = 0; // 0x40 information, 0x10 error
};

// A point on the printed page, in tenths of a millimetre from its top-left
// corner.
struct PagePoint {
    double x = 0.0, y = 0.0;
    bool operator==(const PagePoint&) const = default;
};

// One print job as the program laid it out: font changes and texts placed
// at positions in the printer's units (tenths of a millimetre from the
// page's top-left corner; font sizes in points), and lines drawn through
// points with a pen width in the same units. An item with `points` is a
// line (two or more points joined in order) and has no text; it is drawn on
// the page the texts before it have reached.
struct PrintItem {
    double font_size = 12.0;
    int x = 0, y = 0;
    std::string text; // may hold CR LF line breaks
    std::vector<PagePoint> points = {};
    double pen_width = 0.0; // 0: the device's thinnest line
    bool isLine() const { return !points.empty(); }
};
struct PrintJob {
    std::string document_name;
    std::vector<PrintItem> items;
    std::string pdf_path; // non-empty: render into this PDF file instead of a printer
};

// The user's answer to the print dialog.
struct PrintAnswer {
    bool accepted = true;
    std::string pdf_path; // non-empty: print to this PDF file
};

// Receives what the user does in a backend's window.
class EventSink {
public:
    virtual ~EventSink() = default;
    // A user edit or click has already changed the model; now run the
    // handler bound to (identity, event), if any.
    virtual void dispatchEvent(uint32_t identity, int32_t event, const std::vector<int64_t>& args) = 0;
};

class WindowSystem {
public:
    virtual ~WindowSystem() = default;

    // Builds the window from the model (which holds the form description)
    // and shows it. Events of the user go to `sink`.
    virtual void build(FormModel& model, EventSink& sink) = 0;
    // The program changed `property` of `control` in the model: show it.
    virtual void refresh(const ControlState& control, int32_t property) = 0;
    // Text was appended to an edit box's content in the model.
    virtual void appended(const ControlState& control, std::string_view added) = 0;

    virtual Rect windowRect() const = 0; // outer frame, screen coordinates
    virtual Size clientSize() const = 0;
    virtual void placeWindow(std::optional<int> left, std::optional<int> top) = 0;
    virtual int screenWidth() const = 0;
    virtual Point cursor() const = 0;
    // The window's monitor. A window system that knows of one screen only
    // has it start at the origin and end at the screen width.
    virtual MonitorView windowMonitor() const { return MonitorView{Rect{0, 0, screenWidth(), 0}, kAllEdges}; }

    // Runs until the main window is closed; returns its exit status.
    virtual int runMessageLoop() = 0;
    virtual void closeMainWindow() = 0;
    virtual bool windowOpen() const = 0;

    // Switches the controls to the platform's themed look (true) or the
    // plain look (false).
    virtual void setVisualStyle(bool themed) = 0;

    // Modal dialogs when no answer was queued in the dialog seam.
    virtual int showMessage(const MessageRequest& request) = 0; // returns the button (1 = OK)
    virtual PrintAnswer askPrint(const std::string& document_name) = 0;
    // Sends a finished job to its printer or PDF file; false on failure.
    virtual bool submitPrintJob(const PrintJob& job) = 0;

    // The platform's warning sound, for input that a control refuses.
    virtual void beep() {}
};

} // namespace gr
