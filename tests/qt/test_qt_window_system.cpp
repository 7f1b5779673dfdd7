// The Qt window system against a small hand-made form: the widgets it
// builds, how it mirrors the model, what the user's input does to the
// model and the event sink, dialogs, the message loop and printing.
#include <gearqt/qt_window_system.hpp>
#include "qt_test_support.hpp"

#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTemporaryDir>
#include <QWindow>
#include <QtTest>

using namespace gr;

namespace {

enum : uint32_t {
    kWindowId = 0x06010000,
    kLabelId = 0x16010001, kModuleId, kResultId, kSpurId, kHelicalId, kCrownedId, kGradeId, kCalcId, kLogoId,
    kPrinterId, kTeethId,
};

form::Element& add(form::Window& w, uint32_t kind, uint32_t id, QRect at, uint32_t flags, const char* text = "")
{
    form::Element e;
    e.kind = kind;
    e.identity = id;
    e.name = "c" + std::to_string(id & 0xFF);
    e.left = at.x(), e.top = at.y(), e.width = at.width(), e.height = at.height();
    e.flags = flags;
    e.text = text;
    w.elements.push_back(e);
    return w.elements.back();
}

form::Window makeForm()
{
    using namespace form;
    const uint32_t tab = kVisible | kTabStop;
    Window w;
    w.identity = 0x52010001;
    w.elements.reserve(12);
    add(w, kWindow, kWindowId, {100, 80, 480, 360}, kVisible, "Gear calculator");
    add(w, kLabel, kLabelId, {10, 10, 120, 20}, kVisible, "模数 m").text_colour = 0x0000FF;
    Element& module = add(w, kEditBox, kModuleId, {140, 10, 100, 22}, tab, "2.5");
    module.input_mode = kDecimalInput;
    module.text_colour = 0xFF0000;
    module.back_colour = 0x00FFFF;
    Element& result = add(w, kEditBox, kResultId, {10, 40, 300, 150}, tab);
    result.multiline = 1;
    result.scroll_bars = 2;
    result.input_mode = kReadOnlyInput;
    add(w, kRadioButton, kSpurId, {320, 40, 100, 20}, tab, "直齿").checked = 1;
    add(w, kRadioButton, kHelicalId, {320, 64, 100, 20}, tab, "斜齿");
    add(w, kCheckBox, kCrownedId, {320, 90, 20, 20}, tab);
    add(w, kComboBox, kGradeId, {320, 120, 120, 22}, tab).items = {"6", "7", "8"};
    add(w, kButton, kCalcId, {320, 150, 80, 26}, tab, "计算");
    QImage image(16, 12, QImage::Format_RGB32);
    image.fill(Qt::red);
    QBuffer jpeg;
    jpeg.open(QIODevice::WriteOnly);
    image.save(&jpeg, "JPG");
    add(w, kPictureBox, kLogoId, {10, 200, 64, 48}, kVisible).picture.assign(jpeg.data().begin(), jpeg.data().end());
    add(w, kPrinter, kPrinterId, {0, 0, 0, 0}, 0);
    Element& teeth = add(w, kEditBox, kTeethId, {140, 220, 60, 22}, kVisible | kDisabled);
    teeth.input_mode = kIntegerInput;
    teeth.alignment = 1;
    return w;
}

struct Event {
    uint32_t identity;
    int32_t event;
    std::vector<int64_t> args;
    bool operator==(const Event&) const = default;
};
using Events = std::vector<Event>;

// Shows events in QCOMPARE's failure messages.
char* toString(const Events& events)
{
    QByteArray text = "[";
    for (const Event& e : events) {
        text += QByteArray::number(e.identity, 16) + ' ' + QByteArray::number(e.event) + " {";
        for (int64_t a : e.args) text += QByteArray::number(static_cast<qlonglong>(a)) + ',';
        text += "} ";
    }
    return qstrdup(text + ']');
}

class RecordingSink : public EventSink {
public:
    Events events;
    void dispatchEvent(uint32_t identity, int32_t event, const std::vector<int64_t>& args) override
    {
        events.push_back({identity, event, args});
    }
    Events only(int32_t event) const
    {
        Events found;
        std::copy_if(events.begin(), events.end(), std::back_inserter(found), [&](const Event& e) { return e.event == event; });
        return found;
    }
};

int g_argc = 1;
char g_name[] = "qt_window_system_test";
char* g_argv[] = {g_name, nullptr};

struct Harness {
    form::Window form = makeForm();
    FormModel model{form};
    RecordingSink sink;
    QtWindowSystem ws{g_argc, g_argv};

