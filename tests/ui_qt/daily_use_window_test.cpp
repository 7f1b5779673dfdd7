// The program's window in daily use, on the Qt window system and on a
// headless twin at once: keys typed into the number boxes, and where the
// result box stands after a run. Both backends must agree.
#include <geardrive/user_actions.hpp>
#include <gearhost/headless.hpp>
#include <gearhost/host.hpp>
#include <gearprog/form_identities.hpp>
#include <gearprog/routines.hpp>
#include <gearqt/qt_window_system.hpp>
#include <gearui/program.hpp>
#include <geartest/program_instance.hpp>
#include "qt_test_support.hpp"

#include <QClipboard>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QWindow>
#include <QtTest>

using namespace gearcalc;
using gearcalc::testing::Program;

namespace {

int g_argc = 1;
char g_name[] = "ui_qt_daily_use_test";
char* g_argv[] = {g_name, nullptr};

} // namespace

class DailyUseWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<Program> qt_;
    gr::QtWindowSystem* screen_ = nullptr;
    std::unique_ptr<Program> twin_;
    gr::HeadlessWindowSystem* twin_screen_ = nullptr;

    QLineEdit* edit(uint32_t identity) const { return qobject_cast<QLineEdit*>(screen_->widgetFor(identity)); }
    QPlainTextEdit* resultBox() const { return qobject_cast<QPlainTextEdit*>(screen_->widgetFor(id::结果编辑框)); }

    // A mode change on both (the clicks themselves are tested elsewhere).
    void click(uint32_t identity)
    {
        gr::UserActions(*qt_->host).click(identity);
        gr::UserActions(*twin_->host).click(identity);
    }
    // Keys into a box on the screen, the same keys into the twin's box.
    void typeInto(uint32_t identity, const QString& keys)
    {
        edit(identity)->setFocus();
        edit(identity)->selectAll();
        QTest::keyClick(edit(identity), Qt::Key_Delete);
        QTest::keyClicks(edit(identity), keys);
        gr::UserActions(*twin_->host).typeText(identity, "");
        gr::UserActions(*twin_->host).typeKeys(identity, keys.toStdString());
    }
    void pasteInto(uint32_t identity, const QString& clip)
    {
        QGuiApplication::clipboard()->setText(clip);
        edit(identity)->setFocus();
        edit(identity)->selectAll();
        QTest::keyClick(edit(identity), Qt::Key_Delete);
        QTest::keySequence(edit(identity), QKeySequence::Paste);
        gr::UserActions(*twin_->host).typeText(identity, "");
        gr::UserActions(*twin_->host).paste(identity, clip.toStdString());
    }
    void bothShow(uint32_t identity, const char* expected)
    {
        QCOMPARE(edit(identity)->text(), QString::fromUtf8(expected));
        QCOMPARE(qt_->control(identity).text, std::string(expected));
        QCOMPARE(twin_->control(identity).text, std::string(expected));
        QCOMPARE(screen_->beeps(), twin_screen_->beeps());
    }
    void enter()
    {
        QTest::keyClick(screen_->mainWindow()->windowHandle(), Qt::Key_Return);
        gr::UserActions(*twin_->host).pressKey(13);
    }

private slots:
    void initTestCase() { gr::qttest::startWatchdog(120); }

    void init()
    {
        auto screen = gr::makeQtWindowSystem(g_argc, g_argv);
        screen_ = static_cast<gr::QtWindowSystem*>(screen.get());
        qt_ = std::make_unique<Program>(std::move(screen));
        auto headless = std::make_unique<gr::HeadlessWindowSystem>();
        twin_screen_ = headless.get();
        twin_ = std::make_unique<Program>(std::move(headless));
        QVERIFY(qt_->created && twin_->created);
        screen_->mainWindow()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(screen_->mainWindow()));
    }

    void cleanup()
    {
        qt_.reset();
        twin_.reset();
        screen_ = nullptr;
        twin_screen_ = nullptr;
    }

    void numbersTypedWithCommasAndStrayKeysAgreeOnBothBackends()
    {
        const int beeps = screen_->beeps();
        typeInto(id::模数编辑框, QStringLiteral("2,5"));
        bothShow(id::模数编辑框, "2.5");
        typeInto(id::齿数编辑框, QStringLiteral("2x0"));
        bothShow(id::齿数编辑框, "20");
        QCOMPARE(screen_->beeps() - beeps, 1);
        pasteInto(id::齿数编辑框, QStringLiteral("2x0.5-"));
        bothShow(id::齿数编辑框, "");
        QCOMPARE(screen_->beeps() - beeps, 2);
        pasteInto(id::齿数编辑框, QStringLiteral("20\r\n"));
        bothShow(id::齿数编辑框, "20");
        click(id::斜齿单选框);
        click(id::度数选择框);
        typeInto(id::度数编辑框, QStringLiteral("19,5283"));
        bothShow(id::度数编辑框, "19.5283");
        enter();
        QVERIFY(!qt_->control(id::结果编辑框).text.empty());
        QCOMPARE(qt_->control(id::结果编辑框).text, twin_->control(id::结果编辑框).text);
    }

    void aFullReportShowsTheMakersValuesAfterEveryRun()
    {
        typeInto(id::模数编辑框, QStringLiteral("2"));
        typeInto(id::齿数编辑框, QStringLiteral("20"));
        for (uint32_t combo : {id::精度组合框, id::齿厚偏差组合框, id::齿厚公差组合框}) {
            const int index = combo == id::精度组合框 ? 6 : combo == id::齿厚偏差组合框 ? 7 : 4;
            gr::UserActions(*qt_->host).selectItem(combo, index);
            gr::UserActions(*twin_->host).selectItem(combo, index);
        }
        QPlainTextEdit* box = resultBox();
        for (int run = 0; run < 2; ++run) {
            enter();
            const std::string report = qt_->control(id::结果编辑框).text;
            QCOMPARE(report, twin_->control(id::结果编辑框).text);
            QVERIFY(QString::fromStdString(report).split(QStringLiteral("\r\n")).size() >= 22);
            QCOMPARE(qt_->control(id::结果编辑框).caret, report.size());
            QCOMPARE(twin_->control(id::结果编辑框).caret, report.size());
            QVERIFY(box->verticalScrollBar()->value() > 0);
            const QTextBlock last = box->document()->lastBlock();
            QVERIFY2(last.text().startsWith(QStringLiteral("ZKD 公法线长度下偏差")), qPrintable(last.text()));
            QVERIFY(box->viewport()->rect().contains(box->cursorRect(QTextCursor(last))));
            box->verticalScrollBar()->setValue(0); // scrolled back up by the user
        }
    }
};

QTEST_MAIN(DailyUseWindowTest)
#include "daily_use_window_test.moc"
