// Small conversions between the runtime's conventions and Qt's: colours,
// line breaks, key codes and modifier states.
#pragma once

#include <QColor>
#include <QString>
#include <Qt>

#include <cstdint>
#include <string>
#include <string_view>

namespace gr::qt {

// 0xBBGGRR as the runtime stores colours.
QColor colourFromBgr(uint32_t bgr);

// Model texts break lines with CR LF. Qt breaks them with LF: the display
// form drops every CR, so a CR LF split across two appends still shows as
// one line break.
QString displayText(std::string_view utf8);
// What the user typed in a multi-line box, back with CR LF line breaks.
std::string modelText(const QString& shown);

// The Windows virtual-key code for a Qt key (letters and digits as their
// upper-case ASCII code, Enter 13, Escape 27, ...); 0 for keys without one.
int virtualKeyCode(int qt_key, Qt::KeyboardModifiers modifiers);
// The modifier state as the program sees it: 1 Shift, 2 Ctrl, 4 Alt.
int64_t shiftState(Qt::KeyboardModifiers modifiers);

} // namespace gr::qt
