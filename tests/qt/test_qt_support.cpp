// The Qt backend's conversions and its print rendering, without a window.
#include <gearqt/qt_print.hpp>
#include <gearqt/qt_support.hpp>
#include "qt_test_support.hpp"

#include <QTemporaryDir>
#include <QtTest>

using namespace gr;

namespace {

// Where pdftotext -bbox places the first `word` on `page`, in points from
// the page's top-left corner; (-1, -1) when it is not there.
QPointF wordAt(const QString& pdf, int page, const QString& word)
{
    const QString number = QString::number(page);
    const QString html = qttest::runTool("pdftotext", {QStringLiteral("-bbox"), QStringLiteral("-f"), number,
                                                      QStringLiteral("-l"), number, pdf, QStringLiteral("-")});
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\"[^>]*>%1</word>")
                               .arg(QRegularExpression::escape(word)))
            .match(html);
    return match.hasMatch() ? QPointF(match.captured(1).toDouble(), match.captured(2).toDouble()) : QPointF(-1, -1);
}

// The box pdftotext -bbox gives the first `word` on page 1 (the line of its
// typeface, ascent to descent), in points; empty when it is not there.
QRectF wordBox(const QString& pdf, const QString& word)
{
    const QString html = qttest::runTool("pdftotext", {QStringLiteral("-bbox"), QStringLiteral("-f"), QStringLiteral("1"),
                                                      QStringLiteral("-l"), QStringLiteral("1"), pdf, QStringLiteral("-")});
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" "
                                          "yMax=\"([0-9.]+)\">%1</word>")
                               .arg(QRegularExpression::escape(word)))
            .match(html);
    if (!match.hasMatch()) return {};
    return QRectF(QPointF(match.captured(1).toDouble(), match.captured(2).toDouble()),
                  QPointF(match.captured(3).toDouble(), match.captured(4).toDouble()));
}

// Tenths of a millimetre in points.
double pt(double tenths) { return tenths * 72.0 / 254.0; }

} // namespace

class QtSupportTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qttest::startWatchdog(120); }

    void coloursAndLineBreaksConvert()
    {
        QCOMPARE(qt::colourFromBgr(0x123456), QColor(0x56, 0x34, 0x12));
        QCOMPARE(qt::colourFromBgr(0x0000FF), QColor(Qt::red));
        QCOMPARE(qt::displayText("齿轮\r\n模数\r\n"), QStringLiteral("齿轮\n模数\n"));
        // A CR LF split across two appends still yields one break.
        QCOMPARE(qt::displayText("a\r") + qt::displayText("\nb"), QStringLiteral("a\nb"));
        QCOMPARE(qt::modelText(QStringLiteral("a\nb")), std::string("a\r\nb"));
        QCOMPARE(qt::modelText(QStringLiteral("a\r\nb")), std::string("a\r\nb"));
    }

    void keysMapToVirtualKeyCodes_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("code");
        QTest::newRow("return") << int(Qt::Key_Return) << 0 << 13;
        QTest::newRow("keypad enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << 13;
        QTest::newRow("escape") << int(Qt::Key_Escape) << 0 << 27;
        QTest::newRow("shift z") << int(Qt::Key_Z) << int(Qt::ShiftModifier) << int('Z');
        QTest::newRow("9") << int(Qt::Key_9) << 0 << int('9');
        QTest::newRow("shift 1") << int(Qt::Key_Exclam) << int(Qt::ShiftModifier) << int('1');
        QTest::newRow("keypad 5") << int(Qt::Key_5) << int(Qt::KeypadModifier) << 101;
        QTest::newRow("f12") << int(Qt::Key_F12) << 0 << 123;
        QTest::newRow("down") << int(Qt::Key_Down) << 0 << 40;
        QTest::newRow("period") << int(Qt::Key_Period) << 0 << 190;
        QTest::newRow("no code") << int(Qt::Key_VolumeUp) << 0 << 0;
    }
    void keysMapToVirtualKeyCodes()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, code);
        QCOMPARE(qt::virtualKeyCode(key, Qt::KeyboardModifiers(modifiers)), code);
    }

    void modifierStateIsShiftCtrlAlt()
    {
        QCOMPARE(qt::shiftState(Qt::ShiftModifier), 1);
        QCOMPARE(qt::shiftState(Qt::ControlModifier), 2);
        QCOMPARE(qt::shiftState(Qt::AltModifier | Qt::KeypadModifier), 4);
    }

    void mousePositionsOutsideTheClientArea()
    {
        const QSize client(530, 410);
        // Leaving: clamped to the edges, which themselves count.
        QCOMPARE(qt::leavingPosition(client, QPoint(600, 100)), QPoint(530, 100));
        QCOMPARE(qt::leavingPosition(client, QPoint(200, 450)), QPoint(200, 410));
        QCOMPARE(qt::leavingPosition(client, QPoint(-3, 100)), QPoint(0, 100));
        QCOMPARE(qt::leavingPosition(client, QPoint(-3, -20)), QPoint(0, 0));
        QCOMPARE(qt::leavingPosition(client, QPoint(17, 33)), QPoint(17, 33)); // still inside
        // Over the frame: right and bottom borders count as the last column
        // and row, the left border stays left of 0, the title bar is nothing.
        QCOMPARE(qt::framePosition(client, QPoint(532, 100)), std::optional(QPoint(529, 100)));
        QCOMPARE(qt::framePosition(client, QPoint(200, 413)), std::optional(QPoint(200, 409)));
        QCOMPARE(qt::framePosition(client, QPoint(533, 414)), std::optional(QPoint(529, 409)));
        QCOMPARE(qt::framePosition(client, QPoint(-2, 100)), std::optional(QPoint(-2, 100)));
        QCOMPARE(qt::framePosition(client, QPoint(100, -5)), std::optional<QPoint>());
        QCOMPARE(qt::framePosition(QSize(0, 0), QPoint(1, 1)), std::optional<QPoint>());
    }

    void printedTextsLandAtTheirPositions()
    {
        if (!qttest::haveTool("pdftotext")) QSKIP("pdftotext is not installed");
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("positions.pdf"));
        const PrintJob job{"positions", {{12.0, 700, 180, "Alpha"}, {9.0, 200, 1000, "Beta\r\nGamma"}}, {}};
        QVERIFY(qt::writePrintJobPdf(job, pdf.toStdString()));
        const QPointF alpha = wordAt(pdf, 1, QStringLiteral("Alpha"));
        QVERIFY2(qAbs(alpha.x() - pt(700)) < 3 && qAbs(alpha.y() - pt(180)) < 4, qPrintable(QDebug::toString(alpha)));
        const QPointF beta = wordAt(pdf, 1, QStringLiteral("Beta"));
        const QPointF gamma = wordAt(pdf, 1, QStringLiteral("Gamma"));
        QVERIFY(qAbs(beta.x() - pt(200)) < 3 && qAbs(gamma.x() - beta.x()) < 1);
        QVERIFY2(gamma.y() - beta.y() > 8 && gamma.y() - beta.y() < 16, qPrintable(QDebug::toString(gamma - beta)));
    }

    void aTextsSizeIsTheHeightOfItsLines()
    {
        // The page the print button makes: the title's line ends well above
        // the report's first line, and each report line is 14 pt high.
        if (!qttest::haveTool("pdftotext")) QSKIP("pdftotext is not installed");
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("page.pdf"));
        const PrintJob job{"page", {{27.0, 700, 180, "ZKD-KESTAL 齿轮参数计算"}, {14.0, 200, 300, "**齿轮基本信息**\r\n模数：2"}}, {}};
        QVERIFY(qt::writePrintJobPdf(job, pdf.toStdString()));
        const QRectF title = wordBox(pdf, QStringLiteral("齿轮参数计算"));
        const QRectF first = wordBox(pdf, QStringLiteral("**齿轮基本信息**"));
        const QRectF second = wordBox(pdf, QStringLiteral("模数：2"));
        QVERIFY(!title.isEmpty() && !first.isEmpty() && !second.isEmpty());
        QVERIFY2(qAbs(title.top() - pt(180)) < 0.5 && qAbs(title.height() - 27) < 0.5, qPrintable(QDebug::toString(title)));
        QVERIFY2(qAbs(first.top() - pt(300)) < 0.5 && qAbs(first.height() - 14) < 0.5, qPrintable(QDebug::toString(first)));
        QVERIFY2(first.top() - title.bottom() > pt(24), qPrintable(QDebug::toString(first.top() - title.bottom())));
        QVERIFY(qAbs(second.top() - first.top() - 14) < 0.5);
    }

    void longTextsContinueOnTheNextPage()
    {
        if (!qttest::haveTool("pdftotext") || !qttest::haveTool("pdfinfo")) QSKIP("poppler-utils are not installed");
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("long.pdf"));
        std::string text;
        for (int i = 1; i <= 200; ++i) text += "Line" + std::to_string(i) + "\r\n";
        const PrintJob job{"long", {{10.0, 300, 180, text}, {10.0, 300, 180, "Footer"}}, {}};
        QVERIFY(qt::writePrintJobPdf(job, pdf.toStdString()));

        const int pages = qttest::pdfPages(pdf);
        QVERIFY2(pages >= 2, qPrintable(QString::number(pages)));
        const QString all = qttest::pdfText(pdf);
        qsizetype previous = -1;
        for (int i = 1; i <= 200; ++i) {
            const qsizetype at = all.indexOf(QRegularExpression(QStringLiteral("\\bLine%1\\b").arg(i)));
            QVERIFY2(at > previous, qPrintable(QStringLiteral("Line%1 missing or out of order").arg(i)));
            previous = at;
        }
        // Page 2 goes on at the top margin, same x; page 1 stops above the bottom margin.
        const QString first = qttest::pdfPageText(pdf, 2).trimmed().section(QLatin1Char('\n'), 0, 0).trimmed();
        const QPointF top = wordAt(pdf, 2, first);
        QVERIFY2(qAbs(top.x() - pt(300)) < 3 && qAbs(top.y() - pt(qt::kTopMarginMm * 10)) < 4, qPrintable(first));
        const QPointF last = wordAt(pdf, 1, QStringLiteral("Line%1").arg(first.mid(4).toInt() - 1));
        QVERIFY(last.y() > 0 && last.y() < pt(2970 - qt::kBottomMarginMm * 10));
        // Later items go on the page the job has reached.
        QVERIFY(qttest::pdfPageText(pdf, pages).contains(QStringLiteral("Footer")));
    }

    void longLinesWrapInsideThePage()
    {
        if (!qttest::haveTool("pdftotext")) QSKIP("pdftotext is not installed");
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("wide.pdf"));
        std::string words, digits;
        for (int i = 1; i <= 60; ++i) words += "W" + std::to_string(i) + " ";
        for (int i = 0; i < 300; ++i) digits += static_cast<char>('0' + i % 10);
        const PrintJob job{"wide", {{14.0, 200, 300, words + "\r\n" + digits}}, {}};
        QVERIFY(qt::writePrintJobPdf(job, pdf.toStdString()));

        // Words break at spaces, in order, every one starting inside the
        // right margin of the A4 page.
        const double right = pt(2100 - qt::kSideMarginMm * 10);
        QPointF previous(-1, -1);
        for (int i = 1; i <= 60; ++i) {
            const QPointF at = wordAt(pdf, 1, QStringLiteral("W%1").arg(i));
            QVERIFY2(at.x() >= pt(200) - 3 && at.x() < right, qPrintable(QStringLiteral("W%1").arg(i)));
            QVERIFY(at.y() > previous.y() || (at.y() == previous.y() && at.x() > previous.x()));
            previous = at;
        }
        QVERIFY2(previous.y() > wordAt(pdf, 1, QStringLiteral("W1")).y(), "the line did not wrap");
        // A run with no space breaks anywhere and loses nothing.
        QString all = qttest::pdfText(pdf);
        all.remove(QRegularExpression(QStringLiteral("\\s")));
        QVERIFY(all.contains(QString::fromStdString(digits)));
    }

    void unwritablePdfFails()
    {
        QVERIFY(!qt::writePrintJobPdf(PrintJob{"x", {{12.0, 100, 100, "x"}}, {}}, "/nonexistent-folder/out.pdf"));
    }
};

QTEST_MAIN(QtSupportTest)
#include "test_qt_support.moc"
