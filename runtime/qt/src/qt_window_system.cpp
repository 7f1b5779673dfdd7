// The Qt window system: building the main window from the model, its
// geometry, the message loop, the visual style, and the model's changes
// passed on to the widgets.
#include "qt_window_impl.hpp"

#include "qt_chinese.hpp"
#include <gearqt/qt_support.hpp>
#include <gearhost/desktop.hpp>

#include <QFont>
#include <QFontDatabase>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleFactory>
#include <QTextCursor>
#include <QWindow>

#include <fontconfig/fontconfig.h>

#include <clocale>

namespace gr {

namespace {

// The face the forms were laid out for: a 9-point font with Chinese glyphs.
QFont windowFont()
{
    static const QString cjk_family = QStringLiteral("WenQuanYi Micro Hei");
    QFont font = QApplication::font();
    if (QFontDatabase::hasFamily(cjk_family)) font.setFamily(cjk_family);
    font.setPointSize(9);
    return font;
}

QString themedStyleName()
{
    const QStringList keys = QStyleFactory::keys();
    for (const char* preferred : {"windowsvista", "macOS", "Fusion"}) {
        for (const QString& key : keys)
            if (key.compare(QLatin1String(preferred), Qt::CaseInsensitive) == 0) return key;
    }
    return keys.isEmpty() ? QString() : keys.front();
}

} // namespace

QtWindowSystem::Impl::Impl(int& argc, char** argv)
{
    if (!QCoreApplication::instance()) {
        // Fontconfig reads its configuration and font caches on first use,
        // which the window's first text would otherwise wait for; the
        // application's start (display connection, platform plugin) leaves
        // the other core free to do it meanwhile.
        font_setup = std::thread([] { FcInit(); });
        own_app = std::make_unique<QApplication>(argc, argv);
        // QApplication adopts the user's locale for the C library; the
        // runtime formats and reads numbers with C functions, which must
        // keep the decimal point.
        std::setlocale(LC_NUMERIC, "C");
    }
    qt::speakChinese(*QCoreApplication::instance());
    tap.on_event = [this](QObject* watched, QEvent* event) { onEvent(watched, event); };
    QCoreApplication::instance()->installEventFilter(&tap);
    frame_watch.setInterval(50);
    QObject::connect(&frame_watch, &QTimer::timeout, [this] { pollFrame(); });
}

QtWindowSystem::Impl::~Impl()
{
    if (font_setup.joinable()) font_setup.join();
    frame_watch.stop();
    if (QCoreApplication::instance()) QCoreApplication::instance()->removeEventFilter(&tap);
    widgets.clear();
    window.reset();
}
void QtWindowSystem::Impl::build(FormModel& form_model, EventSink& event_sink)
{
    if (font_setup.joinable()) font_setup.join(); // long done by now
    widgets.clear();
    window.reset();
    model = &form_model;
    sink = &event_sink;
    frame_fitted = false;

    auto& controls = model->controls();
    if (controls.empty()) return;
    const ControlState& self = controls.front();
    self_identity = self.identity;

    window = std::make_unique<MainWindow>();
    window->on_closed = [this] {
        if (in_loop) QCoreApplication::exit(0);
    };
    window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    window->setWindowTitle(qtText(self.text));
    window->setMouseTracking(true);
    window->setEnabled(!self.disabled);
    if (self.back_colour != form::kDefaultColour) {
        applyColours(window.get(), QPalette::WindowText, form::kDefaultColour, QPalette::Window, self.back_colour);
        window->setAutoFillBackground(true);
    }

    int left = 0, top = 0;
    if (self.element) {
        left = self.element->left;
        top = self.element->top;
        outer_size = QSize(std::max(1, self.element->width), std::max(1, self.element->height));
    } else {
        outer_size = QSize(640, 480);
    }
    window->setFixedSize(outer_size);
    window->move(left, top);

    // The window is shown before its controls exist, so the server maps it
    // while they are built; nothing is painted before the message loop
    // runs, by which time every control is in place. Building them first
    // would also load the fonts and start the accessibility bridge (whose
    // session-bus connection may launch a process) before the window could
    // show.
    window->winId(); // creates the platform window, so its frame can be measured
    fitFrame();
    window->show();
    fitFrame();

    window->setFont(windowFont());
    for (std::size_t i = 1; i < controls.size(); ++i) createControl(controls[i]);

    // Tab follows the order of the controls in the model.
    QWidget* previous = nullptr;
    for (std::size_t i = 1; i < controls.size(); ++i) {
        QWidget* widget = widgetFor(controls[i].identity);
        if (!widget || !controls[i].tab_stop) continue;
        if (previous) QWidget::setTabOrder(previous, widget);
        previous = widget;
    }

    last_frame_cursor.reset();
    watchFrameWhenOffScreen();
}

void QtWindowSystem::Impl::fitFrame()
{
    if (!window) return;
    QWindow* handle = window->windowHandle();
    if (!handle) return;
    const QMargins margins = handle->frameMargins();
    if (frame_fitted && margins == applied_margins) return;
    frame_fitted = true;
    applied_margins = margins;
    const QSize client(std::max(1, outer_size.width() - margins.left() - margins.right()),
                       std::max(1, outer_size.height() - margins.top() - margins.bottom()));
    if (window->size() != client || window->minimumSize() != client || window->maximumSize() != client)
        window->setFixedSize(client);
}

QtWindowSystem::QtWindowSystem(int& argc, char** argv) : impl_(std::make_unique<Impl>(argc, argv))
{
    // Plain until the program asks for the themed look, which it may do
    // before its window exists.
    setVisualStyle(false);
}

QtWindowSystem::~QtWindowSystem() = default;

void QtWindowSystem::build(FormModel& model, EventSink& sink)
{
    impl_->build(model, sink);
}

void QtWindowSystem::refresh(const ControlState& control, int32_t property)
{
    if (!impl_->window || !impl_->model) return;
    if (control.identity == impl_->self_identity) {
        if (property == kPropText) impl_->window->setWindowTitle(qtText(control.text));
        else if (property == kPropDisabled) impl_->window->setEnabled(!control.disabled);
        return;
    }
    QWidget* widget = impl_->widgetFor(control.identity);
    if (!widget) return;
    switch (property) {
    case kPropDisabled: widget->setEnabled(!control.disabled); break;
    case kPropText: impl_->showText(control, widget); break;
    case kPropEditTextColour:
    case kPropLabelTextColour: impl_->showColours(control, widget); break;
    case kPropChecked: impl_->showChecked(control, widget); break;
    case kPropSelectedIndex: impl_->showSelection(control, widget); break;
    default: break; // printer font and the rest have nothing to show
    }
}

void QtWindowSystem::appended(const ControlState& control, std::string_view added)
{
    QWidget* widget = impl_->widgetFor(control.identity);
    if (auto* box = qobject_cast<QPlainTextEdit*>(widget)) {
        // Inserting at the end continues the last line; appendPlainText
        // would start a new paragraph.
        const QSignalBlocker blocker(box);
        QTextCursor end(box->document());
        end.movePosition(QTextCursor::End);
        end.insertText(qt::displayText(added));
        impl_->showCaret(control, box);
    } else if (widget) {
        impl_->showText(control, widget);
    }
}

void QtWindowSystem::beep()
{
    impl_->refuseInput();
}

int QtWindowSystem::beeps() const
{
    return impl_->beeps;
}

Rect QtWindowSystem::windowRect() const
{
    if (!impl_->window) return {};
    const QRect frame = impl_->window->frameGeometry();
    return {frame.x(), frame.y(), frame.width(), frame.height()};
}

Size QtWindowSystem::clientSize() const
{
    if (!impl_->window) return {};
    return {impl_->window->width(), impl_->window->height()};
}

void QtWindowSystem::placeWindow(std::optional<int> left, std::optional<int> top)
{
    if (!impl_->window) return;
    const QPoint at = impl_->window->pos(); // the frame's corner for a top-level window
    impl_->window->move(left.value_or(at.x()), top.value_or(at.y()));
}

int QtWindowSystem::screenWidth() const
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().width() : 0;
}

