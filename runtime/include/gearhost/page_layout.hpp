// How a print job falls onto pages, independent of the device that paints
// it: lines broken at CR LF, long lines wrapped inside the right margin,
// a line that would end below the bottom margin continued at the top of a
// new page. Positions are tenths of a millimetre from the paper's top-left
// corner, as the program gives them; font sizes are points.
#pragma once

#include <gearhost/window_system.hpp>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace gr {

struct PageMargins {
    double top_mm = 20.0;    // where a text continues on a new page
    double bottom_mm = 15.0; // no line ends below this distance from the bottom
    double side_mm = 10.0;   // no line runs closer to the right edge
};

// What the device says about a font: the distance between two lines, and
// the widths of a line's first 1, 2, ... n characters (code points), all
// in tenths of a millimetre.
class TextMeasure {
public:
    virtual ~TextMeasure() = default;
    virtual double lineSpacing(double font_size) = 0;
    virtual std::vector<double> prefixWidths(std::string_view utf8_line, double font_size) = 0;
};

struct PlacedLine {
    double font_size = 12.0;
    double x = 0.0, y = 0.0; // the top of the line
    std::string text;        // one line, UTF-8, never empty
};

// A line drawn through points, as the program placed it (no wrapping).
struct PlacedStroke {
    std::vector<PagePoint> points;
    double pen_width = 0.0;
};

struct Page {
    std::vector<PlacedLine> lines;
    std::vector<PlacedStroke> strokes = {};
};

// The job on pages of `page_width` × `page_height` tenths of a millimetre.
// Always at least one page, even for a job that places nothing.
std::vector<Page> layoutPages(const PrintJob& job, double page_width, double page_height, TextMeasure& measure,
                              const PageMargins& margins = {});

// The lines of a text with CR LF (or LF) breaks; a closing break ends the
// last line and opens no other.
std::vector<std::string> splitLines(std::string_view text);

// Splits `line` into pieces no wider than `width`, given the widths of its
// prefixes: after a space where one fits, anywhere otherwise; a character
// wider than the page stands alone.
std::vector<std::string> wrapLine(std::string_view line, const std::vector<double>& prefix_widths, double width);

} // namespace gr
