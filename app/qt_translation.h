// Qt's own dialogs and standard buttons (the file dialog, the overwrite
// question, "Да"/"Нет"/"Отмена") speak Russian like the rest of the window:
// Qt's Russian translation is loaded from Qt's translations folder.
#pragma once

#include <QString>

class QCoreApplication;

namespace orv {

// The translation file looked for: "<Qt translations folder>/qtbase_ru.qm".
QString QtTranslationFile();

// Installs Qt's Russian translation into `app`. False when the file is
// missing or unreadable (the dialogs then stay in English; the rest works).
bool InstallQtTranslation(QCoreApplication& app);

}  // namespace orv
