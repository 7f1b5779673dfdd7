#include <gearqt/qt_window_system.hpp>

#include <gearqt/qt_print.hpp>
#include <gearqt/qt_support.hpp>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QFont>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleFactory>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>
#include <QTimer>
#include <QWindow>

#include <clocale>
#include <functional>
#include <unordered_map>

namespace gr {

namespace {

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

QString qtText(const std::string& utf8)
{
    return QString::fromStdString(utf8);
}

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

// Sets only the colours the model gives; roles left at kDefaultColour keep
// following the style's palette (an unset role in the palette's resolve
// mask is inherited).
void applyColours(QWidget* widget, QPalette::ColorRole text_role, uint32_t text_colour,
                  QPalette::ColorRole back_role, uint32_t back_colour)
{
    QPalette palette;
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        if (text_colour != form::kDefaultColour) palette.setColor(group, text_role, qt::colourFromBgr(text_colour));
        if (back_colour != form::kDefaultColour) palette.setColor(group, back_role, qt::colourFromBgr(back_colour));
    }
    widget->setPalette(palette);
}

Qt::Alignment horizontalAlignment(int32_t alignment)
{
    switch (alignment) {
    case 1: return Qt::AlignHCenter;
    case 2: return Qt::AlignRight;
    default: return Qt::AlignLeft;
    }
}

QMessageBox::Icon messageIcon(int32_t style)
{
    switch (style & 0xF0) {
    case 0x10: return QMessageBox::Critical;
    case 0x20: return QMessageBox::Question;
    case 0x30: return QMessageBox::Warning;
    case 0x40: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

} // namespace

class QtWindowSystem::Impl {
public:
    // Declared first so it is destroyed last, after every widget.
    std::unique_ptr<QApplication> own_app;
    EventTap tap;

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

    Impl(int& argc, char** argv)
    {
        if (!QCoreApplication::instance()) {
            own_app = std::make_unique<QApplication>(argc, argv);
            // QApplication adopts the user's locale for the C library; the
            // runtime formats and reads numbers with C functions, which
            // must keep the decimal point.
            std::setlocale(LC_NUMERIC, "C");
        }
        tap.on_event = [this](QObject* watched, QEvent* event) { onEvent(watched, event); };
        QCoreApplication::instance()->installEventFilter(&tap);
        frame_watch.setInterval(50);
        QObject::connect(&frame_watch, &QTimer::timeout, [this] { pollFrame(); });
    }

    ~Impl()
    {
        frame_watch.stop();
        if (QCoreApplication::instance()) QCoreApplication::instance()->removeEventFilter(&tap);
        widgets.clear();
        window.reset();
    }

    QWidget* widgetFor(uint32_t identity) const
    {
        if (window && identity == self_identity) return window.get();
        auto it = widgets.find(identity);
        return it == widgets.end() ? nullptr : it->second;
    }

    void build(FormModel& form_model, EventSink& event_sink);
    void createControl(ControlState& control);
    void fitFrame();
    void onEvent(QObject* watched, QEvent* event);
    bool mouseBlocked() const;
    void mouseMoved(QPoint at, Qt::KeyboardModifiers modifiers);
    void pollFrame();
    void watchFrameWhenOffScreen();
    void onClick(uint32_t identity);
    void showChecks();
    void showText(const ControlState& control, QWidget* widget);
    void showColours(const ControlState& control, QWidget* widget);
    void showChecked(const ControlState& control, QWidget* widget);
    void showSelection(const ControlState& control, QWidget* widget);
};

void QtWindowSystem::Impl::build(FormModel& form_model, EventSink& event_sink)
{
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
    window->setFont(windowFont());
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

    for (std::size_t i = 1; i < controls.size(); ++i) createControl(controls[i]);

    // Tab follows the order of the controls in the model.
    QWidget* previous = nullptr;
    for (std::size_t i = 1; i < controls.size(); ++i) {
        QWidget* widget = widgetFor(controls[i].identity);
        if (!widget || !controls[i].tab_stop) continue;
        if (previous) QWidget::setTabOrder(previous, widget);
        previous = widget;
    }

    window->winId(); // creates the platform window, so its frame can be measured
    fitFrame();
    window->show();
    fitFrame();
    last_frame_cursor.reset();
    watchFrameWhenOffScreen();
}

void QtWindowSystem::Impl::createControl(ControlState& control)
{
    const form::Element* element = control.element;
    if (!element) return;
    const uint32_t identity = control.identity;
    QWidget* widget = nullptr;
    bool takes_focus = true;

    switch (control.kind) {
    case form::kEditBox:
        if (element->multiline) {
            auto* box = new QPlainTextEdit(window.get());
            // The multi-line box shows results; the program writes it, the
            // user only reads, selects and copies.
            box->setReadOnly(true);
            // Read only, but the report can still be selected and copied
            // with the keyboard as well as the mouse.
            box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
            box->document()->setUndoRedoEnabled(false);
            box->setVerticalScrollBarPolicy((element->scroll_bars & 2) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
            box->setHorizontalScrollBarPolicy((element->scroll_bars & 1) ? Qt::ScrollBarAlwaysOn
                                                                         : Qt::ScrollBarAlwaysOff);
            box->setLineWrapMode((element->scroll_bars & 1) ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
            QTextOption option = box->document()->defaultTextOption();
            option.setAlignment(horizontalAlignment(element->alignment));
            box->document()->setDefaultTextOption(option);
            box->setPlainText(qt::displayText(control.text));
            box->viewport()->setMouseTracking(true);
            widget = box;
        } else {
            auto* edit = new QLineEdit(window.get());
            edit->setText(qt::displayText(control.text));
            edit->setReadOnly(element->input_mode == form::kReadOnlyInput);
            edit->setAlignment(horizontalAlignment(element->alignment) | Qt::AlignVCenter);
            if (element->input_mode == form::kIntegerInput)
                edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?[0-9]*")), edit));
            else if (element->input_mode == form::kDecimalInput)
                edit->setValidator(
                    new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?[0-9]*\\.?[0-9]*")), edit));
            QObject::connect(edit, &QLineEdit::textEdited, edit, [this, identity](const QString& text) {
                if (ControlState* state = model->find(identity)) state->text = text.toStdString();
            });
            widget = edit;
        }
        showColours(control, widget);
        break;
    case form::kLabel: {
        auto* label = new QLabel(window.get());
        label->setTextFormat(Qt::PlainText);
        // The forms were measured with a narrower Latin face; a caption a
        // few pixels too wide for a one-line label is clipped at its blank
        // end instead of wrapping half a line out of view. Labels tall
        // enough for two lines wrap.
        label->setWordWrap(element->height >= 2 * label->fontMetrics().lineSpacing());
        label->setAlignment(horizontalAlignment(element->alignment) | Qt::AlignTop);
        label->setText(qt::displayText(control.text));
        widget = label;
        showColours(control, widget);
        takes_focus = false;
        break;
    }
    case form::kButton: {
        auto* button = new QPushButton(qt::displayText(control.text), window.get());
        QObject::connect(button, &QPushButton::clicked, button,
                         [this, identity] { sink->dispatchEvent(identity, form::kEventClicked, {}); });
        widget = button;
        break;
    }
    case form::kCheckBox:
    case form::kRadioButton: {
        QAbstractButton* button = nullptr;
        if (control.kind == form::kCheckBox) {
            button = new QCheckBox(qt::displayText(control.text), window.get());
        } else {
            auto* radio = new QRadioButton(qt::displayText(control.text), window.get());
            // The model keeps the group: it decides which radio is on.
            radio->setAutoExclusive(false);
            button = radio;
        }
        QObject::connect(button, &QAbstractButton::clicked, button, [this, identity] { onClick(identity); });
        widget = button;
        showChecked(control, widget);
        break;
    }
    case form::kComboBox: {
        auto* combo = new QComboBox(window.get());
        combo->setEditable(false);
        for (const std::string& item : control.items) combo->addItem(qtText(item));
        QObject::connect(combo, &QComboBox::activated, combo, [this, identity](int index) {
            if (ControlState* state = model->find(identity)) state->selected_index = index;
        });
        widget = combo;
        showSelection(control, widget);
        break;
    }
    case form::kPictureBox: {
        auto* picture = new QLabel(window.get());
        picture->setAlignment(Qt::AlignCenter);
        QPixmap pixmap;
        if (!element->picture.empty() &&
            pixmap.loadFromData(element->picture.data(), static_cast<uint>(element->picture.size()))) {
            const QSize box(std::max(1, element->width), std::max(1, element->height));
            // Shown at its own size; only a picture larger than its box is
            // scaled, down, to fit.
            if (pixmap.width() > box.width() || pixmap.height() > box.height())
                pixmap = pixmap.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            picture->setPixmap(pixmap);
        }
        widget = picture;
        takes_focus = false;
        break;
    }
    default: // the printer and anything without a face
        return;
    }

    widget->setObjectName(qtText(element->name));
    widget->setGeometry(element->left, element->top, element->width, element->height);
    widget->setMouseTracking(true);
    widget->setEnabled(!control.disabled);
    widget->setHidden(!control.visible);
    if (control.tab_stop && takes_focus)
        widget->setFocusPolicy(Qt::StrongFocus);
    else
        widget->setFocusPolicy(takes_focus ? Qt::ClickFocus : Qt::NoFocus);
    widgets[identity] = widget;
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

void QtWindowSystem::Impl::showChecks()
{
    for (const ControlState& control : model->controls()) {
        if (control.kind != form::kCheckBox && control.kind != form::kRadioButton) continue;
        if (QWidget* widget = widgetFor(control.identity)) showChecked(control, widget);
    }
}

void QtWindowSystem::Impl::showText(const ControlState& control, QWidget* widget)
{
    const QSignalBlocker blocker(widget);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        const QString text = qt::displayText(control.text);
        if (edit->text() != text) edit->setText(text);
    } else if (auto* box = qobject_cast<QPlainTextEdit*>(widget)) {
        box->setPlainText(qt::displayText(control.text));
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        if (control.kind == form::kLabel) label->setText(qt::displayText(control.text));
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(qt::displayText(control.text));
    }
}

void QtWindowSystem::Impl::showColours(const ControlState& control, QWidget* widget)
{
    if (control.kind == form::kEditBox) {
        applyColours(widget, QPalette::Text, control.text_colour, QPalette::Base, control.back_colour);
    } else if (control.kind == form::kLabel) {
        applyColours(widget, QPalette::WindowText, control.text_colour, QPalette::Window, control.back_colour);
        widget->setAutoFillBackground(control.back_colour != form::kDefaultColour);
    }
}

void QtWindowSystem::Impl::showChecked(const ControlState& control, QWidget* widget)
{
    const QSignalBlocker blocker(widget);
    if (auto* check = qobject_cast<QCheckBox*>(widget)) {
        check->setCheckState(control.checked == 2 ? Qt::PartiallyChecked
                             : control.checked ? Qt::Checked
                                               : Qt::Unchecked);
    } else if (auto* radio = qobject_cast<QRadioButton*>(widget)) {
        radio->setChecked(control.checked != 0);
    }
}

void QtWindowSystem::Impl::showSelection(const ControlState& control, QWidget* widget)
{
    auto* combo = qobject_cast<QComboBox*>(widget);
    if (!combo) return;
    const QSignalBlocker blocker(combo);
    const int index = control.selected_index;
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
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
    } else if (widget) {
        impl_->showText(control, widget);
    }
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

int QtWindowSystem::showMessage(const MessageRequest& request)
{
    QWidget* parent = windowOpen() ? impl_->window.get() : nullptr;
    QMessageBox box(parent);
    box.setIcon(messageIcon(request.style));
    box.setWindowTitle(request.caption.empty() && impl_->window ? impl_->window->windowTitle()
                                                                : qtText(request.caption));
    box.setTextFormat(Qt::PlainText);
    box.setText(qt::displayText(request.text));
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return 1;
}

PrintAnswer QtWindowSystem::askPrint(const std::string& document_name)
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setDocName(qtText(document_name));
    QPrintDialog dialog(printer.get(), windowOpen() ? impl_->window.get() : nullptr);
    PrintAnswer answer;
    answer.accepted = dialog.exec() == QDialog::Accepted;
    // "Print to file" leaves the printer in PDF mode with the chosen file,
    // paper and copies; the job is rendered on it like on paper.
    if (answer.accepted) impl_->chosen_printer = std::move(printer);
    return answer;
}

bool QtWindowSystem::submitPrintJob(const PrintJob& job)
{
    if (!job.pdf_path.empty()) return qt::writePrintJobPdf(job, job.pdf_path);
    if (!impl_->chosen_printer) impl_->chosen_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    QPrinter& printer = *impl_->chosen_printer;
    printer.setDocName(qtText(job.document_name));
    printer.setFullPage(true); // positions are measured from the paper's corner
    return qt::renderPrintJob(printer, job);
}

QWidget* QtWindowSystem::mainWindow() const
{
    return impl_->window.get();
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
