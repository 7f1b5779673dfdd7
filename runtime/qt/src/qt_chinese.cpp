#include "qt_chinese.hpp"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace gr::qt {

namespace {

// Marks the translator this runtime installed, so a second window system in
// the same process does not install it again.
constexpr const char* kTranslatorName = "gearcalc-qtbase-zh_CN";

} // namespace

bool speakChinese(QCoreApplication& app)
{
    if (app.findChild<QTranslator*>(QLatin1String(kTranslatorName), Qt::FindDirectChildrenOnly)) return true;
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    QLocale::setDefault(chinese);
    auto* translator = new QTranslator(&app);
    translator->setObjectName(QLatin1String(kTranslatorName));
    // Debian's qt6-translations-l10n puts qtbase_zh_CN.qm where Qt looks.
    if (!translator->load(chinese, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

} // namespace gr::qt
