// The print job being laid out between BeginPrint and EndPrint, and the
// jobs sent (kept for the command line and tests).
#pragma once

#include <gearhost/window_system.hpp>

#include <optional>
#include <string>
#include <vector>

namespace gr {

class PrintSpooler {
public:
    // Starts a job the user accepted in the print dialog.
    void begin(const std::string& document_name, const PrintAnswer& answer, double font_size);
    // Forgets a job the user cancelled: what follows until the next begin
    // prints nothing.
    void cancel() { job_.reset(); }
    void setFontSize(double size) { font_size_ = size; }
    // Places a text; ignored without a job.
    void place(int x, int y, std::string text);
    // Draws a line through `points` (two or more); ignored without a job.
    void draw(std::vector<PagePoint> points, double pen_width);
    // Ends the job and sends it through `ws`. Nothing when no job was
    // open; else whether the window system took it.
    std::optional<bool> end(WindowSystem& ws);

    const std::vector<PrintJob>& sent() const { return sent_; }

private:
    std::optional<PrintJob> job_;
    double font_size_ = 12.0;
    std::vector<PrintJob> sent_;
};

} // namespace gr
