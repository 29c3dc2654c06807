// Entry of the window tests: one QApplication for all of them.
#include <gtest/gtest.h>

#include <QApplication>

#include "app/qt_translation.h"

int main(int argc, char** argv) {
  // The tests draw off-screen; the real platform is not needed.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // "Применить изменения" first sends the settings to the maker's server: a
  // window test never reaches the real one. A port nothing listens on refuses
  // at once; tests of the server override it.
  if (qEnvironmentVariableIsEmpty("ORVANTIS_SERVER")) qputenv("ORVANTIS_SERVER", "https://127.0.0.1:1");
  QApplication app(argc, argv);
  QApplication::setOrganizationName("OrvantisConfigurator");
  QApplication::setApplicationName("OrvantisConfigurator");
  // As the program does: Qt's own dialogs in Russian.
  orv::InstallQtTranslation(app);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
