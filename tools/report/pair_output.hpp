// The backlash of a pair (--mate-teeth, --mate-item): the mate is calculated
// in the same window as the gear, so its allowances come from the same
// tables by the same lookup; the backlash is then computed from both
// reports' values and written as a block, or as the "pair" object in JSON.
#pragma once

#include "gauging_output.hpp"
#include "report_session.hpp"

#include <gearcalc/tooth_checks.hpp>

#include <optional>
#include <string>

namespace gearcalc::report {

struct PairCheck {
    GearInput mate; // the mate as typed into the window
    // The mate's report values, as its report shows them (absent when it
    // wrote no report or has no such line).
    std::optional<std::string> mate_teeth, mate_pitch_diameter, mate_upper_deviation, mate_tolerance;
    inspection::CentreDistanceAllowances allowances;
    std::optional<inspection::Backlash> backlash; // absent when refused
    std::string problem;                          // why it is absent
};

// Runs the mate of `gear` (whose finished run is `run`) in `session` and
// computes the backlash of the pair. The options have been checked
// (checkInspectionOptions, checkPairInput).
PairCheck checkPair(Session& session, const GearInput& gear, const RunResult& run, const InspectionOptions& options);

// What is wrong with asking for the backlash of `gear` (an empty string
// when nothing is): the gear needs its allowance series, --mate-item needs
// --item, and --batch and --all-items (`many`) have no single mate.
std::string checkPairInput(const InspectionOptions& options, const GearInput& gear, bool many);

// The block after the report (CR LF line breaks, like the report).
std::string pairBlock(const PairCheck& pair);

// The "pair" object as JSON text.
std::string pairJson(const PairCheck& pair);

} // namespace gearcalc::report
