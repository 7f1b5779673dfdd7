#include <gearqt/pdf_pages.hpp>
#include <gearqt/qt_print.hpp>

#include <QBuffer>
#include <QByteArray>
#include <QGuiApplication>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QtGlobal>

#include <cstdio>

namespace gr::qt {

namespace {

// Fonts and the PDF writer need a GUI application object. A program that
// has one (the window, the tests) keeps its own; otherwise one is made on
// the offscreen platform, whatever display the environment names.
bool haveGuiApplication()
{
    if (QGuiApplication::instance() != nullptr) return qobject_cast<QGuiApplication*>(QGuiApplication::instance()) != nullptr;
    static int argc = 3;
    static char name[] = "gearcalc";
    static char platform_option[] = "-platform";
    static char platform[] = "offscreen";
    static char* argv[] = {name, platform_option, platform, nullptr};
    // A program without a window has no use for Qt's notes about its
    // environment ("XDG_RUNTIME_DIR not set"): only failures are shown.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(message));
    });
    // Kept to the end of the process: Qt's own globals are gone by the time
    // static objects are destroyed.
    static QGuiApplication* app = new QGuiApplication(argc, argv);
    return app != nullptr;
}

} // namespace

bool printJobPdfBytes(const PrintJob& job, std::string& pdf, std::string& error)
{
    pdf.clear();
    if (!haveGuiApplication()) {
        error = "another kind of Qt application is running; no fonts to render the PDF with";
        return false;
    }
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        if (!buffer.open(QIODevice::WriteOnly)) {
            error = "cannot open a buffer for the PDF";
            return false;
        }
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(0.0, 0.0, 0.0, 0.0), QPageLayout::Millimeter);
        writer.setResolution(600);
        writer.setTitle(QString::fromStdString(job.document_name));
        if (!renderPrintJob(writer, job)) {
            error = "the PDF writer could not render the pages";
            return false;
        }
    }
    if (bytes.isEmpty()) {
        error = "the PDF writer wrote nothing";
        return false;
    }
    pdf.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    return true;
}

} // namespace gr::qt
