#pragma once
// Qt's own texts (file chooser, standard buttons and menus) in Brazilian Portuguese, as the
// rest of the desktop speaks (package qt6-translations-l10n).
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace cot::shell {

// Installs Qt's Portuguese translation into the application; false when it is not
// installed on this machine (Qt then keeps its English texts).
inline bool installQtTranslations(QTranslator& translator) {
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!translator.load(QLocale(QLocale::Portuguese, QLocale::Brazil), QStringLiteral("qtbase"), QStringLiteral("_"),
                         folder))
        return false;
    return QCoreApplication::installTranslator(&translator);
}

}  // namespace cot::shell
