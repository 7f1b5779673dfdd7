// The headless window system with one addition: it records where each text
// the program appends to one edit box ends. The report's values are then
// taken piece by piece as the program wrote them, so a line break inside a
// typed value cannot pass for a line of its own.
#pragma once

#include <gearhost/headless.hpp>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace gearcalc::report {

class RecordingWindowSystem final : public gr::WindowSystem {
public:
    // Records the appends to the edit box `watched`.
    explicit RecordingWindowSystem(uint32_t watched) : watched_(watched) {}

    // End offsets, in the box's content, of the texts appended since its
    // content was last set.
    const std::vector<std::size_t>& appendEnds() const noexcept { return ends_; }

    void build(gr::FormModel& model, gr::EventSink& sink) override { inner_.build(model, sink); }
    void refresh(const gr::ControlState& control, int32_t property) override;
    void appended(const gr::ControlState& control, std::string_view added) override;

    gr::Rect windowRect() const override { return inner_.windowRect(); }
    gr::Size clientSize() const override { return inner_.clientSize(); }
    void placeWindow(std::optional<int> left, std::optional<int> top) override { inner_.placeWindow(left, top); }
    int screenWidth() const override { return inner_.screenWidth(); }
    gr::Point cursor() const override { return inner_.cursor(); }

    int runMessageLoop() override { return inner_.runMessageLoop(); }
    void closeMainWindow() override { inner_.closeMainWindow(); }
    bool windowOpen() const override { return inner_.windowOpen(); }
    void setVisualStyle(bool themed) override { inner_.setVisualStyle(themed); }

    int showMessage(const gr::MessageRequest& request) override { return inner_.showMessage(request); }
    gr::PrintAnswer askPrint(const std::string& document_name) override { return inner_.askPrint(document_name); }
    bool submitPrintJob(const gr::PrintJob& job) override { return inner_.submitPrintJob(job); }

private:
    gr::HeadlessWindowSystem inner_;
    uint32_t watched_;
    std::vector<std::size_t> ends_;
};

} // namespace gearcalc::report
