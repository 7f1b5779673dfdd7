// What the Qt backend's edit boxes do with the user's typing and pasting,
// where the result box puts its caret, and the language of Qt's own
// dialogs and menus.
#include <gearqt/qt_window_system.hpp>
#include "qt_test_support.hpp"

#include <QClipboard>
#include <QDialogButtonBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QtTest>

using namespace gr;

namespace {

enum : uint32_t { kWindowId = 0x06010000, kDecimalId = 0x16010001, kIntegerId, kItemId, kResultId };

form::Window makeForm()
{
    using namespace form;
    Window w;
    w.identity = 0x52010001;
    auto add = [&](uint32_t id, QRect at, int32_t mode) -> Element& {
        Element e;
        e.kind = kEditBox;
        e.identity = id;
        e.name = "c" + std::to_string(id & 0xFF);
        e.left = at.x(), e.top = at.y(), e.width = at.width(), e.height = at.height();
        e.flags = kVisible | kTabStop;
        e.input_mode = mode;
        w.elements.push_back(e);
        return w.elements.back();
    };
    w.elements.reserve(5);
    Element self;
    self.kind = kWindow;
    self.identity = kWindowId;
    self.left = 50, self.top = 50, self.width = 420, self.height = 360;
    self.text = "Typing";
    w.elements.push_back(self);
    add(kDecimalId, {10, 10, 100, 22}, kDecimalInput);
    add(kIntegerId, {10, 40, 100, 22}, kIntegerInput);
    add(kItemId, {10, 70, 140, 22}, kOrdinaryInput);
    Element& result = add(kResultId, {160, 10, 232, 320}, kReadOnlyInput);
    result.multiline = 1;
    result.scroll_bars = 2;
    return w;
}

class NoEvents : public EventSink {
public:
    void dispatchEvent(uint32_t, int32_t, const std::vector<int64_t>&) override {}
};

int g_argc = 1;
char g_name[] = "qt_typing_test";
char* g_argv[] = {g_name, nullptr};

struct Harness {
    form::Window form = makeForm();
    FormModel model{form};
    NoEvents sink;
    QtWindowSystem ws{g_argc, g_argv};

    Harness() { ws.build(model, sink); }
    ControlState& control(uint32_t id) { return *model.find(id); }
    QLineEdit* edit(uint32_t id) { return qobject_cast<QLineEdit*>(ws.widgetFor(id)); }
    QPlainTextEdit* result() { return qobject_cast<QPlainTextEdit*>(ws.widgetFor(kResultId)); }
    // The user empties a box and types into it.
    void typeAfresh(uint32_t id, const QString& keys)
    {
        edit(id)->setFocus();
        edit(id)->selectAll();
        QTest::keyClick(edit(id), Qt::Key_Delete);
        QTest::keyClicks(edit(id), keys);
    }
    void pasteAtEnd(uint32_t id, const QString& clip)
    {
        QGuiApplication::clipboard()->setText(clip);
        edit(id)->setFocus();
        edit(id)->end(false);
        QTest::keySequence(edit(id), QKeySequence::Paste);
    }
    void append(const std::string& added)
    {
        ControlState& box = control(kResultId);
        box.text += added;
        box.caret = box.text.size();
        ws.appended(box, added);
    }
};

bool lastLineInView(QPlainTextEdit* box)
{
    const QTextBlock last = box->document()->lastBlock();
    const QRect cursor = box->cursorRect(QTextCursor(last));
    return box->viewport()->rect().contains(cursor);
}

} // namespace

class QtTypingTest : public QObject {
    Q_OBJECT
    std::unique_ptr<Harness> h;

private slots:
    void initTestCase() { qttest::startWatchdog(120); }
    void init()
    {
        h = std::make_unique<Harness>();
        QVERIFY(QTest::qWaitForWindowExposed(h->ws.mainWindow()));
    }
    void cleanup() { h.reset(); }

