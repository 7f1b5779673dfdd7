// Small conversions between the runtime's conventions and Qt's: colours,
// line breaks, key codes, modifier states and mouse positions.
#pragma once

#include <QColor>
#include <QPoint>
#include <QSize>
#include <QString>
#include <Qt>

#include <cstdint>
#include <optional>
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

// Mouse positions outside the client area as the main window's mouse-moved
// event reports them, in client coordinates (`local`); the client area
// itself runs from 0 to width - 1 and height - 1.
//
// Where the mouse leaves the client area: clamped to 0..width, 0..height,
// so leaving across the right or bottom edge reports the width or height
// itself and leaving across the left edge reports x = 0.
QPoint leavingPosition(QSize client, QPoint local);
// Over the window's frame, which may be all that a window tucked away
// behind a screen edge still shows: right of or below the client area
// counts as its last column or row, left of it keeps its negative x.
// Nothing over the title bar, where the user drags the window.
std::optional<QPoint> framePosition(QSize client, QPoint local);

} // namespace gr::qt
