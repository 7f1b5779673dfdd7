#include "recording_window.hpp"

namespace gearcalc::report {

void RecordingWindowSystem::refresh(const gr::ControlState& control, int32_t property)
{
    // The content was set as a whole (emptied at the start of a run): the
    // pieces start again.
    if (control.identity == watched_ && property == gr::kPropText) {
        ends_.clear();
        if (!control.text.empty()) ends_.push_back(control.text.size());
    }
    inner_.refresh(control, property);
}

void RecordingWindowSystem::appended(const gr::ControlState& control, std::string_view added)
{
    // The model has already taken the text: its size is where this piece ends.
    if (control.identity == watched_ && !added.empty()) ends_.push_back(control.text.size());
    inner_.appended(control, added);
}

} // namespace gearcalc::report
