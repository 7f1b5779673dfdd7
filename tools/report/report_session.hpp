// The calculation on the command line: one headless runtime instance with
// the program's window, filled from a gear's inputs and calculated by
// clicking 计算按钮, exactly as in the window. The report is then read back
// from the result box; its values are taken by label from the texts the
// program appended, one line at a time, so they are the very texts the
// window shows and no typed text can pass for another line.
#pragma once

#include "gear_input.hpp"

#include <gearhost/window_system.hpp>

#include <array>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace gr {
class Host;
class UserActions;
}

namespace gearcalc::report {

class RecordingWindowSystem;

enum class Outcome {
    Report,       // a report was written
    ItemNotFound, // the item number is not in the item catalogue
    NoModule,     // the module box was empty: the run ended without a report
    Stopped,      // the run stopped on a message (runtime error, catalogue missing), or it
                  // needed a catalogue that could not be opened
};

struct RunResult {
    Outcome outcome = Outcome::Report;
    std::string report; // the result box, byte for byte (CR LF line ends)
    // Where each text that the program appended to the result box ends in
    // `report`, in order: one per report line.
    std::vector<std::size_t> append_ends;
    // The message boxes the run showed, then a note for each catalogue the
    // run needed but could not use.
    std::vector<std::string> messages;
};

class Session {
public:
    // Starts the program's window on a headless runtime. The catalogues are
    // opened from `catalogue_dir`, the style library is loaded from
    // `library_dir`.
    Session(const std::string& catalogue_dir, const std::string& library_dir);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Messages shown while the window was built (catalogues that could not
    // be opened).
    const std::vector<std::string>& startupMessages() const { return startup_messages_; }

    // Fills the window from `gear`, clicks 计算按钮 and reads the outcome.
    RunResult run(const GearInput& gear);

    // The same for an item-number run whose caller knows that no record of
    // the item catalogue before `record` holds the item number: the item
    // lookup starts at `record` instead of the first record. It finds the
    // same record and writes the same report, in time that does not grow
    // with `record` (the report of every item stays linear).
    RunResult runFromRecord(const GearInput& gear, std::size_t record);

    // The inspection card of the last run, as the window prints it: chooses
    // 打印检测卡 on the result box's menu, answers the print dialog with
    // "print" and returns the pages the program sent. Nothing when the entry
    // is disabled (no report yet) or the program printed nothing.
    std::optional<gr::PrintJob> printCard();

    // The item numbers of the item catalogue in file order; empty when it is
    // not open. A record whose item number cannot be read ends the list and
    // puts the reason in `error`.
    std::vector<std::string> itemNumbers(std::string& error);

private:
    void setChecked(uint32_t identity, bool on);
    void fillInputs(gr::UserActions& user, const GearInput& gear);
    void noteUnusableCatalogues(RunResult& result);

    std::unique_ptr<gr::Host> host_;
    RecordingWindowSystem* window_ = nullptr; // owned by host_
    std::vector<std::string> startup_messages_;
};

// One value of the report, found by its label.
struct ReportField {
    std::string_view name;            // the JSON name
    std::string_view label;           // the label that starts its line
    std::string_view suffix;          // text after the value on its line that is not part of it
    std::string_view appended_suffix; // the same as the program appends it (may end in a line break)
};

// Every value a report can hold, in report order.
const std::vector<ReportField>& reportFields();

// The values of a run's report in the order of reportFields(), as views
// into `run.report`, taken from the texts the program appended; a field
// whose line the report does not have is absent (nullopt). The grade line
// "制齿精度：无" leaves the grade absent. `out` must have one element per
// field.
void reportValues(const RunResult& run, std::span<std::optional<std::string_view>> out);

// The same for a report text alone, split at its line breaks: right only
// for a report whose values hold no line break.
void reportValues(std::string_view report, std::span<std::optional<std::string_view>> out);

// The same as (name, value) pairs.
std::vector<std::pair<std::string_view, std::optional<std::string_view>>> reportValues(std::string_view report);

// The report with its CR LF line breaks as "\n" and a final line end.
std::string asText(std::string_view report);

} // namespace gearcalc::report
