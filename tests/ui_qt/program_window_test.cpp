// The program on the Qt window system, driven as a user drives it: real
// mouse clicks on the radio buttons and check boxes, keys typed into the
// edit boxes and sent to the window. Every step is repeated on a headless
// twin of the program, so both backends must agree on the whole window
// state, and both must match the expected state of each input mode.
#include <gearhost/headless.hpp>
#include <geardrive/user_actions.hpp>
#include <gearhost/host.hpp>
#include <gearqt/qt_window_system.hpp>

#include <gearcalc/calculation.hpp>
#include <gearprog/controls.hpp>
#include <gearprog/form_identities.hpp>
#include <gearprog/routines.hpp>
#include <gearui/program.hpp>
#include <geartest/program_instance.hpp>
#include "qt_test_support.hpp"
#include <geartest/window_states.hpp>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QWindow>
#include <QtTest>

#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace gearcalc;
using gearcalc::testing::Program;

namespace {

int g_argc = 1;
char g_name[] = "ui_qt_test";
char* g_argv[] = {g_name, nullptr};

// --- Window states ------------------------------------------------------------

using namespace geartest;

// One line per entry of `expected` that `actual` does not match.
template <typename Map>
QString diffText(const Map& actual, const Map& expected)
{
    return QString::fromStdString(geartest::diff(actual, expected));
}

QStringList reportLines(const std::string& report)
{
    return QString::fromStdString(report).split(QStringLiteral("\r\n"));
}

} // namespace

// Stops the test function at the first window that differs.
#define COMPARE_WINDOW(expected)                                                                                       \
    do {                                                                                                               \
        compareWindow(expected);                                                                                       \
        if (QTest::currentTestFailed()) return;                                                                        \
    } while (false)

class ProgramWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<Program> qt_;
    gr::QtWindowSystem* screen_ = nullptr;
    std::unique_ptr<Program> twin_; // the same program on the headless backend

    QWidget* window() const { return screen_->mainWindow(); }
    QWindow* handle() const { return window()->windowHandle(); }
    QWidget* widget(uint32_t identity) const { return screen_->widgetFor(identity); }
    template <typename W>
    W* widget(uint32_t identity) const
    {
        return qobject_cast<W*>(screen_->widgetFor(identity));
    }

    // What the widgets show, in the terms of State: a label's text colour,
    // an input's enabled state.
    State widgetState() const
    {
        State s;
        for (const gr::ControlState& c : qt_->host->model().controls()) {
            if (!hasFace(c)) continue;
            QWidget* w = widget(c.identity);
            if (w == nullptr) {
                s[c.element->name] = "(no widget)";
            } else if (c.kind == gr::form::kLabel) {
                const QColor colour = w->palette().color(QPalette::Active, QPalette::WindowText);
                s[c.element->name] = hexColour(static_cast<uint32_t>(colour.blue() << 16 | colour.green() << 8 |
                                                                     colour.red()));
            } else {
                s[c.element->name] = w->isEnabled() ? kOn : kOff;
            }
        }
        return s;
    }
    Checks widgetChecks() const
    {
        Checks s;
        for (const gr::ControlState& c : qt_->host->model().controls()) {
            if (c.kind != gr::form::kCheckBox && c.kind != gr::form::kRadioButton) continue;
            auto* button = widget<QAbstractButton>(c.identity);
            s[c.element->name] = button != nullptr && button->isChecked() ? 1 : 0;
        }
        return s;
    }

    // The whole window, on both backends, in model and on screen.
    void compareWindow(const State& expected)
    {
        const Checks checks = modelChecks(twin_->host->model());
        const std::pair<const char*, QString> differences[] = {
            {"Qt model", diffText(modelState(qt_->host->model()), expected)},
            {"Qt widgets", diffText(widgetState(), expected)},
            {"headless model", diffText(modelState(twin_->host->model()), expected)},
            {"Qt model ticks", diffText(modelChecks(qt_->host->model()), checks)},
            {"Qt widget ticks", diffText(widgetChecks(), checks)},
        };
        for (const auto& [where, difference] : differences)
            QVERIFY2(difference.isEmpty(), qPrintable(QString::fromLatin1(where) + ":\n" + difference));
    }

    // A left click where a user clicks: on the indicator of a check box or
    // radio button, in the middle of anything else. The twin gets the
    // same click (which it refuses, as Qt does, when the control is off).
    void click(uint32_t identity)
    {
        QWidget* w = widget(identity);
        QVERIFY(w != nullptr);
        QPoint at = w->rect().center();
        if (auto* button = qobject_cast<QAbstractButton*>(w); button && !qobject_cast<QPushButton*>(w)) {
            QStyleOptionButton option;
            option.initFrom(button);
            option.text = button->text();
            const bool radio = qobject_cast<QRadioButton*>(w) != nullptr;
            at = button->style()
                     ->subElementRect(radio ? QStyle::SE_RadioButtonIndicator : QStyle::SE_CheckBoxIndicator, &option,
                                      button)
                     .center();
        }
        QTest::mouseClick(w, Qt::LeftButton, {}, at);
        gr::UserActions(*twin_->host).click(identity);
    }

    // Keys as the keyboard sends them: to the window, which hands them to
    // the focused control.
    void type(const QString& text)
    {
        for (QChar c : text) QTest::keyClick(handle(), c.toLatin1());
    }
    void key(Qt::Key k, Qt::KeyboardModifiers modifiers = {}) { QTest::keyClick(handle(), k, modifiers); }
    void focusByClick(uint32_t identity)
    {
        QTest::mouseClick(widget(identity), Qt::LeftButton);
        QTRY_COMPARE(QApplication::focusWidget(), widget(identity));
    }

    // A calculation done: the report in the result box, in the model and
    // on screen, is exactly the headless one.
    void compareReports()
    {
        const std::string report = qt_->report();
        QVERIFY(!report.empty());
        QCOMPARE(QString::fromStdString(report), QString::fromStdString(twin_->report()));
        auto* box = widget<QPlainTextEdit>(id::结果编辑框);
        const QStringList lines = reportLines(report);
        QCOMPARE(box->toPlainText(), lines.join(QLatin1Char('\n')));
        QCOMPARE(box->document()->blockCount(), lines.size());
        QCOMPARE(box->palette().color(QPalette::Active, QPalette::Text), QColor(0, 0, 255));
        QVERIFY(widget(id::打印按钮)->isEnabled());
    }

    std::string reportWithModule2Teeth20()
    {
        focusByClick(id::模数编辑框);
        type(QStringLiteral("2"));
        key(Qt::Key_Tab);
        type(QStringLiteral("20"));
        key(Qt::Key_Return);
        gr::UserActions(*twin_->host).typeText(id::模数编辑框, "2");
        gr::UserActions(*twin_->host).typeText(id::齿数编辑框, "20");
        gr::UserActions(*twin_->host).pressKey(13);
        return qt_->report();
    }

