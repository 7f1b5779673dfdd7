// Qt's own texts (the print dialog, the edit boxes' context menus, the
// buttons of message boxes) in Chinese, like every text of the program,
// whatever the machine's locale.
#pragma once

class QCoreApplication;

namespace gr::qt {

// Installs Qt's Chinese translations into `app` once, and makes Chinese
// (China) Qt's default locale, so dialogs show their numbers and paper
// sizes the Chinese way. False when the translation files are missing (the
// dialogs then speak English).
bool speakChinese(QCoreApplication& app);

} // namespace gr::qt
