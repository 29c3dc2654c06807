// Helpers of the window tests: waiting while the event loop runs, answering
// modal message boxes, and a window whose file dialogs are scripted.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "app/controller_choice.h"
#include "app/main_form.h"

namespace orv::test {

// Runs the event loop until `done` holds; false after `ms` milliseconds.
inline bool WaitFor(const std::function<bool()>& done, int ms = 5000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QTest::qWait(5);
  }
  return true;
}

// Answers each modal message box by the button with `caption` (or rejects it
// when there is none) and keeps what the boxes showed.
struct DialogAnswer {
  explicit DialogAnswer(QString caption) : caption(std::move(caption)) {
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box || !box->isVisible()) return;
      ++count;
      title = box->windowTitle();
      text = box->text();
      texts << text;
      buttons.clear();
      for (QAbstractButton* b : box->buttons()) buttons << b->text();
      for (QAbstractButton* b : box->buttons())
        if (b->text() == this->caption) {
          b->click();
          return;
        }
      box->reject();
    });
    timer.start();
  }
  QString caption;
  QTimer timer;
  int count = 0;
  QString title, text;
  QStringList texts, buttons;
};

// The window with its file dialogs answered by the test.
class ScriptedForm : public TMainForm {
 public:
  using TMainForm::TMainForm;
  std::string ChooseSaveFile(const std::string& title, const std::string& filter,
                             const std::string& suggestedName) override {
    asked.push_back("save:" + title + ":" + filter + ":" + suggestedName);
    return saveAnswer;
  }
  std::string ChooseOpenFile(const std::string& title, const std::string& filter) override {
    asked.push_back("open:" + title + ":" + filter);
    return openAnswer;
  }
  std::string saveAnswer, openAnswer;
  std::vector<std::string> asked;
};

// The window on the virtual HID bus in `bus`, with the backend the program
// itself chooses, shown at `size` (unless empty). Null, with the reason
// added to the test's failures, when the backend cannot be made.
inline std::unique_ptr<ScriptedForm> WindowOnBus(const std::string& bus, QSize size = {}) {
  ConfiguratorOptions options;
  options.bus = bus;
  BackendOptions backend;
  backend.bus = bus;
  ControllerChoice choice = CreateController(backend);
  EXPECT_NE(choice.controller, nullptr) << choice.error;
  if (!choice.controller) return nullptr;
  auto window = std::make_unique<ScriptedForm>(options, std::move(choice.controller));
  if (!size.isEmpty()) window->resize(size);
  window->show();
  return window;
}

#ifdef ORVANTIS_SCREENSHOT_DIR
// Saves what `w` shows as NAME.png in the suite's screenshot folder.
inline void SaveShot(QWidget* w, const QString& name) {
  const QString dir = QStringLiteral(ORVANTIS_SCREENSHOT_DIR);
  QDir().mkpath(dir);
  EXPECT_TRUE(w->grab().save(dir + "/" + name + ".png", "PNG")) << name.toStdString();
}
#endif

}  // namespace orv::test
