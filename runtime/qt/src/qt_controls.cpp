// One widget per control of the model, and how each shows the model's
// state: text, colours, tick and selection.
#include "qt_window_impl.hpp"

#include "qt_line_edit.hpp"
#include <gearqt/qt_support.hpp>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>

namespace gr {

namespace {

Qt::Alignment horizontalAlignment(int32_t alignment)
{
    switch (alignment) {
    case 1: return Qt::AlignHCenter;
    case 2: return Qt::AlignRight;
    default: return Qt::AlignLeft;
    }
}

QPlainTextEdit* createResultBox(const ControlState& control, QWidget* parent)
{
    const form::Element& element = *control.element;
    auto* box = new QPlainTextEdit(parent);
    // The multi-line box shows results; the program writes it, the user
    // only reads, selects and copies.
    box->setReadOnly(true);
    // Read only, but the report can still be selected and copied with the
    // keyboard as well as the mouse.
    box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    box->document()->setUndoRedoEnabled(false);
    box->setVerticalScrollBarPolicy((element.scroll_bars & 2) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    box->setHorizontalScrollBarPolicy((element.scroll_bars & 1) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    box->setLineWrapMode((element.scroll_bars & 1) ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
    QTextOption option = box->document()->defaultTextOption();
    option.setAlignment(horizontalAlignment(element.alignment));
    box->document()->setDefaultTextOption(option);
    box->setPlainText(qt::displayText(control.text));
    box->viewport()->setMouseTracking(true);
    return box;
}

QLabel* createLabel(const ControlState& control, QWidget* parent)
{
    const form::Element& element = *control.element;
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    // The forms were measured with a narrower Latin face; a caption a few
    // pixels too wide for a one-line label is clipped at its blank end
    // instead of wrapping half a line out of view. Labels tall enough for
    // two lines wrap.
    label->setWordWrap(element.height >= 2 * label->fontMetrics().lineSpacing());
    label->setAlignment(horizontalAlignment(element.alignment) | Qt::AlignTop);
    label->setText(qt::displayText(control.text));
    return label;
}

QLabel* createPicture(const form::Element& element, QWidget* parent)
{
    auto* picture = new QLabel(parent);
    picture->setAlignment(Qt::AlignCenter);
    QPixmap pixmap;
    if (!element.picture.empty() &&
        pixmap.loadFromData(element.picture.data(), static_cast<uint>(element.picture.size()))) {
        const QSize box(std::max(1, element.width), std::max(1, element.height));
        // Shown at its own size; only a picture larger than its box is
        // scaled, down, to fit.
        if (pixmap.width() > box.width() || pixmap.height() > box.height())
            pixmap = pixmap.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        picture->setPixmap(pixmap);
    }
    return picture;
}

} // namespace

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

QWidget* QtWindowSystem::Impl::createEditBox(const ControlState& control)
{
    if (control.element->multiline) {
        QPlainTextEdit* box = createResultBox(control, window.get());
        // The box's own menu (复制, 全选 in Chinese), then the program's
        // entries; the right mouse button and the menu key both open it.
        const uint32_t identity = control.identity;
        box->setContextMenuPolicy(Qt::CustomContextMenu);
        QObject::connect(box, &QWidget::customContextMenuRequested, box, [this, box, identity](const QPoint& at) {
            std::unique_ptr<QMenu> menu = contextMenu(identity);
            if (menu) menu->exec(box->viewport()->mapToGlobal(at));
        });
        return box;
    }
    const uint32_t identity = control.identity;
    auto* edit = new QLineEdit(window.get());
    edit->setAlignment(horizontalAlignment(control.element->alignment) | Qt::AlignVCenter);
    qt::takeTypingRules(edit, control.element->input_mode, [this] { refuseInput(); });
    qt::showLineText(edit, qt::displayText(control.text));
    QObject::connect(edit, &QLineEdit::textEdited, edit, [this, identity](const QString& text) {
        if (ControlState* state = model->find(identity)) state->text = text.toStdString();
    });
    return edit;
}

std::unique_ptr<QMenu> QtWindowSystem::Impl::contextMenu(uint32_t identity)
{
    auto* box = qobject_cast<QPlainTextEdit*>(widgetFor(identity));
    const ControlState* control = model != nullptr ? model->find(identity) : nullptr;
    if (box == nullptr || control == nullptr) return nullptr;
    std::unique_ptr<QMenu> menu(box->createStandardContextMenu());
    if (!control->menu.empty()) menu->addSeparator();
    for (const MenuCommand& entry : control->menu) {
        QAction* action = menu->addAction(qtText(entry.text));
        action->setEnabled(entry.enabled);
        const int32_t command = entry.command;
        // Runs once the menu has closed, so the routine's own dialogs do
        // not open inside the menu's loop.
        QObject::connect(action, &QAction::triggered, window.get(),
                         [this, identity, command] { sink->dispatchEvent(identity, form::kEventMenuCommand, {command}); },
                         Qt::QueuedConnection);
    }
    return menu;
}

QWidget* QtWindowSystem::Impl::createCheckable(const ControlState& control)
{
    const uint32_t identity = control.identity;
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
    return button;
}

QWidget* QtWindowSystem::Impl::createComboBox(const ControlState& control)
{
    const uint32_t identity = control.identity;
    auto* combo = new QComboBox(window.get());
    combo->setEditable(false);
    for (const std::string& item : control.items) combo->addItem(qtText(item));
    QObject::connect(combo, &QComboBox::activated, combo, [this, identity](int index) {
        if (ControlState* state = model->find(identity)) state->selected_index = index;
    });
    return combo;
}

void QtWindowSystem::Impl::createControl(ControlState& control)
{
    const form::Element* element = control.element;
    if (!element) return;
    const uint32_t identity = control.identity;
    QWidget* widget = nullptr;
    bool takes_focus = true;

    switch (control.kind) {
    case form::kEditBox: widget = createEditBox(control); break;
    case form::kLabel:
        widget = createLabel(control, window.get());
        takes_focus = false;
        break;
    case form::kButton: {
        auto* button = new QPushButton(qt::displayText(control.text), window.get());
        QObject::connect(button, &QPushButton::clicked, button,
                         [this, identity] { sink->dispatchEvent(identity, form::kEventClicked, {}); });
        widget = button;
        break;
    }
    case form::kCheckBox:
    case form::kRadioButton: widget = createCheckable(control); break;
    case form::kComboBox: widget = createComboBox(control); break;
    case form::kPictureBox:
        widget = createPicture(*element, window.get());
        takes_focus = false;
        break;
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
    showColours(control, widget);
    showChecked(control, widget);
    showSelection(control, widget);
    widgets[identity] = widget;
}

void QtWindowSystem::Impl::showText(const ControlState& control, QWidget* widget)
{
    const QSignalBlocker blocker(widget);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        qt::showLineText(edit, qt::displayText(control.text));
    } else if (auto* box = qobject_cast<QPlainTextEdit*>(widget)) {
        box->setPlainText(qt::displayText(control.text));
        showCaret(control, box);
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

// The box's text cursor where the model has it, and in view: after a run
// has appended its report, the report's end shows.
void QtWindowSystem::Impl::showCaret(const ControlState& control, QPlainTextEdit* box)
{
    QTextCursor cursor(box->document());
    if (control.caret >= control.text.size())
        cursor.movePosition(QTextCursor::End);
    else
        cursor.setPosition(static_cast<int>(qt::displayText(std::string_view(control.text).substr(0, control.caret)).size()));
    box->setTextCursor(cursor);
    box->ensureCursorVisible();
}

void QtWindowSystem::Impl::showChecks()
{
    for (const ControlState& control : model->controls()) {
        if (control.kind != form::kCheckBox && control.kind != form::kRadioButton) continue;
        if (QWidget* widget = widgetFor(control.identity)) showChecked(control, widget);
    }
}

} // namespace gr