// Qt places windows in logical pixels, the form's units, with each
// screen's own scale already applied: the screens' rectangles are all the
// monitor arithmetic needs.
MonitorView QtWindowSystem::windowMonitor() const
{
    DesktopView view;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect g = screen->geometry();
        view.monitors.push_back(Rect{g.x(), g.y(), g.width(), g.height()});
    }
    view.window = windowRect();
    return formMonitor(view);
}

Point QtWindowSystem::cursor() const
{
    const QPoint at = QCursor::pos();
    return {at.x(), at.y()};
}

int QtWindowSystem::runMessageLoop()
{
    if (!windowOpen()) return 0;
    impl_->in_loop = true;
    QApplication::exec();
    impl_->in_loop = false;
    return 0;
}

void QtWindowSystem::closeMainWindow()
{
    if (impl_->window) impl_->window->close();
}

bool QtWindowSystem::windowOpen() const
{
    return impl_->window && impl_->window->isVisible();
}

void QtWindowSystem::setVisualStyle(bool themed)
{
    const QString name = themed ? themedStyleName() : QStringLiteral("Windows");
    if (name.isEmpty()) return;
    if (QApplication::style() && QApplication::style()->name().compare(name, Qt::CaseInsensitive) == 0) return;
    if (QStyle* style = QStyleFactory::create(name)) QApplication::setStyle(style);
}

QWidget* QtWindowSystem::mainWindow() const
{
    return impl_->window.get();
}

std::unique_ptr<QMenu> QtWindowSystem::contextMenu(uint32_t identity) const
{
    return impl_->contextMenu(identity);
}

QWidget* QtWindowSystem::widgetFor(uint32_t identity) const
{
    return impl_->widgetFor(identity);
}

std::unique_ptr<WindowSystem> makeQtWindowSystem(int& argc, char** argv)
{
    return std::make_unique<QtWindowSystem>(argc, argv);
}

} // namespace gr
