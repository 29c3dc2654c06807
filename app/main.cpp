// orvantis-configurator: the configurator's window.
#include <QApplication>
#include <QIcon>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <stdexcept>
#include <string>

#include "app/configurator_options.h"
#include "app/controller_choice.h"
#include "app/instance_slots.h"
#include "app/main_form.h"
#include "app/qt_translation.h"
#include "app/version.h"
#include "device/runtime_dir.h"
#include "sim/fault_plan.h"

namespace {
constexpr int kExitUsage = 2;
constexpr int kExitTooMany = 3;
constexpr int kExitNoDisplay = 4;

bool HasEnv(const char* name) {
  const char* v = std::getenv(name);
  return v && *v;
}
}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::string(argv[i]) == "--help" || std::string(argv[i]) == "-h") {
      std::cout << orv::ConfiguratorUsage();
      return 0;
    } else if (std::string(argv[i]) == "--version") {
      std::cout << orv::VersionBanner("orvantis-configurator") << "\n";
      return 0;
    }
  // Without a display the toolkit would abort; say so plainly instead.
  if (!HasEnv("DISPLAY") && !HasEnv("WAYLAND_DISPLAY") && !HasEnv("QT_QPA_PLATFORM")) {
    std::cerr << "orvantis-configurator: нет дисплея (DISPLAY и WAYLAND_DISPLAY не заданы), окно не может быть показано;"
                 " orvantis-cli работает без дисплея\n";
    return kExitNoDisplay;
  }
  QApplication app(argc, argv);
  QApplication::setOrganizationName("OrvantisConfigurator");
  QApplication::setApplicationName("OrvantisConfigurator");
  QApplication::setApplicationDisplayName("Конфигуратор Orvantis");
  // The launcher entry's name (the Wayland app id) and the drawn icon, so the
  // desktop groups the window with its launcher.
  QGuiApplication::setDesktopFileName("org.orvantis.configurator");
  QApplication::setWindowIcon(QIcon(":/icons/orvantis-configurator-256.png"));
  if (!orv::InstallQtTranslation(app))
    std::cerr << "orvantis-configurator: нет русского перевода диалогов Qt ("
              << orv::QtTranslationFile().toStdString() << "), стандартные диалоги будут на английском\n";

  orv::ConfiguratorOptions options;
  try {
    const QStringList qargs = QApplication::arguments();
    std::vector<std::string> args;
    for (qsizetype i = 1; i < qargs.size(); ++i) args.push_back(qargs[i].toStdString());
    options = orv::ParseConfiguratorOptions(args, [](const char* name) { return std::getenv(name); });
    if (!options.faults.empty()) orv::sim::FaultPlan::Parse(options.faults);
  } catch (const std::invalid_argument& e) {
    std::cerr << "orvantis-configurator: " << e.what() << "\n\n" << orv::ConfiguratorUsage();
    return kExitUsage;
  }
  if (options.help) {
    std::cout << orv::ConfiguratorUsage();
    return 0;
  }

  // At most two copies; a third one hands over to a running copy and ends
  // before anything else starts.
  orv::InstanceSlots instances(QString::fromStdString(orv::RuntimeDir()));
  if (!instances.Acquire()) {
    instances.NotifyRunning(QApplication::arguments());
    std::cerr << "Конфигуратор Orvantis уже запущен в двух копиях: третья копия не запускается\n";
    return kExitTooMany;
  }

  orv::BackendOptions backend;
  backend.simModel = options.simModel;
  backend.pcb = options.pcb;
  backend.serial = options.serial;
  backend.faults = options.faults;
  backend.timingUs = options.timingUs;
  backend.bus = options.bus;
  orv::ControllerChoice choice = orv::CreateController(backend);
  if (!choice.error.empty()) std::cerr << "orvantis-configurator: " << choice.error << "\n";

  orv::TMainForm window(options, std::move(choice.controller));
  if (!choice.error.empty()) {
    // No unit can ever be found: say why, in the log and in a message box.
    window.StatusOps().Log(choice.error);
    QTimer::singleShot(0, &window, [&window, error = choice.error] { window.MessageBox(error); });
  }
  instances.Listen([&window] {
    window.showNormal();
    window.raise();
    window.activateWindow();
  });
  window.show();
  return app.exec();
}
