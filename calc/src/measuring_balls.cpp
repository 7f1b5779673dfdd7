// The nominal diameters of measuring balls and pins for gear measurement,
// DIN 3977:1981-02 Table 1 (55 sizes from 0.17 to 50 mm, printed in five
// columns of eleven). Where each value comes from, and which ones still need
// a look at a printed copy of the standard: calc/SOURCES.md.
#include "gearcalc/gauging.hpp"

#include <array>
#include <charconv>
#include <cmath>
#include <string>

namespace gearcalc::inspection {

namespace {

constexpr std::array<double, 55> kSeries = {
    // first column
    0.17, 0.195, 0.22, 0.25, 0.29, 0.335, 0.39, 0.455, 0.53, 0.62, 0.725,
    // second column
    0.895, 1.0, 1.1, 1.25, 1.4, 1.5, 1.65, 1.75, 2.0, 2.25, 2.5,
    // third column
    3.0, 3.25, 3.5, 3.75, 4.0, 4.25, 4.5, 5.0, 5.25, 5.5, 6.0,
    // fourth column
    6.5, 7.0, 7.5, 8.0, 9.0, 10.0, 10.5, 11.0, 12.0, 14.0, 15.0,
    // fifth column
    16.0, 18.0, 20.0, 22.0, 25.0, 28.0, 30.0, 35.0, 40.0, 45.0, 50.0,
};

constexpr bool ascending()
{
    for (std::size_t i = 1; i < kSeries.size(); ++i)
        if (!(kSeries[i - 1] < kSeries[i])) return false;
    return true;
}
static_assert(ascending(), "the series must rise from size to size");

} // namespace

std::span<const double> MeasuringBallSeries()
{
    return kSeries;
}

Result<double> NextSeriesBall(double diameter)
{
    if (!std::isfinite(diameter) || diameter <= 0.0)
        return Result<double>::failure("no measuring ball fits this gear");
    for (double size : kSeries)
        if (size >= diameter * (1.0 - 1e-9)) return size;
    // Three decimals for a ball of ordinary size, 4 significant digits for
    // one beyond any gauge (a fixed form of 1e300 would not fit).
    char buf[64];
    const auto r = diameter < 1e6 ? std::to_chars(buf, buf + sizeof buf, diameter, std::chars_format::fixed, 3)
                                  : std::to_chars(buf, buf + sizeof buf, diameter, std::chars_format::general, 4);
    const std::string about(buf, r.ptr);
    return Result<double>::failure("the gear needs a ball of about " + about +
                                   " mm, larger than the largest measuring ball of the series (50 mm); give the "
                                   "ball diameter");
}

} // namespace gearcalc::inspection
