// The Qt window system's inside, shared by the files that implement it:
// qt_window_system.cpp (building the window, geometry, the message loop),
// qt_controls.cpp (one widget per control, mirroring the model),
// qt_window_events.cpp (keys, mouse and the frame watch) and
// qt_dialogs.cpp (message boxes, the print dialog, print jobs).
#pragma once

#include <gearqt/qt_window_system.hpp>

#include <QApplication>
#include <QCloseEvent>
#include <QMargins>
#include <QPalette>
#include <QPoint>
#include <QPrinter>
#include <QSize>
#include <QString>
#include <QTimer>
#include <QWidget>

class QPlainTextEdit;
class QMenu;

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>

namespace gr {

// The top-level window; tells its owner when the user or the program
// closed it, so the message loop can end.
class MainWindow : public QWidget {
public:
    std::function<void()> on_closed;

protected:
    void closeEvent(QCloseEvent* event) override
    {
        QWidget::closeEvent(event);
        if (event->isAccepted() && on_closed) on_closed();
    }
};

// Forwards every event the application sees to one function. The window
// system watches the main window's platform window through it: each key
// press and mouse move arrives there exactly once, whichever child has
// the focus or lies under the mouse.
class EventTap : public QObject {
public:
    std::function<void(QObject*, QEvent*)> on_event;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (on_event) on_event(watched, event);
        return false;
    }
};

inline QString qtText(const std::string& utf8)
{
    return QString::fromStdString(utf8);
}

// Sets only the colours the model gives; roles left at kDefaultColour keep
// following the style's palette (an unset role in the palette's resolve
// mask is inherited).
void applyColours(QWidget* widget, QPalette::ColorRole text_role, uint32_t text_colour,
                  QPalette::ColorRole back_role, uint32_t back_colour);

class QtWindowSystem::Impl {
public:
    // Declared first so it is destroyed last, after every widget.
    std::unique_ptr<QApplication> own_app;
    EventTap tap;
    std::thread font_setup; // loads fontconfig's configuration while the application starts

    FormModel* model = nullptr;
    EventSink* sink = nullptr;
    uint32_t self_identity = 0; // the window's own control (0x06010000): its events and properties
    std::unique_ptr<MainWindow> window;
    std::unordered_map<uint32_t, QWidget*> widgets; // children of `window`
    QSize outer_size;
    QMargins applied_margins;
    bool frame_fitted = false;
    bool in_loop = false;
    std::unique_ptr<QPrinter> chosen_printer;
    // Mouse moves over the window's frame reach no widget; while the window
    // lies partly off the screen a timer watches for them (see pollFrame).
    QTimer frame_watch;
    std::optional<QPoint> last_frame_cursor;
    int beeps = 0; // refused input, counted for the tests

    Impl(int& argc, char** argv);
    ~Impl();
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    QWidget* widgetFor(uint32_t identity) const
    {
        if (window && identity == self_identity) return window.get();
        auto it = widgets.find(identity);
        return it == widgets.end() ? nullptr : it->second;
    }

    // qt_window_system.cpp
    void build(FormModel& form_model, EventSink& event_sink);
    void fitFrame();

    // qt_controls.cpp
    void createControl(ControlState& control);
    QWidget* createEditBox(const ControlState& control);
    QWidget* createCheckable(const ControlState& control);
    QWidget* createComboBox(const ControlState& control);
    void showText(const ControlState& control, QWidget* widget);
    void showColours(const ControlState& control, QWidget* widget);
    void showChecked(const ControlState& control, QWidget* widget);
    void showSelection(const ControlState& control, QWidget* widget);
    void showChecks();
    void showCaret(const ControlState& control, QPlainTextEdit* box);
    // The context menu of a multi-line box as it pops up now: the box's
    // own entries, a separator and the program's entries; null for any
    // other control.
    std::unique_ptr<QMenu> contextMenu(uint32_t identity);

    // qt_window_events.cpp
    void onEvent(QObject* watched, QEvent* event);
    bool mouseBlocked() const;
    void mouseMoved(QPoint at, Qt::KeyboardModifiers modifiers);
    void pollFrame();
    void watchFrameWhenOffScreen();
    void onClick(uint32_t identity);
    void refuseInput();
};

} // namespace gr