    void typedKeys_data()
    {
        QTest::addColumn<quint32>("box");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("beeps");
        QTest::newRow("decimal comma becomes a point") << quint32(kDecimalId) << "19,5" << "19.5" << 0;
        QTest::newRow("letters and a late minus beep") << quint32(kDecimalId) << "2x0.5-" << "20.5" << 2;
        QTest::newRow("second point beeps") << quint32(kDecimalId) << "1.2.3" << "1.23" << 1;
        QTest::newRow("integer box refuses comma and point") << quint32(kIntegerId) << "19,5." << "195" << 2;
        QTest::newRow("item box keeps blanks and case") << quint32(kItemId) << " zkd-H8 " << " zkd-H8 " << 0;
    }
    void typedKeys()
    {
        QFETCH(quint32, box);
        QFETCH(QString, keys);
        QFETCH(QString, shown);
        QFETCH(int, beeps);
        const int before = h->ws.beeps();
        h->typeAfresh(box, keys);
        QCOMPARE(h->edit(box)->text(), shown);
        QCOMPARE(QString::fromStdString(h->control(box).text), shown);
        QCOMPARE(h->ws.beeps() - before, beeps);
    }

    void pastedTexts_data()
    {
        QTest::addColumn<quint32>("box");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("clip");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("beeps");
        QTest::newRow("decimal comma pasted") << quint32(kDecimalId) << "" << "19,5" << "19.5" << 0;
        QTest::newRow("only the first line") << quint32(kDecimalId) << "" << "19,5\r\n20" << "19.5" << 0;
        QTest::newRow("mixed text refused whole") << quint32(kIntegerId) << "7" << "2x0.5-" << "7" << 1;
        QTest::newRow("item number first line with its blanks")
            << quint32(kItemId) << "" << " ZKD-H8-21-8 \nsecond line" << " ZKD-H8-21-8 " << 0;
        QTest::newRow("full-width digits and point of an input method")
            << quint32(kDecimalId) << "1" << QStringLiteral("２．５") << "12.5" << 0;
        QTest::newRow("ideographic full stop") << quint32(kDecimalId) << "2" << QStringLiteral("。５") << "2.5" << 0;
        QTest::newRow("line separator cannot forge a line")
            << quint32(kItemId) << "Z" << QStringLiteral("2\u2028分度圆直径：999") << "Z" << 1;
        QTest::newRow("next-line control refused") << quint32(kItemId) << "Z" << QStringLiteral("a\u0085b") << "Z" << 1;
        QTest::newRow("character outside the BMP kept whole")
            << quint32(kItemId) << "Z" << QStringLiteral("\U0001F601") << QStringLiteral("Z\U0001F601") << 0;
    }
    void pastedTexts()
    {
        QFETCH(quint32, box);
        QFETCH(QString, start);
        QFETCH(QString, clip);
        QFETCH(QString, shown);
        QFETCH(int, beeps);
        h->typeAfresh(box, start);
        const int before = h->ws.beeps();
        h->pasteAtEnd(box, clip);
        QCOMPARE(h->edit(box)->text(), shown);
        QCOMPARE(QString::fromStdString(h->control(box).text), shown);
        QCOMPARE(h->ws.beeps() - before, beeps);
    }

