#include "app/qt_translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace orv {

namespace {
constexpr const char* kQtBase = "qtbase_ru";
}

QString QtTranslationFile() {
  return QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/" + kQtBase + ".qm";
}

bool InstallQtTranslation(QCoreApplication& app) {
  auto* translator = new QTranslator(&app);
  if (!translator->load(QtTranslationFile()) || !QCoreApplication::installTranslator(translator)) {
    delete translator;
    return false;
  }
  return true;
}

}  // namespace orv
