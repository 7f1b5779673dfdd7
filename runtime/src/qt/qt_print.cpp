#include "qt_print.hpp"

#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QStringList>

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

QStringList textLines(const std::string& text)
{
    QString shown = QString::fromStdString(text);
    shown.remove(QLatin1Char('\r'));
    QStringList lines = shown.split(QLatin1Char('\n'));
    // A closing line break ends the last line; it does not open another.
    if (lines.size() > 1 && lines.back().isEmpty()) lines.removeLast();
    return lines;
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
    const double bottom_limit = page_height - kBottomMarginMm * 10.0;
    const double top_restart = kTopMarginMm * 10.0;

    auto to_device = [&](double x, double y) {
        return QPointF((x - origin.x()) * dpi_x / kTenthsPerInch, (y - origin.y()) * dpi_y / kTenthsPerInch);
    };

    for (const PrintItem& item : job.items) {
        const QFont font = printFont(item.font_size);
        painter.setFont(font);
        const QFontMetricsF metrics(painter.font(), &device);
        const double line_height = metrics.lineSpacing() * kTenthsPerInch / dpi_y;

        double y = item.y;
        for (const QString& line : textLines(item.text)) {
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
