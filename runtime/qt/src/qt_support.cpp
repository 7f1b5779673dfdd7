#include <gearqt/qt_support.hpp>

#include <algorithm>

namespace gr::qt {

QColor colourFromBgr(uint32_t bgr)
{
    return QColor(static_cast<int>(bgr & 0xFFu), static_cast<int>((bgr >> 8) & 0xFFu),
                  static_cast<int>((bgr >> 16) & 0xFFu));
}

QString displayText(std::string_view utf8)
{
    QString shown = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    shown.remove(QLatin1Char('\r'));
    return shown;
}

std::string modelText(const QString& shown)
{
    QString text = shown;
    text.remove(QLatin1Char('\r'));
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return text.toStdString();
}

namespace {

// Keys typed with Shift on a US layout report the shifted symbol; the
// program expects the key's own code.
int shiftedDigit(int qt_key)
{
    switch (qt_key) {
    case Qt::Key_ParenRight: return '0';
    case Qt::Key_Exclam: return '1';
    case Qt::Key_At: return '2';
    case Qt::Key_NumberSign: return '3';
    case Qt::Key_Dollar: return '4';
    case Qt::Key_Percent: return '5';
    case Qt::Key_AsciiCircum: return '6';
    case Qt::Key_Ampersand: return '7';
    case Qt::Key_Asterisk: return '8';
    case Qt::Key_ParenLeft: return '9';
    default: return 0;
    }
}

int keypadKey(int qt_key)
{
    if (qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9) return 96 + (qt_key - Qt::Key_0); // VK_NUMPAD0..9
    switch (qt_key) {
    case Qt::Key_Asterisk: return 106;
    case Qt::Key_Plus: return 107;
    case Qt::Key_Minus: return 109;
    case Qt::Key_Period:
    case Qt::Key_Comma: return 110;
    case Qt::Key_Slash: return 111;
    case Qt::Key_Enter:
    case Qt::Key_Return: return 13;
    default: return 0;
    }
}

} // namespace

int virtualKeyCode(int qt_key, Qt::KeyboardModifiers modifiers)
{
    if (modifiers.testFlag(Qt::KeypadModifier)) {
        if (int code = keypadKey(qt_key)) return code;
    }
    if (qt_key >= Qt::Key_A && qt_key <= Qt::Key_Z) return 'A' + (qt_key - Qt::Key_A);
    if (qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9) return '0' + (qt_key - Qt::Key_0);
    if (qt_key >= Qt::Key_F1 && qt_key <= Qt::Key_F24) return 112 + (qt_key - Qt::Key_F1);
    if (int digit = shiftedDigit(qt_key)) return digit;
    switch (qt_key) {
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return 9;
    case Qt::Key_Clear: return 12;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Control: return 17;
    case Qt::Key_Alt: return 18;
    case Qt::Key_Pause: return 19;
    case Qt::Key_CapsLock: return 20;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Space: return 32;
    case Qt::Key_PageUp: return 33;
    case Qt::Key_PageDown: return 34;
    case Qt::Key_End: return 35;
    case Qt::Key_Home: return 36;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    case Qt::Key_Print: return 44;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return 46;
    case Qt::Key_NumLock: return 144;
    case Qt::Key_ScrollLock: return 145;
    case Qt::Key_Semicolon:
    case Qt::Key_Colon: return 186;
    case Qt::Key_Equal:
    case Qt::Key_Plus: return 187;
    case Qt::Key_Comma:
    case Qt::Key_Less: return 188;
    case Qt::Key_Minus:
    case Qt::Key_Underscore: return 189;
    case Qt::Key_Period:
    case Qt::Key_Greater: return 190;
    case Qt::Key_Slash:
    case Qt::Key_Question: return 191;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde: return 192;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft: return 219;
    case Qt::Key_Backslash:
    case Qt::Key_Bar: return 220;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight: return 221;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl: return 222;
    default: return 0;
    }
}

int64_t shiftState(Qt::KeyboardModifiers modifiers)
{
    int64_t state = 0;
    if (modifiers.testFlag(Qt::ShiftModifier)) state |= 1;
    if (modifiers.testFlag(Qt::ControlModifier)) state |= 2;
    if (modifiers.testFlag(Qt::AltModifier)) state |= 4;
    return state;
}

QPoint leavingPosition(QSize client, QPoint local)
{
    return QPoint(std::clamp(local.x(), 0, std::max(client.width(), 0)),
                  std::clamp(local.y(), 0, std::max(client.height(), 0)));
}

std::optional<QPoint> framePosition(QSize client, QPoint local)
{
    if (local.y() < 0 || client.isEmpty()) return std::nullopt;
    return QPoint(std::min(local.x(), client.width() - 1), std::min(local.y(), client.height() - 1));
}

} // namespace gr::qt