    void inputMethodCommitIsConverted()
    {
        h->typeAfresh(kDecimalId, "1");
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("２，５"));
        QCoreApplication::sendEvent(h->edit(kDecimalId), &commit);
        QCOMPARE(h->edit(kDecimalId)->text(), QStringLiteral("12.5"));
        QCOMPARE(h->control(kDecimalId).text, std::string("12.5"));
    }

    void replacingACharacterOutsideTheBmpKeepsItWhole()
    {
        // Both characters start with the same surrogate: the edit must not
        // be found between the two halves.
        h->typeAfresh(kItemId, "");
        h->pasteAtEnd(kItemId, QStringLiteral("\U0001F600"));
        QGuiApplication::clipboard()->setText(QStringLiteral("\U0001F601"));
        h->edit(kItemId)->selectAll();
        QTest::keySequence(h->edit(kItemId), QKeySequence::Paste);
        QCOMPARE(h->edit(kItemId)->text(), QStringLiteral("\U0001F601"));
        QCOMPARE(h->control(kItemId).text, std::string("\U0001F601"));
    }

    void emptyPasteChangesNothing()
    {
        h->typeAfresh(kDecimalId, "19.5");
        QGuiApplication::clipboard()->clear();
        h->edit(kDecimalId)->setFocus();
        h->edit(kDecimalId)->selectAll();
        QTest::keySequence(h->edit(kDecimalId), QKeySequence::Paste);
        QCOMPARE(h->edit(kDecimalId)->text(), QStringLiteral("19.5"));
        QCOMPARE(h->control(kDecimalId).text, std::string("19.5"));
    }

    void textTheProgramSetsShowsAsItIs()
    {
        ControlState& box = h->control(kIntegerId);
        box.text = "2.5";
        h->ws.refresh(box, kPropText);
        QCOMPARE(h->edit(kIntegerId)->text(), QStringLiteral("2.5"));
        QCOMPARE(h->ws.beeps(), 0);
        h->edit(kIntegerId)->setFocus();
        h->edit(kIntegerId)->end(false);
        QTest::keyClick(h->edit(kIntegerId), Qt::Key_Backspace); // the user may still delete
        QCOMPARE(box.text, std::string("2."));
    }

    void resultBoxShowsTheEndOfWhatWasAppended()
    {
        QPlainTextEdit* box = h->result();
        for (int run = 0; run < 2; ++run) {
            h->control(kResultId).text.clear();
            h->control(kResultId).caret = 0;
            h->ws.refresh(h->control(kResultId), kPropText);
            for (int line = 0; line < 22; ++line) h->append("\r\n第 " + std::to_string(line) + " 行");
            QScrollBar* bar = box->verticalScrollBar();
            QVERIFY(bar->maximum() > 0); // more lines than the box shows
            QVERIFY(bar->value() > 0);
            QCOMPARE(box->textCursor().position(), box->document()->characterCount() - 1);
            QVERIFY(lastLineInView(box));
            box->verticalScrollBar()->setValue(0); // the user scrolls up; the next run shows its end again
        }
        // A new content puts the caret at its start, as the model says.
        h->control(kResultId).text = "a\r\nb";
        h->control(kResultId).caret = 0;
        h->ws.refresh(h->control(kResultId), kPropText);
        QCOMPARE(box->textCursor().position(), 0);
        QCOMPARE(box->verticalScrollBar()->value(), 0);
    }

    void qtsOwnDialogsAndMenusSpeakChinese()
    {
        std::unique_ptr<QMenu> menu(h->result()->createStandardContextMenu());
        QStringList actions;
        for (QAction* action : menu->actions())
            if (!action->isSeparator()) actions << action->text();
        QVERIFY2(actions.join(' ').contains(QStringLiteral("复制")), qPrintable(actions.join(' ')));
        QVERIFY2(actions.join(' ').contains(QStringLiteral("全选")), qPrintable(actions.join(' ')));

        std::unique_ptr<QMenu> line_menu(h->edit(kItemId)->createStandardContextMenu());
        QStringList line_actions;
        for (QAction* action : line_menu->actions()) line_actions << action->text();
        QVERIFY2(line_actions.join(' ').contains(QStringLiteral("粘贴")), qPrintable(line_actions.join(' ')));

        QPrinter printer;
        QPrintDialog dialog(&printer, h->ws.mainWindow());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("打印"));
        QMessageBox box(QMessageBox::Information, QStringLiteral("t"), QStringLiteral("x"), QMessageBox::Ok);
        QCOMPARE(box.button(QMessageBox::Ok)->text(), QStringLiteral("确定"));
    }
};

QTEST_MAIN(QtTypingTest)
#include "test_qt_typing.moc"
