// Single-line edit boxes on Qt: every change the user makes (typing,
// pasting by key, menu or middle click, dropping, input methods) passes the
// runtime's typing rules (typing.hpp), so a box takes and refuses exactly
// what the headless backend does.
#pragma once

#include <QString>

#include <cstdint>
#include <functional>

class QLineEdit;

namespace gr::qt {

// Makes `edit` apply the rules of `input_mode` (form::InputMode) to the
// user's edits; `refused` runs once for each edit the box refuses (which
// leaves its text as it was).
void takeTypingRules(QLineEdit* edit, int32_t input_mode, std::function<void()> refused);

// Shows a text that the program set. The rules judge only what the user
// changes, so the box shows the model's text whatever it holds.
void showLineText(QLineEdit* edit, const QString& text);

} // namespace gr::qt
