// What reaches the main window from the keyboard and the mouse: key presses
// and mouse moves for the program's window events, clicks on check boxes
// and radio buttons, and the watch over the window's frame while it lies
// partly off the screen.
#include "qt_window_impl.hpp"

#include <gearqt/qt_support.hpp>

#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QWindow>

namespace gr {

void QtWindowSystem::Impl::mouseMoved(QPoint at, Qt::KeyboardModifiers modifiers)
{
    sink->dispatchEvent(self_identity, form::kEventMouseMoved, {at.x(), at.y(), qt::shiftState(modifiers)});
}

// While a dialog or popup is open the main window gets no mouse events.
bool QtWindowSystem::Impl::mouseBlocked() const
{
    return QApplication::activeModalWidget() != nullptr || QApplication::activePopupWidget() != nullptr;
}

// A window tucked away behind a screen edge may show nothing but a strip of
// its frame, which the window manager owns: no widget hears the mouse there.
// Every 50 ms, a mouse that moved over the frame (not the title bar) counts
// as a move at the nearest client position, so the window can come back.
void QtWindowSystem::Impl::pollFrame()
{
    if (!window || !sink || !window->isVisible() || mouseBlocked()) return;
    const QPoint cursor = QCursor::pos();
    const QPoint local = window->mapFromGlobal(cursor);
    if (!window->frameGeometry().contains(cursor) || window->rect().contains(local)) {
        last_frame_cursor.reset();
        return;
    }
    if (last_frame_cursor == cursor) return; // not moved
    last_frame_cursor = cursor;
    if (const std::optional<QPoint> at = qt::framePosition(window->size(), local))
        mouseMoved(*at, QGuiApplication::queryKeyboardModifiers());
}

// Only a window tucked behind a screen edge can show nothing but frame; a
// window wholly on the screen needs no watching, so nothing wakes up then.
void QtWindowSystem::Impl::watchFrameWhenOffScreen()
{
    const QScreen* screen = window ? window->screen() : nullptr;
    const bool off = screen != nullptr && window->isVisible() && !screen->geometry().contains(window->frameGeometry());
    if (off && !frame_watch.isActive()) frame_watch.start();
    if (!off && frame_watch.isActive()) {
        frame_watch.stop();
        last_frame_cursor.reset();
    }
}

void QtWindowSystem::Impl::onEvent(QObject* watched, QEvent* event)
{
    if (!window || !sink) return;
    switch (event->type()) {
    case QEvent::KeyPress:
        if (watched == window->windowHandle()) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (int code = qt::virtualKeyCode(key->key(), key->modifiers()))
                sink->dispatchEvent(self_identity, form::kEventKeyPressed,
                                    {code, qt::shiftState(key->modifiers())});
        }
        break;
    case QEvent::MouseMove:
        if (watched == window->windowHandle()) {
            // The platform window's coordinates are the main window's client
            // coordinates.
            auto* mouse = static_cast<QMouseEvent*>(event);
            mouseMoved(mouse->position().toPoint(), mouse->modifiers());
        }
        break;
    case QEvent::Leave:
        // The last move inside the window is a pixel short of its edge; the
        // program also hears where the mouse left it.
        if (watched == window->windowHandle() && !mouseBlocked())
            mouseMoved(qt::leavingPosition(window->size(), window->mapFromGlobal(QCursor::pos())),
                       QGuiApplication::queryKeyboardModifiers());
        break;
    case QEvent::Show:
    case QEvent::Move:
    case QEvent::Resize:
        // Window managers report the frame only once the window is mapped.
        if (watched == window.get()) {
            fitFrame();
            watchFrameWhenOffScreen();
        }
        break;
    default:
        break;
    }
}

void QtWindowSystem::Impl::onClick(uint32_t identity)
{
    ControlState* control = model->find(identity);
    if (!control) return;
    model->applyClick(*control);
    showChecks();
    sink->dispatchEvent(identity, form::kEventClicked, {});
}

// The platform's warning sound for input a control refuses; the text
// stays as it was.
void QtWindowSystem::Impl::refuseInput()
{
    ++beeps;
    QApplication::beep();
}

} // namespace gr
