#include "qt_line_edit.hpp"

#include <gearhost/typing.hpp>

#include <gearrt/form.hpp>

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
        const Edit edit = editBetween(accepted_, input, pos);
        const std::optional<TypedText> typed =
            typeInto(input_mode_, edit.before.toStdString(), edit.inserted.toStdString(), edit.after.toStdString());
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
    struct Edit {
        QString before, inserted, after;
    };

    // `now` is `old` with one stretch replaced; the cursor stands at `pos`,
    // just after what was inserted. Where the cursor does not tell (it
    // always should), the longest common ends decide.
    static Edit editBetween(const QString& old, const QString& now, int pos)
    {
        qsizetype tail = now.size() - pos;
        if (pos < 0 || tail < 0 || tail > old.size() || !old.endsWith(now.mid(pos))) {
            tail = 0;
            while (tail < old.size() && tail < now.size() && old.at(old.size() - 1 - tail) == now.at(now.size() - 1 - tail))
                ++tail;
        }
        const qsizetype limit = std::min(now.size() - tail, old.size() - tail);
        qsizetype head = 0;
        while (head < limit && old.at(head) == now.at(head)) ++head;
        return Edit{now.left(head), now.mid(head, now.size() - tail - head), now.right(tail)};
    }

    int32_t input_mode_;
    std::function<void()> refused_;
    mutable QString accepted_; // the text as last accepted or set by the program
};

} // namespace

void takeTypingRules(QLineEdit* edit, int32_t input_mode, std::function<void()> refused)
{
    edit->setReadOnly(input_mode == form::kReadOnlyInput);
    auto* validator = new TypingValidator(edit, input_mode, std::move(refused));
    validator->shown(edit->text());
    edit->setValidator(validator);
}

void showLineText(QLineEdit* edit, const QString& text)
{
    if (const auto* validator = dynamic_cast<const TypingValidator*>(edit->validator())) validator->shown(text);
    if (edit->text() != text) edit->setText(text);
}

} // namespace gr::qt
