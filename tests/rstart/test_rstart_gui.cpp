// The remote-start page in the window against orvantis-sim units on a
// private virtual HID bus: editing and applying, the relay question of a
// planted block, the diagnostics polling, and screenshots of every sub-page
// and of the start cyclogram.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSettings>
#include <QTableWidget>
#include <QTest>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>

#include "bus_window_fixture.h"
#include "device/orvantis.h"
#include "device/vbus_client.h"
#include "gui_support.h"
#include "pages/cycles_preview.h"
#include "pages/rstart_frame.h"
#include "settings/factory_images.h"
#include "settings/mem_items.h"
#include "settings/settings_stream.h"
#include "support/process.h"

namespace orv::test {
namespace {

constexpr const char* kSaved = "Настройки сохранены.";

// The bus fixture with a remote-start unit and the page's own helpers.
class RStartWindowTest : public BusWindowTest {
 protected:
  void StartUnit(int model, const std::string& settings = {}) {
    std::vector<std::string> extra;
    if (!settings.empty()) extra = {"--settings", settings};
    BusWindowTest::StartUnit(1234, model, extra);
  }
  void Open() {
    window = WindowOnBus(bus_, {1280, 800});
    ASSERT_NE(window, nullptr);
  }
  template <class T = QWidget>
  T* Find(const char* name) {
    return window->findChild<T*>(name);
  }
  void Click(const char* name) {
    QWidget* w = Find(name);
    ASSERT_NE(w, nullptr) << name;
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(8, w->height() / 2));
  }
  TRStartFrame* Page() { return window->findChild<TRStartFrame*>(); }
  void Expert() {
    DialogAnswer yes("Да");
    Find<QCheckBox>("cbExpertMode")->click();
    ASSERT_TRUE(window->ExpertMode());
  }
  void SubPage(int i) {
    Find<QListWidget>("RStartFrameList")->setCurrentRow(i);
    QCoreApplication::processEvents();
  }
  void Shot(const QString& name, QWidget* w = nullptr) {
    QCoreApplication::processEvents();
    const QString dir = QStringLiteral(ORVANTIS_SCREENSHOT_DIR);
    QDir().mkpath(dir);
    EXPECT_TRUE((w ? w : window.get())->grab().save(dir + "/" + name, "PNG")) << name.toStdString();
  }
  std::vector<uint8_t> UnitBlock() {
    VbusController bus(bus_);
    TOrvantis link(&bus, nullptr, nullptr, nullptr);
    link.SetUseSync(false);
    std::vector<uint8_t> b(448);
    EXPECT_TRUE(link.ReadROM(b.data(), kRegionAddr[kRegionRStart], 448));
    return b;
  }
  // A settings file of a model-3 unit's factory settings with region 14 edited.
  std::string PlantedFile(const std::function<void(uint8_t*)>& edit) {
    TMemItems items = CreateMemItems();
    EXPECT_TRUE(ReadOptionsFromStream(CreateOptStream(0x23, 18), nullptr, items).Ok());
    edit(items[kRegionRStart].FData.data());
    const auto bytes = BuildOptionsStream(items, streamhdr::kSaveHeader);
    const std::string path = tmp_.File("planted.vesnar");
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return path;
  }
};

TEST_F(RStartWindowTest, StartStopSettingsAreAppliedAndEverySubPageIsShown) {
  StartUnit(3);
  Open();
  ASSERT_TRUE(WaitForLog(kRead));
  window->SelectFrame("aRStartFrame");
  TRStartFrame* page = Page();
  ASSERT_NE(page, nullptr);
  ASSERT_TRUE(page->isVisible());
  auto* grid = Find<QTableWidget>("dgSeqs");
  EXPECT_EQ(grid->rowCount(), 17);
  Shot("rstart_settings_key.png");

  Click("rbSSB");
  EXPECT_EQ(grid->rowCount(), 11);
  EXPECT_TRUE(Find("cbWakeupImpulse")->isVisible());
  EXPECT_FALSE(Find("tbStarterTime")->isVisible());
  Click("cbWakeupImpulse");
  Click("rbSSBOnT");
  EXPECT_TRUE(Find<QRadioButton>("rbSSBOnT")->isChecked());
  EXPECT_FALSE(Find<QRadioButton>("rbSSBOnA")->isChecked());
  Shot("rstart_settings_ssb.png");

  // Non-expert: the other sub-pages do not open.
  SubPage(3);
  EXPECT_EQ(page->PageModel().CurrentSubPage(), 0);

  Click("btnBtnDn");
  ASSERT_TRUE(WaitForLog(kSaved));
  const std::vector<uint8_t> b = UnitBlock();
  EXPECT_EQ(b[432], 0x91);
  EXPECT_EQ(b[433], 0x00);
  EXPECT_EQ(b[48 + 9 * 16], 7) << "step 9 has seven pulses";
  uint32_t hash = 0;
  for (int i = 0; i < 4; ++i) hash |= static_cast<uint32_t>(b[4 + i]) << (8 * i);
  EXPECT_EQ(hash, OneAtATimeHash(b.data() + 16, 432));

  Expert();
  for (int i = 1; i < 5; ++i) {
    SubPage(i);
    EXPECT_EQ(page->PageModel().CurrentSubPage(), i);
    Shot(QString("rstart_subpage_%1.png").arg(i));
  }
  SubPage(3);
  EXPECT_TRUE(Find("gbPulseEditor")->isVisible());
  // A pulse of step 9 shown in the editor: the first is "on 600".
  grid->setCurrentCell(4, 1);
  QTest::keyClick(grid, Qt::Key_Space);
  // The impulses page has a pulse editor with the same control names.
  EXPECT_TRUE(page->findChild<QRadioButton*>("rbOn")->isChecked());
  EXPECT_TRUE(page->findChild<QRadioButton*>("rbImpulse")->isChecked());
  EXPECT_EQ(page->findChild<QLineEdit*>("eTime")->text(), "0.60");
  Shot("rstart_pulse_editor.png");

  page->OpenCyclogram(false);
  ASSERT_NE(page->Preview(), nullptr);
  ASSERT_TRUE(WaitFor([&] { return page->Preview()->Sections() != nullptr; }));
  EXPECT_EQ(page->Preview()->findChild<QLabel*>("lbCycleValue5")->text(), " 2.7 c");
  Shot("rstart_cyclogram.png", page->Preview());
  page->Preview()->close();
}

TEST_F(RStartWindowTest, RelayQuestionRepairsAndWritesAtOnce) {
  StartUnit(3, PlantedFile([](uint8_t* d) { d[32 + 8] = 5; }));
  DialogAnswer yes("Да");
  Open();
  ASSERT_TRUE(WaitForLog(kRead));
  ASSERT_TRUE(WaitForLog(kSaved)) << "the repair is written at once; questions: " << yes.count << " " << yes.texts.join("/").toStdString() << "; log: " << [&] {
    std::string all;
    for (const auto& l : window->StatusOps().LogLines()) all += l + " | ";
    return all;
  }();
  ASSERT_GE(yes.count, 1);
  EXPECT_TRUE(yes.texts.front().startsWith("Конфигуратор Orvantis обнаружил,\nнекорректное назначение выхода"));
  EXPECT_EQ(UnitBlock()[32 + 8], 0);
}

TEST_F(RStartWindowTest, DiagnosticsPollOnlyWhileTheirSubPageIsOpen) {
  StartUnit(3);
  Open();
  ASSERT_TRUE(WaitForLog(kRead));
  window->SelectFrame("aRStartFrame");
  Expert();
  TRStartFrame* page = Page();
  SubPage(5);
  EXPECT_TRUE(page->Polling());
  EXPECT_TRUE(Find("gbPeriod")->isVisible());
  Click("rbPeriod0");  // 200 ms
  const int before = page->DiagUpdates();
  QTest::qWait(1500);
  const int fast = page->DiagUpdates() - before;
  EXPECT_GE(fast, 4) << "about seven records at 200 ms";
  Shot("rstart_diagnostics.png");

  Click("rbPeriod2");  // 1 s
  const int mid = page->DiagUpdates();
  QTest::qWait(1500);
  EXPECT_LE(page->DiagUpdates() - mid, 2);

  SubPage(1);
  EXPECT_FALSE(page->Polling());
  QTest::qWait(300);
  const int stopped = page->DiagUpdates();
  QTest::qWait(1200);
  EXPECT_EQ(page->DiagUpdates(), stopped);
}

}  // namespace
}  // namespace orv::test
