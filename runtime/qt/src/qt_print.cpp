#include <gearqt/qt_print.hpp>

#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPen>
#include <QPolygonF>
#include <QPdfWriter>
#include <QStringList>

#include <algorithm>

namespace gr::qt {

namespace {

constexpr double kTenthsPerInch = 254.0;

// A font that has Chinese glyphs, so printed results keep their Chinese
// captions; the default font when it is not installed.
QFont printFont(double point_size)
{
    static const QString cjk_family = QStringLiteral("WenQuanYi Micro Hei");
    QFont font;
    if (QFontDatabase::hasFamily(cjk_family)) font.setFamily(cjk_family);
    font.setPointSizeF(point_size > 0.0 ? point_size : 12.0);
    return font;
}

// The font whose line, ascent and descent together, is `size` points tall
// on `device`: the size of a printed text is the height of its lines, as a
// printer font's cell height. Typefaces with Chinese glyphs reach far
// above and below their letters, so at the same point size their lines
// would be about a sixth taller than the size and the title's line would
// reach down to the report below it.
QFont lineFont(double size, QPaintDevice& device)
{
    QFont font = printFont(size);
    const double cell_points = QFontMetricsF(font, &device).height() * 72.0 / device.logicalDpiY();
    if (cell_points > 0.0) font.setPointSizeF(font.pointSizeF() * font.pointSizeF() / cell_points);
    return font;
}

QStringList textLines(const std::string& text)
{
    QString shown = QString::fromStdString(text);
    shown.remove(QLatin1Char('\r'));
    QStringList lines = shown.split(QLatin1Char('\n'));
    // A closing line break ends the last line; it does not open another.
    if (lines.size() > 1 && lines.back().isEmpty()) lines.removeLast();
    return lines;
}

// Splits a line that is wider than `width` (device pixels) into pieces
// that fit, so a long line continues below instead of running off the
// paper. Breaks after a space where one fits, anywhere otherwise.
QStringList wrapLine(const QString& line, const QFontMetricsF& metrics, double width)
{
    QStringList pieces;
    QString rest = line;
    while (!rest.isEmpty() && metrics.horizontalAdvance(rest) > width) {
        qsizetype fit = 0; // characters that fit
        qsizetype space = -1;
        for (qsizetype n = 1; n <= rest.size(); ++n) {
            if (n < rest.size() && rest.at(n - 1).isHighSurrogate()) continue; // keep pairs whole
            if (metrics.horizontalAdvance(rest.left(n)) > width) break;
            fit = n;
            if (rest.at(n - 1) == QLatin1Char(' ')) space = n;
        }
        if (fit == 0) fit = rest.at(0).isHighSurrogate() && rest.size() > 1 ? 2 : 1; // one glyph wider than the page
        const qsizetype cut = space > 0 ? space : fit;
        pieces.append(rest.left(cut));
        rest = rest.mid(cut);
    }
    if (!rest.isEmpty() || pieces.isEmpty()) pieces.append(rest);
    return pieces;
}

} // namespace

bool renderPrintJob(QPagedPaintDevice& device, const PrintJob& job)
{
    QPainter painter;
    if (!painter.begin(&device)) return false;

    const QPageLayout layout = device.pageLayout();
    const double dpi_x = device.logicalDpiX();
    const double dpi_y = device.logicalDpiY();
    // Where the painter's origin lies on the paper, in tenths of a mm: the
    // paper corner in full-page mode, the printable area's corner otherwise.
    QPointF origin(0.0, 0.0);
    if (layout.mode() != QPageLayout::FullPageMode)
        origin = layout.paintRect(QPageLayout::Millimeter).topLeft() * 10.0;
    const double page_height = layout.fullRect(QPageLayout::Millimeter).height() * 10.0;
    const double page_width = layout.fullRect(QPageLayout::Millimeter).width() * 10.0;
    const double bottom_limit = page_height - kBottomMarginMm * 10.0;
    const double top_restart = kTopMarginMm * 10.0;

    auto to_device = [&](double x, double y) {
        return QPointF((x - origin.x()) * dpi_x / kTenthsPerInch, (y - origin.y()) * dpi_y / kTenthsPerInch);
    };

    for (const PrintItem& item : job.items) {
        if (item.isLine()) {
            // A pen width in tenths of a millimetre; 0 is the device's
            // thinnest line (a cosmetic pen).
            QPen pen(Qt::black);
            pen.setWidthF(std::max(item.pen_width, 0.0) * dpi_x / kTenthsPerInch);
            pen.setCapStyle(Qt::RoundCap);
            pen.setJoinStyle(Qt::RoundJoin);
            painter.setPen(pen);
            painter.setRenderHint(QPainter::Antialiasing, true);
            QPolygonF polyline;
            for (const PagePoint& p : item.points) polyline.append(to_device(p.x, p.y));
            painter.drawPolyline(polyline);
            painter.setPen(QPen(Qt::black));
            continue;
        }
        painter.setFont(lineFont(item.font_size, device));
        const QFontMetricsF metrics(painter.font(), &device);
        const double line_height = metrics.lineSpacing() * kTenthsPerInch / dpi_y;

        const double right_limit = page_width - kSideMarginMm * 10.0;
        const double width = std::max(right_limit - item.x, 10.0) * dpi_x / kTenthsPerInch;
        QStringList lines;
        for (const QString& line : textLines(item.text)) lines.append(wrapLine(line, metrics, width));

        double y = item.y;
        for (const QString& line : lines) {
            if (y + line_height > bottom_limit && y > top_restart) {
                if (!device.newPage()) {
                    painter.end();
                    return false;
                }
                y = top_restart;
            }
            if (!line.isEmpty()) {
                const QPointF at = to_device(item.x, y);
                painter.drawText(QPointF(at.x(), at.y() + metrics.ascent()), line);
            }
            y += line_height;
        }
    }
    return painter.end();
}

bool writePrintJobPdf(const PrintJob& job, const std::string& pdf_path)
{
    QPdfWriter writer(QString::fromStdString(pdf_path));
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0.0, 0.0, 0.0, 0.0), QPageLayout::Millimeter);
    writer.setResolution(600);
    writer.setTitle(QString::fromStdString(job.document_name));
    return renderPrintJob(writer, job);
}

} // namespace gr::qt
