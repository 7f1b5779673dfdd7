#include "qt_line_edit.hpp"

#include <gearhost/typing.hpp>

#include <gearrt/form.hpp>

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QValidator>

#include <algorithm>
#include <utility>

namespace gr::qt {

namespace {

// QLineEdit hands every candidate text to its validator before it keeps
// it, and undoes a user's edit that the validator calls invalid. This one
// works out what the edit inserted, lets the typing rules decide, and
// hands back the text the rules make of it (a comma turned into a point,
// a pasted text cut at its first line break).
class TypingValidator final : public QValidator {
public:
    TypingValidator(QLineEdit* edit, int32_t input_mode, std::function<void()> refused)
        : QValidator(edit), input_mode_(input_mode), refused_(std::move(refused))
    {
    }

    void shown(const QString& text) const { accepted_ = text; }

    State validate(QString& input, int& pos) const override
    {
        if (input == accepted_) return Acceptable; // not an edit: a check of the text as it stands
        // The rules find the edit on whole characters: a surrogate pair is
        // never split, whatever the cursor says.
        const QByteArray now = input.toUtf8();
        const QByteArray old = accepted_.toUtf8();
        const std::size_t caret =
            pos < 0 ? std::size_t(-1) : static_cast<std::size_t>(QStringView(input).left(pos).toUtf8().size());
        const std::optional<TypedText> typed = typeChange(input_mode_, std::string_view(old.data(), old.size()),
                                                          std::string_view(now.data(), now.size()), caret);
        if (!typed) {
            if (refused_) refused_();
            return Invalid;
        }
        input = QString::fromStdString(typed->text);
        pos = static_cast<int>(QString::fromUtf8(typed->text.data(), static_cast<qsizetype>(typed->caret)).size());
        accepted_ = input;
        return Acceptable;
    }

private:
    int32_t input_mode_;
    std::function<void()> refused_;
    mutable QString accepted_; // the text as last accepted or set by the program
};

// A paste with nothing on the clipboard changes nothing: QLineEdit would
// delete the selection.
class EmptyPasteFilter final : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->matches(QKeySequence::Paste) &&
            QGuiApplication::clipboard()->text().isEmpty())
            return true;
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void takeTypingRules(QLineEdit* edit, int32_t input_mode, std::function<void()> refused)
{
    edit->setReadOnly(input_mode == form::kReadOnlyInput);
    auto* validator = new TypingValidator(edit, input_mode, std::move(refused));
    validator->shown(edit->text());
    edit->setValidator(validator);
    edit->installEventFilter(new EmptyPasteFilter(edit));
}

void showLineText(QLineEdit* edit, const QString& text)
{
    if (const auto* validator = dynamic_cast<const TypingValidator*>(edit->validator())) validator->shown(text);
    if (edit->text() != text) edit->setText(text);
}

} // namespace gr::qt
