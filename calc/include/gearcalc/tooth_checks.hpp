// The workshop's further checks of a gear beyond the span and the dimension
// over balls: the chordal tooth thickness at the chordal height (gear-tooth
// caliper), the tolerances of an ISO 1328-1:2013 tolerance class, and the
// backlash of a pair of gears at a centre distance. External spur and
// helical gears without profile shift. Plain arithmetic on doubles, full
// double-precision π: no runtime, no Qt.
//
// Where the formulas come from:
// - Chordal tooth (DIN 3960 / ISO 21771, the virtual spur gear in the
//   normal section): β_b = asin(sin β · cos αn), z_n = z / (cos² β_b · cos β),
//   d_n = m_n · z_n, ψ = s_n / d_n with s_n = m_n π / 2 + E_sn;
//   s̄ = d_n sin ψ, h̄ = m_n + (d_n / 2)(1 − cos ψ) (addendum m_n, x = 0).
// - ISO 1328-1:2013, the tolerance formulas: s = √2^(A − 5) for class A, d and m_n in
//   mm, values in µm:
//     fpT  = (0.001 d + 0.4 m_n + 5) s
//     FpT  = (0.002 d + 0.55 √d + 0.7 m_n + 12) s
//     fHαT = (0.4 m_n + 0.001 d + 4) s,  ffαT = (0.55 m_n + 5) s
//     FαT  = √(fHαT² + ffαT²)
//     fHβT = (0.05 √d + 0.35 √b + 4) s,  ffβT = (0.07 √d + 0.45 √b + 4) s
//     FβT  = √(fHβT² + ffβT²),           FrT  = 0.9 FpT
//   each from unrounded values, then rounded: above 10 µm to a whole µm,
//   from 5 to 10 µm to 0.5 µm, below 5 µm to 0.1 µm. Valid for
//   5 ≤ z ≤ 1000, 5 ≤ d ≤ 15000 mm, 0.5 ≤ m_n ≤ 70 mm, 4 ≤ b ≤ 1200 mm,
//   β ≤ 45°, classes 1 to 11.
// - Backlash of a pair (DIN 3967): with the tooth-thickness allowances A
//   (upper, ≤ 0) and tolerances T of both gears and the centre-distance
//   allowances A_ae (upper) and A_ai (lower), tan αt = tan αn / cos β:
//     j_t,min = −(A1 + A2) / cos β + 2 A_ai tan αt
//     j_t,max = −((A1 − T1) + (A2 − T2)) / cos β + 2 A_ae tan αt
//     j_n = j_t cos αn cos β.
#pragma once

#include "gearcalc/gauging.hpp"

#include <optional>
#include <string>

namespace gearcalc::inspection {

// ---- Chordal tooth thickness and height -------------------------------

struct Chordal {
    double thickness = 0.0; // s̄, mm, the chord across the tooth on the reference circle
    double height = 0.0;    // h̄, mm, from the tip to that chord
};

struct ChordalTooth {
    double virtual_teeth = 0.0;    // z_n
    double virtual_diameter = 0.0; // d_n
    Chordal nominal;               // E_sn = 0
    std::optional<Chordal> upper;  // at E_sn = A (when A is given)
    std::optional<Chordal> lower;  // at E_sn = A − T (when T is given; A = 0 without A)
};

// The chord at the tooth-thickness allowance E_sn (mm, negative thins the
// tooth). Fails for a gear DeriveGeometry refuses, or an allowance that
// leaves no tooth.
Result<Chordal> ChordalAt(const Gear& gear, double thickness_allowance);

// Nominal, at A and at A − T, like the dimension over balls.
Result<ChordalTooth> ChordalToothThickness(const Gear& gear, std::optional<double> upper_allowance,
                                           std::optional<double> tolerance);

// ---- ISO 1328-1:2013 tolerances ----------------------------------------

inline constexpr int kFirstIsoClass = 1;
inline constexpr int kLastIsoClass = 11;
inline constexpr double kIsoLeastFaceWidth = 4.0;   // mm
inline constexpr double kIsoLargestFaceWidth = 1200.0; // mm

// One tolerance in µm: the value from the formula, and the same rounded
// by the standard's rule with the decimals its step shows (9.0, 29, 4.3).
struct Tolerance {
    double exact = 0.0;
    double rounded = 0.0;
    int decimals = 0; // 0 for whole µm, 1 for the 0.5 and 0.1 µm steps
};

// Rounds a tolerance in µm by the standard's rule. Halves round up; the
// decision is made on the value's 15-significant-digit decimal form.
Tolerance RoundTolerance(double micrometres);

// The rounded value as printed: "9.0", "29", "4.3".
std::string ToleranceText(const Tolerance& t);

struct IsoTolerances {
    int tolerance_class = 0;
    Tolerance fpT;  // single pitch
    Tolerance FpT;  // total cumulative pitch
    Tolerance fHaT; // profile slope
    Tolerance ffaT; // profile form
    Tolerance FaT;  // total profile
    std::optional<Tolerance> fHbT; // helix slope (with a face width)
    std::optional<Tolerance> ffbT; // helix form
    std::optional<Tolerance> FbT;  // total helix
    Tolerance FrT;  // runout
};

// The tolerances of class `tolerance_class` for the gear, the helix ones
// only with a face width b (mm). Fails, with the reason, outside the
// standard's range (see above) instead of giving a number.
Result<IsoTolerances> Iso1328Tolerances(const Gear& gear, int tolerance_class, std::optional<double> face_width);

// ---- Backlash of a pair ------------------------------------------------

// One gear of the pair with its tooth-thickness allowances in mm.
struct PairGear {
    Gear gear;
    double upper_allowance = 0.0; // A (≤ 0 in the tables)
    double tolerance = 0.0;       // T (> 0)
};

// Centre-distance allowances in mm.
struct CentreDistanceAllowances {
    double upper = 0.0; // A_ae
    double lower = 0.0; // A_ai
};

struct Backlash {
    double centre_distance = 0.0; // nominal a = (d1 + d2) / 2
    double first_pitch_diameter = 0.0;
    double mate_pitch_diameter = 0.0;
    double jt_min = 0.0, jt_max = 0.0; // circumferential (transverse) backlash
    double jn_min = 0.0, jn_max = 0.0; // normal backlash
    // The smallest backlash is negative (beyond a nanometre of rounding
    // noise): the teeth can jam at the least favourable allowances.
    bool interference = false;
};

// The backlash of two meshing gears. For helical gears the mate has the
// opposite hand; the hand is not checked, the helix angles' sizes must
// agree. Fails when module, pressure angle or helix angle differ, when a
// gear is refused by DeriveGeometry, when a tolerance is not positive, or
// when the upper centre-distance allowance lies below the lower.
Result<Backlash> PairBacklash(const PairGear& first, const PairGear& mate, const CentreDistanceAllowances& allowances);

} // namespace gearcalc::inspection