    Harness() { ws.build(model, sink); }
    ControlState& control(uint32_t id) { return *model.find(id); }
    template <typename W = QWidget>
    W* widget(uint32_t id) { return qobject_cast<W*>(ws.widgetFor(id)); }
    QWindow* handle() { return ws.mainWindow()->windowHandle(); }
    void set(uint32_t id, int32_t property, auto change)
    {
        change(control(id));
        ws.refresh(control(id), property);
    }
};

// Answers the next modal dialog from inside its own loop.
void answerNextModal(std::function<void(QWidget*)> answer)
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, answer] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            poll->deleteLater();
            poll->stop();
            answer(modal);
        }
    });
    poll->start(20);
}

// Calls back for every paint event the application delivers.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(std::function<void(QObject*)> on_paint) : on_paint_(std::move(on_paint)) {}
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) on_paint_(watched);
        return false;
    }

private:
    std::function<void(QObject*)> on_paint_;
};

QColor colour(QWidget* w, QPalette::ColorRole role) { return w->palette().color(QPalette::Active, role); }
QColor styleColour(QWidget* w, QPalette::ColorRole role) { return QApplication::palette(w).color(QPalette::Active, role); }

} // namespace

class QtWindowSystemTest : public QObject {
    Q_OBJECT
    std::unique_ptr<Harness> h;

private slots:
    void initTestCase() { qttest::startWatchdog(150); }
    void init() { h = std::make_unique<Harness>(); }
    void cleanup() { h.reset(); }

    void windowHasTheFormsTitleOuterFrameAndPlace()
    {
        QWidget* w = h->ws.mainWindow();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        QVERIFY(h->ws.windowOpen());
        QCOMPARE(w->windowTitle(), QStringLiteral("Gear calculator"));
        const Rect outer = h->ws.windowRect();
        QCOMPARE((std::array{outer.left, outer.top, outer.width, outer.height}), (std::array{100, 80, 480, 360}));
        const QMargins frame = h->handle()->frameMargins();
        QCOMPARE(h->ws.clientSize().width, 480 - frame.left() - frame.right());
        QCOMPARE(h->ws.clientSize().height, 360 - frame.top() - frame.bottom());
        QCOMPARE(w->minimumSize(), w->maximumSize());
        QVERIFY(w->windowFlags().testFlags(Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint));
        QVERIFY(!w->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));

