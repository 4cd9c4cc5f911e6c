// Qt's own texts in Italian, as all of the system's texts are: the buttons of the message boxes
// ("Annulla"), the text fields' context menus ("Copia", "Incolla"). Debian packages them in
// qt6-translations-l10n; without that package Qt keeps its English texts.
#pragma once

class QCoreApplication;

namespace varnix::qt {

// Installs the Italian translation of Qt's texts into `app`; false when none could be loaded.
bool InstallItalianTranslation(QCoreApplication& app);

}  // namespace varnix::qt
