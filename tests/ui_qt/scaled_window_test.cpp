// The program's Qt window at 150 % (QT_SCALE_FACTOR=1.5, set by the test's
// environment): the window is 1.5 times the form's 542 × 445 in device
// pixels, and at that scale no caption is cut off and every box holds its
// line of text.
#include <gearhost/host.hpp>
#include <gearqt/qt_window_system.hpp>

#include <gearprog/form_identities.hpp>
#include <geartest/program_instance.hpp>
#include "qt_test_support.hpp"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QWindow>
#include <QtTest>

#include <cmath>
#include <memory>

using namespace gearcalc;
using gearcalc::testing::Program;

namespace {

int g_argc = 1;
char g_name[] = "ui_qt_scaled_test";
char* g_argv[] = {g_name, nullptr};

} // namespace

class ScaledWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<Program> qt_;
    gr::QtWindowSystem* screen_ = nullptr;

    QWidget* widget(uint32_t identity) const { return screen_->widgetFor(identity); }

private slots:
    void initTestCase() { gr::qttest::startWatchdog(120); }

    void init()
    {
        auto screen = gr::makeQtWindowSystem(g_argc, g_argv);
        screen_ = static_cast<gr::QtWindowSystem*>(screen.get());
        qt_ = std::make_unique<Program>(std::move(screen));
        QVERIFY(qt_->created);
        QVERIFY(QTest::qWaitForWindowExposed(screen_->mainWindow()));
    }

    void cleanup()
    {
        qt_.reset();
        screen_ = nullptr;
    }

    void theWindowIsOneAndAHalfTimesTheForm()
    {
        QWidget* window = screen_->mainWindow();
        const qreal ratio = window->windowHandle()->devicePixelRatio();
        QCOMPARE(ratio, 1.5);
        const QRect frame = window->frameGeometry();
        QCOMPARE((std::pair{frame.width(), frame.height()}), (std::pair{542, 445}));
        QCOMPARE((std::pair{static_cast<int>(std::lround(frame.width() * ratio)),
                            static_cast<int>(std::lround(frame.height() * ratio))}),
                 (std::pair{813, 668}));
    }

    void noCaptionIsCutOff()
    {
        // What would be cut off is ink: the blank right half of a
        // full-width colon may run past a box without hiding anything.
        QStringList clipped;
        for (const gr::ControlState& c : qt_->host->model().controls()) {
            QWidget* w = widget(c.identity);
            if (w == nullptr || w == screen_->mainWindow() || c.text.empty()) continue;
            const QString name = QString::fromStdString(c.element->name);
            const QFontMetrics metrics = w->fontMetrics();
            QRect room;
            QString text;
            if (auto* label = qobject_cast<QLabel*>(w)) {
                if (label->wordWrap()) continue;
                room = label->contentsRect();
                text = label->text();
            } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
                // What the style leaves the caption inside the button.
                QStyleOptionButton option;
                option.initFrom(button);
                option.text = button->text();
                QStyle::SubElement element = QStyle::SE_PushButtonContents;
                if (qobject_cast<QCheckBox*>(w)) element = QStyle::SE_CheckBoxContents;
                if (qobject_cast<QRadioButton*>(w)) element = QStyle::SE_RadioButtonContents;
                room = button->style()->subElementRect(element, &option, button);
                text = button->text();
            } else {
                continue;
            }
            const QRect ink = metrics.boundingRect(text);
            if (ink.width() > room.width() || metrics.height() > room.height())
                clipped << name + " (" + QString::number(ink.width()) + "x" + QString::number(metrics.height()) +
                               " in " + QString::number(room.width()) + "x" + QString::number(room.height()) + ")";
        }
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral(", "))));
        for (uint32_t identity : {id::模数编辑框, id::齿数编辑框, id::度数编辑框, id::货号编辑框}) {
            auto* edit = qobject_cast<QLineEdit*>(widget(identity));
            QVERIFY(edit != nullptr);
            QVERIFY2(edit->sizeHint().height() <= edit->height() + 4 ||
                         edit->fontMetrics().height() <= edit->contentsRect().height(),
                     qPrintable(QString::number(identity, 16)));
        }
    }
};

QTEST_MAIN(ScaledWindowTest)
#include "scaled_window_test.moc"
