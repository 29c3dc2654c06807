// The settings pages in the window, drawn off-screen, against a simulated
// unit in an orvantis-sim process: edits through the controls reach the unit
// with "Применить изменения", and every sub-page is saved as a screenshot.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSettings>
#include <QSlider>
#include <cstdlib>
#include <optional>

#include "app/controller_choice.h"
#include "gui_support.h"
#include "pages/model/page_models.h"
#include "support/process.h"

namespace orv::test {
namespace {

constexpr const char* kRead = "Настройки прочитаны.";

class PagesWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(tmp_.Path()));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString::fromStdString(tmp_.Path()));
    if (const char* v = std::getenv("XDG_RUNTIME_DIR")) savedXdg_ = v;
    ::setenv("XDG_RUNTIME_DIR", tmp_.Path().c_str(), 1);
    bus_ = tmp_.File("bus");
    unit_ = std::make_unique<Background>(SimPath(), std::vector<std::string>{"unit", "--bus", bus_, "--model", "3"});
    ASSERT_TRUE(unit_->WaitForOutput("plugged: ", 5000)) << unit_->Err();
  }
  void TearDown() override {
    window.reset();
    unit_.reset();
    if (savedXdg_) ::setenv("XDG_RUNTIME_DIR", savedXdg_->c_str(), 1);
    else ::unsetenv("XDG_RUNTIME_DIR");
  }
  void Open(bool expert) {
    {
      QSettings s("OrvantisConfigurator", "OrvantisConfigurator");
      s.setValue("ExpertMode", expert ? "TRUE" : "FALSE");
    }
    window = WindowOnBus(bus_, {1200, 760});
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitFor([&] {
      for (const auto& l : window->StatusOps().LogLines())
        if (l == kRead) return true;
      return false;
    }));
  }
  template <typename T = QWidget>
  T* Find(const char* name) {
    T* w = window->findChild<T*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  void Page(const char* action) {
    window->findChild<QAction*>(action)->trigger();
    QCoreApplication::processEvents();
  }
  void SubPage(const char* list, int row) {
    Find<QListWidget>(list)->setCurrentRow(row);
    QCoreApplication::processEvents();
  }
  void Shot(const QString& name) { SaveShot(window.get(), name); }
  RunResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--bus", bus_});
    return RunCli(args);
  }

  TempDir tmp_;
  std::string bus_;
  std::unique_ptr<Background> unit_;
  std::optional<std::string> savedXdg_;
  std::unique_ptr<ScriptedForm> window;
};

TEST_F(PagesWindow, EditsOnHiddenPagesGoOutWithApplyAndASecondLinkSeesThem) {
  Open(true);
  Page("aOptionsFrame");
  SubPage("OptionsFrameList", 7);
  auto* slider = Find<QSlider>("tbAnswerTimeout");
  ASSERT_TRUE(slider->isVisible());
  slider->setValue(45);
  EXPECT_EQ(Find<QLabel>("lbAnswerTimeout")->text(), "45 c");

  Page("aInternetFrame");
  auto* apn = Find<QLineEdit>("eAPN");
  apn->selectAll();
  QTest::keyClicks(apn, "my.apn");
  Page("aMessagesFrame");
  SubPage("MessagesFrameList", 0);
  Find<QCheckBox>("msg11.1")->click();

  const TMemItems before = window->Session().MemItems;
  Page("aAutoFrame");
  EXPECT_EQ(window->Session().MemItems[kRegionInternet].FData, before[kRegionInternet].FData)
      << "switching pages stores nothing";

  QTest::mouseClick(Find<QAbstractButton>("btnBtnDn"), Qt::LeftButton);
  ASSERT_TRUE(WaitFor([&] {
    for (const auto& l : window->StatusOps().LogLines())
      if (l == "Настройки сохранены.") return true;
    return false;
  }));
  const RunResult r = Cli({"show", "--unit"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("  tbAnswerTimeout: 45 c\n"), std::string::npos);
  EXPECT_NE(r.out.find("  eAPN: my.apn\n"), std::string::npos);
  EXPECT_NE(r.out.find("  msg11: звонок=1,2 SMS=1"), std::string::npos) << r.out;
}

TEST_F(PagesWindow, ProxyIsExpertOnlyAndKeptAcrossRestarts) {
  Open(false);
  Page("aInternetFrame");
  {
    DialogAnswer ok("OK");
    SubPage("InternetFrameList", 1);
    ASSERT_TRUE(WaitFor([&] { return ok.count > 0; }));
    EXPECT_EQ(ok.text, "Доступно в режиме Эксперта");
  }
  EXPECT_EQ(Find<QListWidget>("InternetFrameList")->currentRow(), 0);
  window.reset();

  Open(true);
  Page("aInternetFrame");
  SubPage("InternetFrameList", 1);
  auto* addr = Find<QLineEdit>("eProxyAddr");
  ASSERT_TRUE(addr->isVisible() && addr->isEnabled());
  QTest::keyClicks(addr, "proxy.local");
  Page("aOptionsFrame");  // leaving the page applies the proxy
  EXPECT_EQ(window->Settings().ProxyAddr, "proxy.local");
  window.reset();
  EXPECT_EQ(QSettings("OrvantisConfigurator", "OrvantisConfigurator").value("ProxyAddr").toString(), "proxy.local");

  Open(true);
  EXPECT_EQ(Find<QLineEdit>("eProxyAddr")->text(), "proxy.local");
}

TEST_F(PagesWindow, ScreenshotsOfEverySubPage) {
  Open(true);
  const struct {
    const char* action;
    const char* list;
    int count;
  } pages[] = {{"aOptionsFrame", "OptionsFrameList", 12},
               {"aInternetFrame", "InternetFrameList", 2},
               {"aMessagesFrame", "MessagesFrameList", 4}};
  for (const auto& p : pages) {
    Page(p.action);
    for (int i = 0; i < p.count; ++i) {
      SubPage(p.list, i);
      Shot(QString("%1_%2").arg(QString(p.action).mid(1)).arg(i, 2, 10, QChar('0')));
    }
  }
  // A label that shows a value is never cut: its text fits its width.
  for (QLabel* l : window->findChildren<QLabel*>())
    if (l->isVisible() && !l->wordWrap() && !l->text().isEmpty() && !l->text().contains('\n'))
      EXPECT_LE(l->fontMetrics().horizontalAdvance(l->text()), l->width() + 1) << l->objectName().toStdString();
}

}  // namespace
}  // namespace orv::test
