// Helpers shared by the Qt window-system tests: a watchdog so no test can
// hang on a stuck dialog or loop, and readers for the PDFs the print path
// writes (through poppler's command-line tools).
#pragma once

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QString>
#include <QTimer>
#include <QtGlobal>

namespace gr::qttest {

// Aborts the whole test program when it runs longer than `seconds`.
inline void startWatchdog(int seconds)
{
    static QTimer* watchdog = nullptr;
    if (watchdog) return;
    watchdog = new QTimer;
    watchdog->setSingleShot(true);
    QObject::connect(watchdog, &QTimer::timeout, [seconds] {
        qFatal("watchdog: the test ran longer than %d seconds", seconds);
    });
    watchdog->start(seconds * 1000);
}

inline bool haveTool(const char* name)
{
    return !QStandardPaths::findExecutable(QString::fromLatin1(name)).isEmpty();
}

inline QString runTool(const char* name, const QStringList& arguments)
{
    QProcess process;
    process.start(QString::fromLatin1(name), arguments);
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished(1000);
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The text of a PDF as pdftotext extracts it.
inline QString pdfText(const QString& path)
{
    return runTool("pdftotext", {QStringLiteral("-enc"), QStringLiteral("UTF-8"), path, QStringLiteral("-")});
}

// The text of one page (1-based) of a PDF.
inline QString pdfPageText(const QString& path, int page)
{
    const QString number = QString::number(page);
    return runTool("pdftotext", {QStringLiteral("-enc"), QStringLiteral("UTF-8"), QStringLiteral("-f"), number,
                                 QStringLiteral("-l"), number, path, QStringLiteral("-")});
}

// The page count pdfinfo reports; 0 when it reports none.
inline int pdfPages(const QString& path)
{
    const QString info = runTool("pdfinfo", {path});
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("Pages:\\s*(\\d+)")).match(info);
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

} // namespace gr::qttest
