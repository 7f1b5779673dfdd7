// The inspection sheet for spreadsheet programs: one row per gear, in the
// order the gears ran (catalogue order for --all-items), CR LF line ends,
// UTF-8 with a byte order mark (so spreadsheet programs detect it) or GBK.
#include "gauging_output.hpp"

#include "csv.hpp"

#include <gearimg/image.hpp>

#include <algorithm>
#include <array>
#include <charconv>
#include <string_view>
#include <utility>
#include <vector>

namespace gearcalc::report {

namespace {

using inspection::FourDecimals;

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::array<std::string_view, 10> kReportColumns = {
    "订货编号", "模数", "齿数", "齿形", "精度", "分度圆直径", "公法线跨齿数", "公法线长度", "ZKD 公法线长度",
    "ZKD 公法线长度下偏差"};
constexpr std::array<std::string_view, 3> kBallColumns = {"量球直径", "ZKD 跨球距", "ZKD 跨球距下偏差"};
constexpr std::array<std::string_view, 6> kChordalColumns = {"弦齿厚",           "弦齿高",
                                                             "弦齿厚（上偏差）", "弦齿高（上偏差）",
                                                             "弦齿厚（下偏差）", "弦齿高（下偏差）"};
constexpr std::string_view kNoteColumn = "说明";
constexpr std::string_view kSpur = "直齿";
constexpr std::string_view kHelical = "斜齿";

using Values = RunValues;

std::string_view valueOf(const Values& values, std::string_view name)
{
    for (const auto& [n, v] : values)
        if (n == name) return v.value_or("");
    return {};
}

// A lower deviation as a signed number: the report writes its amount after
// ":-"; a spreadsheet wants "-0.0282". Texts that are no number stay as they are.
std::string negative(std::string_view amount)
{
    if (amount.empty() || amount.front() < '0' || amount.front() > '9') return std::string(amount);
    return "-" + std::string(amount);
}

std::string toothForm(std::string_view helix)
{
    double beta = 0.0;
    const auto [end, ec] = std::from_chars(helix.data(), helix.data() + helix.size(), beta);
    if (helix.empty() || ec != std::errc() || end != helix.data() + helix.size()) return {};
    return std::string(beta == 0.0 ? kSpur : kHelical);
}

// A plain decimal number: an optional minus, digits, at most one point.
bool isPlainNumber(std::string_view cell)
{
    if (!cell.empty() && cell.front() == '-') cell.remove_prefix(1);
    if (cell.empty() || cell == ".") return false;
    bool point = false;
    for (char c : cell) {
        if (c == '.' && !point) point = true;
        else if (c < '0' || c > '9') return false;
    }
    return true;
}

// A spreadsheet program takes a cell that starts with =, +, -, @, a tab or
// a carriage return for a formula, which a typed or catalogue text (an item
// number such as "=HYPERLINK(...)") must never become: such a text cell
// gets a leading apostrophe, which spreadsheets show as text. Numbers
// (-0.0282) stay numbers.
std::string spreadsheetText(std::string_view cell)
{
    if (cell.empty() || isPlainNumber(cell)) return std::string(cell);
    switch (cell.front()) {
    case '=':
    case '+':
    case '-':
    case '@':
    case '\t':
    case '\r': {
        // Appended, not "'" + std::string: GCC 12's -Wrestrict misreads that
        // concatenation once inlined.
        std::string text(1, '\'');
        text += cell;
        return text;
    }
    default: return std::string(cell);
    }
}

// One CSV record with its CR LF.
template <typename Cells>
std::string record(const Cells& cells)
{
    std::string row;
    bool first = true;
    for (const auto& c : cells) {
        if (!first) row += ',';
        edbtool::appendCsvField(row, spreadsheetText(c));
        first = false;
    }
    row += "\r\n";
    return row;
}

void ballCells(std::vector<std::string>& cells, const TestDimensions* t)
{
    if (t == nullptr || !t->sheet) {
        cells.insert(cells.end(), kBallColumns.size(), std::string());
        return;
    }
    const inspection::Sheet& s = *t->sheet;
    cells.push_back(FourDecimals(s.ball_diameter));
    cells.push_back(s.maker_over_balls ? FourDecimals(*s.maker_over_balls) : std::string());
    cells.push_back(s.maker_lower_deviation ? "-" + FourDecimals(*s.maker_lower_deviation) : std::string());
}

void chordalCells(std::vector<std::string>& cells, const TestDimensions* t)
{
    if (t == nullptr || !t->chordal) {
        cells.insert(cells.end(), kChordalColumns.size(), std::string());
        return;
    }
    const inspection::ChordalTooth& c = *t->chordal;
    for (const std::optional<inspection::Chordal>& at :
         {std::optional<inspection::Chordal>(c.nominal), c.upper, c.lower}) {
        cells.push_back(at ? FourDecimals(at->thickness) : std::string());
        cells.push_back(at ? FourDecimals(at->height) : std::string());
    }
}

std::string note(const RunResult& run, const TestDimensions* t, const ToleranceCheck* tolerances)
{
    std::string text;
    for (const std::string& m : run.messages) text += (text.empty() ? "" : "; ") + m;
    if (run.outcome == Outcome::NoModule) text = "no module, no report";
    if (t != nullptr && !t->problem.empty()) text += (text.empty() ? "" : "; ") + t->problem;
    if (tolerances != nullptr && !tolerances->problem.empty())
        text += (text.empty() ? "" : "; ") + tolerances->problem;
    return text;
}

} // namespace

std::string InspectionCsv::header() const
{
    std::vector<std::string_view> columns(kReportColumns.begin(), kReportColumns.end());
    if (options_.enabled) {
        columns.insert(columns.end(), kBallColumns.begin(), kBallColumns.end());
        columns.insert(columns.end(), kChordalColumns.begin(), kChordalColumns.end());
    }
    if (options_.iso_class) {
        const std::vector<std::string_view> more = toleranceColumns();
        columns.insert(columns.end(), more.begin(), more.end());
    }
    columns.push_back(kNoteColumn);
    std::string row = record(columns);
    bool lossy = false;
    if (options_.encoding == "gbk") return encoded(std::move(row), lossy);
    return std::string(kBom) + row;
}

std::string InspectionCsv::appendRow(std::string& out, const GearInput& gear, const RunResult& run,
                                     const Values& values, const TestDimensions* t,
                                     const ToleranceCheck* tolerances) const
{
    std::vector<std::string> cells = {
        gear.item.value_or(""),
        std::string(valueOf(values, "module")),
        std::string(valueOf(values, "teeth")),
        toothForm(valueOf(values, "helix_angle")),
        std::string(valueOf(values, "grade")),
        std::string(valueOf(values, "pitch_diameter")),
        std::string(valueOf(values, "teeth_spanned")),
        std::string(valueOf(values, "span")),
        std::string(valueOf(values, "maker_span")),
        negative(valueOf(values, "maker_span_lower_deviation")),
    };
    if (options_.enabled) {
        ballCells(cells, t);
        chordalCells(cells, t);
    }
    if (options_.iso_class) toleranceCells(cells, tolerances);
    cells.push_back(note(run, t, tolerances));

    bool lossy = false;
    out += encoded(record(cells), lossy);
    if (lossy) return "a text of this row has characters GBK cannot hold; they are written as \"?\"";
    return {};
}

std::string InspectionCsv::encoded(std::string utf8, bool& lossy) const
{
    if (options_.encoding != "gbk") return utf8;
    gr::image::Result<std::string> gbk = gr::image::utf8ToGbk(utf8);
    if (gbk) return std::move(gbk.value());
    // Character by character, so only what GBK cannot hold is lost.
    lossy = true;
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        std::size_t n = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        n = std::min(n, utf8.size() - i);
        gr::image::Result<std::string> one = gr::image::utf8ToGbk(std::string_view(utf8).substr(i, n));
        out += one ? one.value() : std::string("?");
        i += n;
    }
    return out;
}

} // namespace gearcalc::report
