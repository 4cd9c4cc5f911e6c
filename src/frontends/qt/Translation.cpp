#include "frontends/qt/Translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace varnix::qt {

bool InstallItalianTranslation(QCoreApplication& app) {
    // Owned by the application, which consults it for as long as it runs.
    auto* translator = new QTranslator(&app);
    const QLocale italian(QLocale::Italian, QLocale::Italy);
    if (!translator->load(italian, "qtbase", "_",
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
        !translator->load(italian, "qtbase", "_", QCoreApplication::applicationDirPath())) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

}  // namespace varnix::qt
