#include <gearhost/page_layout.hpp>

#include <algorithm>

namespace gr {

namespace {

// Byte offsets where the code points of `text` begin, and the end.
std::vector<std::size_t> codePointStarts(std::string_view text)
{
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < text.size(); ++i)
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) starts.push_back(i);
    starts.push_back(text.size());
    return starts;
}

} // namespace

std::vector<std::string> splitLines(std::string_view text)
{
    std::vector<std::string> lines(1);
    for (char c : text) {
        if (c == '\r') continue;
        if (c == '\n')
            lines.emplace_back();
        else
            lines.back() += c;
    }
    if (lines.size() > 1 && lines.back().empty()) lines.pop_back();
    return lines;
}

std::vector<std::string> wrapLine(std::string_view line, const std::vector<double>& prefix_widths, double width)
{
    const std::vector<std::size_t> starts = codePointStarts(line);
    const std::size_t count = starts.size() - 1; // code points
    auto widthOf = [&](std::size_t n) { return n == 0 ? 0.0 : prefix_widths[std::min(n, prefix_widths.size()) - 1]; };

    std::vector<std::string> pieces;
    std::size_t first = 0; // first code point of the rest
    while (first < count && widthOf(count) - widthOf(first) > width) {
        std::size_t fit = first;    // the rest fits up to here
        std::size_t space = first;  // just after the last space that fits
        for (std::size_t n = first + 1; n <= count; ++n) {
            if (widthOf(n) - widthOf(first) > width) break;
            fit = n;
            if (line[starts[n - 1]] == ' ') space = n;
        }
        if (fit == first) fit = first + 1; // one character wider than the page
        const std::size_t cut = space > first ? space : fit;
        pieces.emplace_back(line.substr(starts[first], starts[cut] - starts[first]));
        first = cut;
    }
    if (first < count || pieces.empty()) pieces.emplace_back(line.substr(starts[first]));
    return pieces;
}

std::vector<Page> layoutPages(const PrintJob& job, double page_width, double page_height, TextMeasure& measure,
                              const PageMargins& margins)
{
    std::vector<Page> pages(1);
    const double bottom_limit = page_height - margins.bottom_mm * 10.0;
    const double top_restart = margins.top_mm * 10.0;
    const double right_limit = page_width - margins.side_mm * 10.0;

    for (const PrintItem& item : job.items) {
        if (item.isLine()) {
            pages.back().strokes.push_back(PlacedStroke{item.points, item.pen_width});
            continue;
        }
        const double line_height = measure.lineSpacing(item.font_size);
        const double width = std::max(right_limit - item.x, 10.0);
        double y = item.y;
        for (const std::string& line : splitLines(item.text)) {
            const std::vector<double> widths = line.empty() ? std::vector<double>{}
                                                            : measure.prefixWidths(line, item.font_size);
            for (const std::string& piece : wrapLine(line, widths, width)) {
                if (y + line_height > bottom_limit && y > top_restart) {
                    pages.emplace_back();
                    y = top_restart;
                }
                if (!piece.empty())
                    pages.back().lines.push_back(PlacedLine{item.font_size, static_cast<double>(item.x), y, piece});
                y += line_height;
            }
        }
    }
    return pages;
}

} // namespace gr