        h->ws.placeWindow(200, std::nullopt);
        QCOMPARE((std::pair{h->ws.windowRect().left, h->ws.windowRect().top}), (std::pair{200, 80}));
        h->ws.placeWindow(std::nullopt, 30);
        QCOMPARE((std::pair{h->ws.windowRect().left, h->ws.windowRect().top}), (std::pair{200, 30}));
    }

    void everyControlButThePrinterGetsItsWidget()
    {
        QCOMPARE(h->ws.mainWindow()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly).size(), 10);
        QVERIFY(!h->ws.widgetFor(kPrinterId));
        for (const form::Element& e : h->form.elements) {
            if (e.kind == form::kWindow || e.kind == form::kPrinter) continue;
            QWidget* w = h->widget(e.identity);
            QVERIFY2(w && w->parentWidget() == h->ws.mainWindow(), e.name.c_str());
            QCOMPARE(w->geometry(), QRect(e.left, e.top, e.width, e.height));
            QCOMPARE(w->isEnabled(), !(e.flags & form::kDisabled));
            QVERIFY(w->hasMouseTracking());
        }
        auto* module = h->widget<QLineEdit>(kModuleId);
        QCOMPARE(module->text(), QStringLiteral("2.5"));
        QCOMPARE(colour(module, QPalette::Text), QColor(0, 0, 255));
        QCOMPARE(colour(module, QPalette::Base), QColor(255, 255, 0));
        QCOMPARE(colour(h->widget(kLabelId), QPalette::WindowText), QColor(255, 0, 0));
        QCOMPARE(h->widget<QLabel>(kLabelId)->text(), QStringLiteral("模数 m"));
        QVERIFY(h->widget<QLineEdit>(kTeethId)->alignment() & Qt::AlignHCenter);

        auto* result = h->widget<QPlainTextEdit>(kResultId);
        QVERIFY(result->isReadOnly());
        QCOMPARE(result->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(colour(result, QPalette::Text), styleColour(result, QPalette::Text));

        auto* combo = h->widget<QComboBox>(kGradeId);
        QCOMPARE(combo->count(), 3);
        QCOMPARE(combo->currentIndex(), -1);
        QVERIFY(!combo->isEditable());
        QVERIFY(h->widget<QRadioButton>(kSpurId)->isChecked());
        QVERIFY(!h->widget<QRadioButton>(kHelicalId)->isChecked());
        QVERIFY(h->widget<QCheckBox>(kCrownedId)->text().isEmpty());
        QCOMPARE(h->widget<QPushButton>(kCalcId)->text(), QStringLiteral("计算"));
        auto* logo = h->widget<QLabel>(kLogoId);
        QCOMPARE(logo->pixmap().size(), QSize(16, 12)); // not scaled up to its box
        QCOMPARE(logo->alignment(), Qt::AlignCenter);
    }

    void tabOrderFollowsTheModel()
    {
        QCOMPARE(h->widget(kLabelId)->focusPolicy(), Qt::NoFocus);
        QCOMPARE(h->widget(kTeethId)->focusPolicy(), Qt::ClickFocus);
        const std::vector<uint32_t> expected = {kModuleId, kResultId, kSpurId, kHelicalId, kCrownedId, kGradeId, kCalcId};
        std::vector<uint32_t> order;
        QWidget* w = h->widget(kModuleId);
        do {
            for (uint32_t id : expected)
                if (h->widget(id) == w && w->focusPolicy() == Qt::StrongFocus) order.push_back(id);
            w = w->nextInFocusChain();
        } while (w != h->widget(kModuleId));
        QCOMPARE(order, expected);
    }

    void refreshMirrorsEachProperty()
    {
        h->set(kWindowId, kPropText, [](ControlState& c) { c.text = "Helical gear"; });
        QCOMPARE(h->ws.mainWindow()->windowTitle(), QStringLiteral("Helical gear"));
        h->set(kModuleId, kPropText, [](ControlState& c) { c.text = "3.75"; });
        QCOMPARE(h->widget<QLineEdit>(kModuleId)->text(), QStringLiteral("3.75"));
        h->set(kModuleId, kPropDisabled, [](ControlState& c) { c.disabled = true; });
        QVERIFY(!h->widget(kModuleId)->isEnabled());
        h->set(kModuleId, kPropEditTextColour, [](ControlState& c) { c.text_colour = 0x00FF00; });
        QCOMPARE(colour(h->widget(kModuleId), QPalette::Text), QColor(0, 255, 0));
        h->set(kModuleId, kPropEditTextColour, [](ControlState& c) { c.text_colour = form::kDefaultColour; });
        QCOMPARE(colour(h->widget(kModuleId), QPalette::Text), styleColour(h->widget(kModuleId), QPalette::Text));
        QCOMPARE(colour(h->widget(kModuleId), QPalette::Base), QColor(255, 255, 0));
        h->set(kLabelId, kPropText, [](ControlState& c) { c.text = "法向模数\r\nmn"; });
        QCOMPARE(h->widget<QLabel>(kLabelId)->text(), QStringLiteral("法向模数\nmn"));
        h->set(kLabelId, kPropLabelTextColour, [](ControlState& c) { c.text_colour = 0x808080; });
        QCOMPARE(colour(h->widget(kLabelId), QPalette::WindowText), QColor(128, 128, 128));
        h->set(kResultId, kPropText, [](ControlState& c) { c.text = "a\r\nb"; });
        QCOMPARE(h->widget<QPlainTextEdit>(kResultId)->toPlainText(), QStringLiteral("a\nb"));
        QCOMPARE(h->control(kResultId).text, std::string("a\r\nb"));
        // The program may set both radios: the screen shows what the model says.
        h->set(kHelicalId, kPropChecked, [](ControlState& c) { c.checked = 1; });
        QVERIFY(h->widget<QRadioButton>(kSpurId)->isChecked() && h->widget<QRadioButton>(kHelicalId)->isChecked());
        h->set(kCrownedId, kPropChecked, [](ControlState& c) { c.checked = 1; });
        QVERIFY(h->widget<QCheckBox>(kCrownedId)->isChecked());
        h->set(kGradeId, kPropSelectedIndex, [](ControlState& c) { c.selected_index = 2; });
        QCOMPARE(h->widget<QComboBox>(kGradeId)->currentIndex(), 2);
        h->set(kGradeId, kPropSelectedIndex, [](ControlState& c) { c.selected_index = 7; });
        QCOMPARE(h->widget<QComboBox>(kGradeId)->currentIndex(), -1);
        h->set(kPrinterId, kPropPrinterFont, [](ControlState& c) { c.font_size = 10.5; });
        // Mirroring is not user input: no events, and the model stays as set.
        QVERIFY(h->sink.events.empty());
        QCOMPARE(h->control(kModuleId).text, std::string("3.75"));
        QCOMPARE(h->control(kGradeId).selected_index, 7);
    }

    void userEditsGoIntoTheModelWithoutEvents()
    {
        auto* edit = h->widget<QLineEdit>(kModuleId);
        edit->selectAll();
        QTest::keyClicks(edit, QStringLiteral("1a.5")); // decimal mode drops the letter
        QCOMPARE(h->control(kModuleId).text, std::string("1.5"));
        auto* combo = h->widget<QComboBox>(kGradeId);
        QTest::keyClick(combo, Qt::Key_Down);
        QTest::keyClick(combo, Qt::Key_Down);
        QCOMPARE(h->control(kGradeId).selected_index, 1);
        QVERIFY(h->sink.events.empty());
    }

    void clicksApplyToTheModelThenDispatch()
    {
        const QPoint indicator(6, 10); // a radio's clickable area ends with its text
        auto* check = h->widget<QCheckBox>(kCrownedId);
        QTest::mouseClick(check, Qt::LeftButton, {}, indicator);
        QVERIFY(h->control(kCrownedId).checked == 1 && check->isChecked());
        QTest::mouseClick(check, Qt::LeftButton, {}, indicator);
        QVERIFY(h->control(kCrownedId).checked == 0 && !check->isChecked());

        auto* spur = h->widget<QRadioButton>(kSpurId);
        auto* helical = h->widget<QRadioButton>(kHelicalId);
        QTest::mouseClick(helical, Qt::LeftButton, {}, indicator);
        QVERIFY(h->control(kHelicalId).checked == 1 && h->control(kSpurId).checked == 0);
        QVERIFY(helical->isChecked() && !spur->isChecked());
        QTest::mouseClick(helical, Qt::LeftButton, {}, indicator); // stays selected
        QVERIFY(helical->isChecked() && h->control(kHelicalId).checked == 1);
        h->set(kSpurId, kPropChecked, [](ControlState& c) { c.checked = 1; });
        QTest::mouseClick(spur, Qt::LeftButton, {}, indicator);
        QVERIFY(spur->isChecked() && !helical->isChecked());

        QTest::mouseClick(h->widget(kCalcId), Qt::LeftButton);
        const Events expected = {{kCrownedId, 0, {}}, {kCrownedId, 0, {}}, {kHelicalId, 0, {}},
                                 {kHelicalId, 0, {}}, {kSpurId, 0, {}},    {kCalcId, 0, {}}};
        QCOMPARE(h->sink.events, expected);
    }

    void keysReachTheWindowWhereverTheFocusIs()
    {
        h->ws.mainWindow()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(h->ws.mainWindow()));
        auto* edit = h->widget<QLineEdit>(kModuleId);
        edit->setFocus();
        edit->clear();
        QTest::keyClick(h->handle(), Qt::Key_7);
        QTest::keyClick(h->handle(), Qt::Key_Return);
        QTest::keyClick(h->handle(), Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(h->control(kModuleId).text, std::string("7"));
        Events expected = {{kWindowId, -9, {'7', 0}}, {kWindowId, -9, {13, 0}}, {kWindowId, -9, {13, 0}}};
        QCOMPARE(h->sink.events, expected); // each once, not again from the parent

        h->sink.events.clear();
        h->widget(kGradeId)->setFocus();
        QTest::keyClick(h->handle(), Qt::Key_Return);
        QTest::keyClick(h->handle(), Qt::Key_Escape);
        QTest::keyClick(h->handle(), Qt::Key_A, Qt::ShiftModifier);
        expected = {{kWindowId, -9, {13, 0}}, {kWindowId, -9, {27, 0}}, {kWindowId, -9, {16, 1}}, // Shift first
                    {kWindowId, -9, {'A', 1}}};
        QCOMPARE(h->sink.events, expected);
    }

    void mouseMovesGiveClientCoordinates()
    {
        QVERIFY(QTest::qWaitForWindowExposed(h->ws.mainWindow()));
        QTest::mouseMove(h->handle(), QPoint(30, 45));
        QCOMPARE(h->sink.only(-6), (Events{{kWindowId, -6, {30, 45, 0}}}));
        QTest::mouseMove(h->widget(kModuleId), QPoint(5, 6)); // over a child: still the window's
        QTRY_COMPARE(h->sink.only(-6).back(), (Event{kWindowId, -6, {145, 16, 0}}));
    }

    void appendedTextContinuesTheLastLine()
    {
        ControlState& result = h->control(kResultId);
        auto append = [&](const std::string& added) {
            result.text += added;
            h->ws.appended(result, added);
        };
        for (const char* part : {"模数 = ", "2.5\r\n", "齿数 = 20\r", "\nEnd"}) append(part);
        auto* box = h->widget<QPlainTextEdit>(kResultId);
        QCOMPARE(box->toPlainText(), QStringLiteral("模数 = 2.5\n齿数 = 20\nEnd"));
        QCOMPARE(result.text, std::string("模数 = 2.5\r\n齿数 = 20\r\nEnd"));

        QElapsedTimer clock;
        clock.start();
        for (int calculation = 0; calculation < 100; ++calculation) {
            h->set(kResultId, kPropText, [](ControlState& c) { c.text.clear(); });
            for (int line = 0; line < 22; ++line) append("分度圆直径 d = " + std::to_string(line) + ".125 mm\r\n");
            QCoreApplication::processEvents();
        }
        QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(box->document()->blockCount(), 23);

        ControlState& module = h->control(kModuleId);
        module.text += "5";
        h->ws.appended(module, "5");
        QCOMPARE(h->widget<QLineEdit>(kModuleId)->text(), QStringLiteral("2.55"));
    }

    void printJobsGoIntoTheRequestedPdf()
    {
        if (!qttest::haveTool("pdftotext")) QSKIP("pdftotext is not installed");
        QTemporaryDir dir;
        PrintJob job{"gear", {{16.0, 700, 180, "ZKD-KESTAL 齿轮参数计算"}, {10.0, 200, 400, "法向模数 mn = 2.5\r\n齿数 z = 20"}},
                     dir.filePath(QStringLiteral("gear.pdf")).toStdString()};
        QVERIFY(h->ws.submitPrintJob(job));
        const QString text = qttest::pdfText(QString::fromStdString(job.pdf_path));
        for (const char* expected : {"ZKD-KESTAL 齿轮参数计算", "法向模数 mn = 2.5", "齿数 z = 20"})
            QVERIFY2(text.contains(QString::fromUtf8(expected)), qPrintable(text));
        job.pdf_path = "/nonexistent-folder/x.pdf";
        QVERIFY(!h->ws.submitPrintJob(job));
    }

    void dialogsShowWhatWasAsked()
    {
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString caption, text;
        auto read_and_close = [&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            QVERIFY(box && box->buttons().size() == 1);
            icon = box->icon(), caption = box->windowTitle(), text = box->text();
            box->button(QMessageBox::Ok)->click();
        };
        answerNextModal(read_and_close);
        QCOMPARE(h->ws.showMessage({"齿数必须大于 4\r\n请重新输入", "Check", 0x40}), 1);
        QCOMPARE(icon, QMessageBox::Information);
        QCOMPARE(caption, QStringLiteral("Check"));
        QCOMPARE(text, QStringLiteral("齿数必须大于 4\n请重新输入"));
        answerNextModal(read_and_close);
        QCOMPARE(h->ws.showMessage({"error", "", 0x10}), 1);
        QCOMPARE(icon, QMessageBox::Critical);
        QCOMPARE(caption, QStringLiteral("Gear calculator"));

        bool print_dialog = false;
        answerNextModal([&](QWidget* modal) {
            print_dialog = qobject_cast<QPrintDialog*>(modal) != nullptr;
            static_cast<QDialog*>(modal)->reject();
        });
        const PrintAnswer answer = h->ws.askPrint("gear");
        QVERIFY(print_dialog && !answer.accepted && answer.pdf_path.empty());
    }

    void messageLoopEndsWhenTheWindowCloses()
    {
        QTimer::singleShot(50, h->ws.mainWindow(), [this] { h->ws.closeMainWindow(); });
        QCOMPARE(h->ws.runMessageLoop(), 0);
        QVERIFY(!h->ws.windowOpen());
        QCOMPARE(h->ws.runMessageLoop(), 0); // nothing left to run
        // Dialogs after the close still run their own loops.
        bool answered = false;
        answerNextModal([&](QWidget* modal) { answered = true, static_cast<QDialog*>(modal)->accept(); });
        h->ws.showMessage({"after", "", 0x40});
        QVERIFY(answered);
    }

    void visualStyleSwitchesAndKeepsModelColours()
    {
        QCOMPARE(QApplication::style()->name().toLower(), QStringLiteral("windows"));
        h->ws.setVisualStyle(true);
        h->ws.build(h->model, h->sink); // a look chosen before the window is built stays
        QVERIFY(QApplication::style()->name().toLower() != QStringLiteral("windows"));
        QCOMPARE(colour(h->widget(kModuleId), QPalette::Text), QColor(0, 0, 255));
        h->ws.setVisualStyle(false);
        QCOMPARE(QApplication::style()->name().toLower(), QStringLiteral("windows"));
    }

    // The window is shown early, while its controls are still being built:
    // nothing may be painted until all of them stand, each shown or hidden
    // as the model says.
    void firstFrameHasEveryControl()
    {
        h.reset();
        form::Window form = makeForm();
        for (form::Element& e : form.elements)
            if (e.identity == kCrownedId) e.flags &= ~form::kVisible;
        FormModel model(form);
        RecordingSink sink;
        QtWindowSystem ws(g_argc, g_argv);

        std::vector<qsizetype> children_at_paint;
        PaintWatch watch([&](QObject* watched) {
            if (watched == ws.mainWindow())
                children_at_paint.push_back(
                    ws.mainWindow()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly).size());
        });
        qApp->installEventFilter(&watch);
        ws.build(model, sink);
        QVERIFY(children_at_paint.empty());
        QVERIFY(QTest::qWaitForWindowExposed(ws.mainWindow()));
        QTRY_VERIFY(!children_at_paint.empty());
        qApp->removeEventFilter(&watch);
        QCOMPARE(children_at_paint.front(), 10);

        for (const form::Element& e : form.elements) {
            if (e.kind == form::kWindow || e.kind == form::kPrinter) continue;
            QCOMPARE(ws.widgetFor(e.identity)->isVisible(), e.identity != kCrownedId);
        }
    }
};

QTEST_MAIN(QtWindowSystemTest)
#include "test_qt_window_system.moc"