private slots:
    void initTestCase() { gr::qttest::startWatchdog(150); }

    void init()
    {
        auto screen = gr::makeQtWindowSystem(g_argc, g_argv);
        screen_ = static_cast<gr::QtWindowSystem*>(screen.get());
        qt_ = std::make_unique<Program>(std::move(screen));
        twin_ = std::make_unique<Program>(gr::makeHeadlessWindowSystem());
        QVERIFY(qt_->created && twin_->created);
        window()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window()));
    }

    void cleanup()
    {
        if (qt_) QCOMPARE(qt_->host->outstandingAllocations(), 0L);
        qt_.reset();
        twin_.reset();
        screen_ = nullptr;
    }

    // --- Input modes ---------------------------------------------------------------

    void startsInTheDirectSpurModeWithTheThemedLookAndLogo()
    {
        COMPARE_WINDOW(directSpur());
        QCOMPARE(window()->windowTitle(), QStringLiteral("ZKD-KESTAL 齿轮参数计算"));
        QVERIFY(QApplication::style()->name().compare(QLatin1String("windows"), Qt::CaseInsensitive) != 0);
        auto* logo = widget<QLabel>(id::图片框1);
        QVERIFY(logo != nullptr && !logo->pixmap().isNull());
        QCOMPARE(widget<QLineEdit>(id::压力角编辑框)->text(), QStringLiteral("20"));
        QCOMPARE(widget<QComboBox>(id::精度组合框)->count(), 12);
    }

    void helicalOpensDegreesMinutesSeconds()
    {
        click(id::斜齿单选框);
        COMPARE_WINDOW(helicalDms());
        QVERIFY(!widget<QRadioButton>(id::直齿单选框)->isChecked());
    }

    void degreeFormatToggleBothWaysWithTheMidGreyLabel()
    {
        click(id::斜齿单选框);
        click(id::度数选择框);
        COMPARE_WINDOW(helicalDecimal());
        click(id::度数选择框);
        COMPARE_WINDOW(helicalDms(kMidGreyLabel));
        click(id::直齿单选框);
        COMPARE_WINDOW(directSpur());
    }

    void spurHelicalDecimalSpurHelicalReopensTheDecimalBox()
    {
        click(id::斜齿单选框);
        click(id::度数选择框);
        click(id::直齿单选框);
        COMPARE_WINDOW(directSpur());
        QVERIFY(widget<QCheckBox>(id::度数选择框)->isChecked()); // kept, though disabled
        click(id::度数选择框); // disabled: the click is lost on both backends
        COMPARE_WINDOW(directSpur());
        click(id::斜齿单选框);
        COMPARE_WINDOW(helicalDecimal());
        click(id::度数选择框);
        COMPARE_WINDOW(helicalDms(kMidGreyLabel));
    }

    void itemToggleReturnsToEachDirectMode()
    {
        click(id::货号选择框);
        COMPARE_WINDOW(itemMode());
        click(id::货号选择框);
        COMPARE_WINDOW(directSpur());

        click(id::斜齿单选框);
        click(id::货号选择框);
        COMPARE_WINDOW(itemMode());
        click(id::斜齿单选框); // greyed out in item mode
        click(id::货号选择框);
        COMPARE_WINDOW(helicalDms());

        click(id::度数选择框);
        click(id::货号选择框);
        COMPARE_WINDOW(itemMode());
        click(id::货号选择框);
        COMPARE_WINDOW(helicalDecimal());
    }

    void clickingTheSelectedRadioButtonChangesNothing()
    {
        click(id::直齿单选框);
        COMPARE_WINDOW(directSpur());
        QVERIFY(widget<QRadioButton>(id::直齿单选框)->isChecked());
    }

    // --- Keyboard ------------------------------------------------------------------

    void tabOrderFollowsReadingOrder()
    {
        QCOMPARE(widget(id::压力角编辑框)->focusPolicy(), Qt::ClickFocus);
        // The focus chain, as far as it holds tab stops.
        const std::vector<uint32_t> tab_stops = {
            id::模数编辑框, id::齿数编辑框,   id::直齿单选框,     id::斜齿单选框,     id::度编辑框,
            id::分编辑框,   id::秒编辑框,     id::度数选择框,     id::度数编辑框,     id::精度组合框,
            id::齿厚偏差组合框, id::齿厚公差组合框, id::货号选择框, id::货号编辑框,   id::结果编辑框,
            id::隐藏选择框, id::计算按钮,     id::打印按钮,       id::退出按钮};
        std::vector<uint32_t> chain;
        QWidget* w = widget(id::模数编辑框);
        do {
            if (w->focusPolicy() == Qt::StrongFocus)
                for (uint32_t identity : tab_stops)
                    if (widget(identity) == w) chain.push_back(identity);
            w = w->nextInFocusChain();
        } while (w != widget(id::模数编辑框) && chain.size() <= tab_stops.size());
        QCOMPARE(chain, tab_stops);

        // Tab itself, in the direct-spur mode: disabled controls are passed
        // over, and it comes round to the module box again.
        const std::vector<uint32_t> visited_expected = directSpurTabVisits();
        focusByClick(id::模数编辑框);
        std::vector<uint32_t> visited;
        for (std::size_t i = 0; i < visited_expected.size(); ++i) {
            key(Qt::Key_Tab);
            uint32_t found = 0;
            for (const gr::ControlState& c : qt_->host->model().controls())
                if (c.identity != 0 && widget(c.identity) == QApplication::focusWidget()) found = c.identity;
            visited.push_back(found);
        }
        QCOMPARE(visited, visited_expected);
        QCOMPARE(qt_->report(), std::string()); // Tab is no calculation
    }

    void typedSpurGearAndEnterGiveTheHeadlessReport()
    {
        const std::string report = reportWithModule2Teeth20();
        QCOMPARE(qt_->control(id::模数编辑框).text, std::string("2"));
        QCOMPARE(qt_->control(id::齿数编辑框).text, std::string("20"));
        QVERIFY(QApplication::focusWidget() == widget(id::齿数编辑框));
        compareReports();
        const QStringList lines = reportLines(report);
        QVERIFY(lines.contains(QStringLiteral("公法线长度：15.3209")));
        QVERIFY(lines.contains(QStringLiteral("公法线跨齿数：3")));
    }

    void typedHelicalGearWithAccuracySelectionGivesTheHeadlessReport()
    {
        focusByClick(id::模数编辑框);
        type(QStringLiteral("2"));
        key(Qt::Key_Tab);
        type(QStringLiteral("20"));
        click(id::斜齿单选框);
        click(id::度数选择框);
        // Combo boxes are chosen from the keyboard: grade 7, series e, tolerance 25.
        const std::pair<uint32_t, int> choices[] = {{id::精度组合框, 7}, {id::齿厚偏差组合框, 8}, {id::齿厚公差组合框, 5}};
        for (const auto& [combo, downs] : choices) {
            widget(combo)->setFocus();
            for (int i = 0; i < downs; ++i) key(Qt::Key_Down);
            gr::UserActions(*twin_->host).selectItem(combo, downs - 1);
        }
        focusByClick(id::度数编辑框);
        type(QStringLiteral("19.5283"));
        key(Qt::Key_Enter, Qt::KeypadModifier); // the keypad's Enter
        gr::UserActions(*twin_->host).typeText(id::模数编辑框, "2");
        gr::UserActions(*twin_->host).typeText(id::齿数编辑框, "20");
        gr::UserActions(*twin_->host).typeText(id::度数编辑框, "19.5283");
        gr::UserActions(*twin_->host).pressKey(13);

        QCOMPARE(qt_->control(id::精度组合框).selected_index, 6);
        QCOMPARE(widget<QComboBox>(id::齿厚偏差组合框)->currentText(), QStringLiteral("e"));
        compareReports();
        const QStringList lines = reportLines(qt_->report());
        QVERIFY(lines.contains(QStringLiteral("螺旋角：19.5283°")));
        QVERIFY(lines.contains(QStringLiteral("ZKD 公法线长度下偏差:-0.0282")));
    }

    void otherKeysAndLettersInNumberBoxesDoNothing()
    {
        focusByClick(id::齿数编辑框);
        type(QStringLiteral("2x0"));
        key(Qt::Key_Escape);
        QCOMPARE(qt_->control(id::齿数编辑框).text, std::string("20")); // whole numbers only
        QCOMPARE(qt_->report(), std::string());
    }

    // --- Printing ------------------------------------------------------------------

    void printButtonWritesOnePdfPerClick()
    {
        if (!gr::qttest::haveTool("pdftotext")) QSKIP("pdftotext is not installed");
        const std::string report = reportWithModule2Teeth20();
        QVERIFY(!report.empty());
        QTemporaryDir dir;
        const QString first = dir.filePath(QStringLiteral("first.pdf"));
        const QString second = dir.filePath(QStringLiteral("second.pdf"));
        qt_->host->dialogs().queuePrintAnswer(gr::PrintAnswer{true, first.toStdString()});
        qt_->host->dialogs().queuePrintAnswer(gr::PrintAnswer{true, second.toStdString()});
        QTest::mouseClick(widget(id::打印按钮), Qt::LeftButton);
        QTest::mouseClick(widget(id::打印按钮), Qt::LeftButton);
        QCOMPARE(qt_->host->dialogs().printDialogs(), 2);
        QCOMPARE(qt_->host->printedJobs().size(), std::size_t{2});
        for (const QString& pdf : {first, second}) {
            const QString text = gr::qttest::pdfText(pdf);
            QVERIFY2(text.contains(QStringLiteral("ZKD-KESTAL 齿轮参数计算")), qPrintable(pdf + ":\n" + text));
            for (const QString& line : reportLines(report))
                if (!line.isEmpty()) QVERIFY2(text.contains(line), qPrintable(line + " not in\n" + text));
        }
        QVERIFY(qt_->host->dialogs().messages().empty());
    }

    void cancelledPrintWritesNothingAndSaysNothing()
    {
        reportWithModule2Teeth20();
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("cancelled.pdf"));
        qt_->host->dialogs().queuePrintAnswer(gr::PrintAnswer{false, pdf.toStdString()});
        QTest::mouseClick(widget(id::打印按钮), Qt::LeftButton);
        QCOMPARE(qt_->host->dialogs().printDialogs(), 1);
        QVERIFY(!QFile::exists(pdf));
        QVERIFY(qt_->host->printedJobs().empty());
        QVERIFY(qt_->host->dialogs().messages().empty());
    }

    // --- The result box's context menu and the inspection card -------------------

    // The menu as it pops up now: its entries' texts, and the card's entry.
    QAction* cardEntry(QMenu& menu, QStringList& texts)
    {
        QAction* card = nullptr;
        for (QAction* action : menu.actions()) {
            if (action->isSeparator()) continue;
            texts << action->text();
            if (action->text() == QStringLiteral("打印检测卡(&K)…")) card = action;
        }
        return card;
    }

    void contextMenuSpeaksChineseAndOffersTheCardAfterACalculation()
    {
        std::unique_ptr<QMenu> menu = screen_->contextMenu(id::结果编辑框);
        QVERIFY(menu != nullptr);
        QStringList texts;
        QAction* card = cardEntry(*menu, texts);
        QVERIFY2(card != nullptr, qPrintable(texts.join(' ')));
        QVERIFY(!card->isEnabled());
        QVERIFY2(texts.join(' ').contains(QStringLiteral("复制")), qPrintable(texts.join(' ')));
        QVERIFY2(texts.join(' ').contains(QStringLiteral("全选")), qPrintable(texts.join(' ')));
        QVERIFY(menu->actions().last() == card); // last, after a separator
        QVERIFY(menu->actions().at(menu->actions().size() - 2)->isSeparator());
        QVERIFY(screen_->contextMenu(id::模数编辑框) == nullptr);

        reportWithModule2Teeth20();
        menu = screen_->contextMenu(id::结果编辑框);
        texts.clear();
        card = cardEntry(*menu, texts);
        QVERIFY(card != nullptr && card->isEnabled());
        QCOMPARE(widget(id::打印按钮)->isEnabled(), card->isEnabled());
    }

    void cardFromTheMenuIsOneA4PageWithTheReportsNumbers()
    {
        if (!gr::qttest::haveTool("pdftotext")) QSKIP("pdftotext is not installed");
        const std::string report = reportWithModule2Teeth20();
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("card.pdf"));
        qt_->host->dialogs().queuePrintAnswer(gr::PrintAnswer{true, pdf.toStdString()});
        std::unique_ptr<QMenu> menu = screen_->contextMenu(id::结果编辑框);
        QStringList texts;
        QAction* card = cardEntry(*menu, texts);
        QVERIFY(card != nullptr);
        card->trigger();
        menu.reset();
        QTRY_COMPARE(qt_->host->printedJobs().size(), std::size_t{1});
        const QString text = gr::qttest::pdfText(pdf);
        for (const char* expected : {"ZKD-KESTAL 齿轮检测卡", "检测项目", "实测", "15.3209", "跨球尺寸", "比例"})
            QVERIFY2(text.contains(QString::fromUtf8(expected)), qPrintable(QString::fromUtf8(expected) + " not in\n" + text));
        QVERIFY2(!text.contains(QLatin1Char('\f')) || text.count(QLatin1Char('\f')) <= 1, "more than one page");
        QVERIFY(qt_->host->dialogs().messages().empty());

        // A helical gear: its drawing says where the measurements lie.
        gr::UserActions user(*qt_->host);
        QVERIFY(user.click(id::斜齿单选框));
        QVERIFY(user.click(id::度数选择框));
        QVERIFY(user.typeText(id::度数编辑框, "19.5283"));
        QVERIFY(user.typeText(id::模数编辑框, "3"));
        QVERIFY(user.typeText(id::齿数编辑框, "31"));
        QVERIFY(user.selectItem(id::精度组合框, 7));
        QVERIFY(user.selectItem(id::齿厚偏差组合框, 7));
        QVERIFY(user.selectItem(id::齿厚公差组合框, 4));
        user.pressKey(13);
        const QString helical = dir.filePath(QStringLiteral("helical.pdf"));
        qt_->host->dialogs().queuePrintAnswer(gr::PrintAnswer{true, helical.toStdString()});
        QVERIFY(user.chooseMenuCommand(id::结果编辑框, kCardCommand));
        const QString helical_text = gr::qttest::pdfText(helical);
        QVERIFY2(helical_text.contains(QStringLiteral("螺旋角 β = 19.5283°")), qPrintable(helical_text));
        QVERIFY2(helical_text.contains(QStringLiteral("W / cos β_b")), qPrintable(helical_text));
        QVERIFY(qt_->host->dialogs().messages().empty());

        // The cards for people to look at, when asked for.
        const QString keep = QString::fromLocal8Bit(qgetenv("GEARCALC_CARD_PDF"));
        if (!keep.isEmpty()) {
            QFile::copy(pdf, keep + QStringLiteral("-spur.pdf"));
            QFile::copy(helical, keep + QStringLiteral("-helical.pdf"));
        }
    }

    // --- The window ----------------------------------------------------------------

    void collapseMovesTheRealWindow()
    {
        const gr::Rect start = screen_->windowRect();
        QCOMPARE((std::pair{start.width, start.height}), (std::pair{542, 445}));
        window()->move(20, 100);
        QCursor::setPos(60, 120);
        QTest::mouseMove(handle(), QPoint(10, 10));
        QCOMPARE(screen_->windowRect().left, 20); // not ticked: the window stays

        click(id::隐藏选择框);
        QVERIFY(qt_->control(id::隐藏选择框).checked == 1);
        QTest::mouseMove(handle(), QPoint(12, 10));
        QCOMPARE(screen_->windowRect().left, 5);
        QCOMPARE(screen_->windowRect().top, 100);

        // The mouse leaves below the window: only a 4-pixel strip stays.
        // (The offscreen platform nudges a window whose client area would
        // start left of the screen right by its frame margin.)
        QCursor::setPos(60, 100 + start.height + 20);
        QTest::mouseMove(handle(), QPoint(14, 10));
        const int right_end = screen_->windowRect().left + start.width;
        QVERIFY2(right_end >= 4 && right_end <= 4 + handle()->frameMargins().left(),
                 qPrintable(QString::number(right_end)));
    }

    void leavingTheWindowCollapsesIt()
    {
        // A move inside never reaches the client width or height; leaving
        // the window across its bottom edge does, so a window at the top
        // edge tucks away when the mouse leaves below it.
        click(id::隐藏选择框);
        const gr::Rect start = screen_->windowRect();
        window()->move(200, 20);
        QCursor::setPos(300, 60);
        QTest::mouseMove(handle(), QPoint(30, 30));
        QCOMPARE(screen_->windowRect().top, 0);
        QCOMPARE(screen_->windowRect().left, 200);

        const QPoint below = window()->mapToGlobal(QPoint(30, window()->height() + 2));
        QCursor::setPos(below);
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(handle(), &leave);
        QCOMPARE(screen_->windowRect().top, 5 - start.height);

        // With a dialog open the window does not react.
        QMessageBox box;
        box.setModal(true);
        box.show();
        window()->move(200, 20);
        QCursor::setPos(window()->mapToGlobal(QPoint(30, window()->height() + 2)));
        QCoreApplication::sendEvent(handle(), &leave);
        QCOMPARE(screen_->windowRect().top, 20);
        box.close();
    }

    void hoveringTheFrameOfATuckedAwayWindowBringsItBack()
    {
        // Only the frame may stay in sight; the window manager owns it and
        // no widget hears the mouse there, so the runtime watches for it.
        if (handle()->frameMargins().right() <= 0) QSKIP("this platform draws no window frame");
        click(id::隐藏选择框);
        window()->move(20, 100);
        QCursor::setPos(60, 120);
        QTest::mouseMove(handle(), QPoint(12, 10));
        QCOMPARE(screen_->windowRect().left, 5);
        QCursor::setPos(60, 100 + screen_->windowRect().height + 20);
        QTest::mouseMove(handle(), QPoint(14, 10));
        QVERIFY(screen_->windowRect().left < 0);

        const QRect frame = window()->frameGeometry();
        QCursor::setPos(frame.right(), frame.center().y());
        QTRY_COMPARE_WITH_TIMEOUT(screen_->windowRect().left, 5, 2000);
    }

    void exitButtonClosesTheWindow()
    {
        QVERIFY(screen_->windowOpen());
        QTest::mouseClick(widget(id::退出按钮), Qt::LeftButton);
        QVERIFY(!screen_->windowOpen());
    }
};

QTEST_MAIN(ProgramWindowTest)
#include "program_window_test.moc"
