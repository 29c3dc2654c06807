// The CAN page in the window, drawn off-screen, against an orvantis-sim unit
// whose CAN block is crafted: the controls the block describes, one choice
// per group, value fields that take only 0..65535, the edits written with
// "Применить изменения" and read back through a second link, the controls
// rebuilt (never added to) on a new load, and a screenshot of each section.
#include <gtest/gtest.h>

#include <algorithm>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSettings>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "app/controller_choice.h"
#include "gui_support.h"
#include "pages/can_frame.h"
#include "pages/model/page_models.h"
#include "settings/sms_text.h"
#include "support/process.h"

namespace orv::test {
namespace {

constexpr const char* kRead = "Настройки прочитаны.";
constexpr const char* kWritten = "Настройки сохранены.";

TCanConfig Block(int bits, int values, int words, const std::string& text) {
  TCanConfig c;
  c.bits_count = static_cast<uint8_t>(bits);
  c.values_count = static_cast<uint8_t>(values);
  c.words_count = static_cast<uint8_t>(words);
  const std::vector<uint8_t> names = EncodeSmsText(text);
  std::copy_n(names.begin(), std::min(names.size(), c.names.size()), c.names.begin());
  return c;
}

std::vector<uint8_t> Bytes(const TCanConfig& c) {
  std::vector<uint8_t> b(TCanConfig::kSize);
  WriteCanConfig(c, b);
  return b;
}

// The lines of `dump 6` for these bytes.
std::string Dump(const std::vector<uint8_t>& bytes) {
  std::string out;
  char b[16];
  for (size_t off = 0; off < bytes.size(); off += 16) {
    std::snprintf(b, sizeof b, "%04zX:", off);
    out += b;
    for (size_t i = off; i < off + 16; ++i) {
      std::snprintf(b, sizeof b, " %02X", bytes[i]);
      out += b;
    }
    out += "\n";
  }
  return out;
}

class CanWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(tmp_.Path()));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString::fromStdString(tmp_.Path()));
    if (const char* v = std::getenv("XDG_RUNTIME_DIR")) savedXdg_ = v;
    ::setenv("XDG_RUNTIME_DIR", tmp_.Path().c_str(), 1);
    bus_ = tmp_.File("bus");

    block_ = Block(4, 3, 3,
                   "[Автозапуск по CAN][Закрывать замки при начале движения][Открывать багажник][Свет]"
                   "[Режим охраны|Штатный|Дополнительный|Комбинированный][Управление стеклоподъемниками|Закрыть|Не трогать]"
                   "[Зеркала][Задержка, с][Порог оборотов]");
    block_.Bits = 0b0101;
    block_.Values = {0x08, 0, 0, 0};  // group 0: 0, group 1: 2 (no such button), group 2: 0
    block_.Words = {15, 2500, 0x1234, 7};
    block_.DataConfig = (1u << 0) | (1u << 3) | (1u << 6);
    std::string hex;
    char b[4];
    for (uint8_t v : Bytes(block_)) {
      std::snprintf(b, sizeof b, "%02X", v);
      hex += b;
    }
    unit_ = std::make_unique<Background>(
        SimPath(), std::vector<std::string>{"unit", "--bus", bus_, "--model", "3", "--poke", "6:0:" + hex});
    ASSERT_TRUE(unit_->WaitForOutput("plugged: ", 5000)) << unit_->Err();

    QSettings("OrvantisConfigurator", "OrvantisConfigurator").setValue("ExpertMode", "TRUE");
    window = WindowOnBus(bus_, {1200, 760});
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitForLog(kRead));
    window->findChild<QAction*>("aCANFrame")->trigger();
    QCoreApplication::processEvents();
    frame = window->findChild<TCANFrame*>("CANFrame");
    ASSERT_NE(frame, nullptr);
  }
  void TearDown() override {
    window.reset();
    unit_.reset();
    if (savedXdg_) ::setenv("XDG_RUNTIME_DIR", savedXdg_->c_str(), 1);
    else ::unsetenv("XDG_RUNTIME_DIR");
  }
  bool WaitForLog(const std::string& line) {
    return WaitFor([&] {
      const auto& lines = window->StatusOps().LogLines();
      return std::find(lines.begin(), lines.end(), line) != lines.end();
    }, 8000);
  }
  template <typename T = QWidget>
  T* Find(const QString& name) {
    const QList<T*> all = frame->findChildren<T*>(name);
    EXPECT_EQ(all.size(), 1) << name.toStdString();
    return all.isEmpty() ? nullptr : all.front();
  }
  void Section(int row) {
    Find<QListWidget>("CANFrameList")->setCurrentRow(row);
    QCoreApplication::processEvents();
  }
  void Shot(const QString& name) { SaveShot(window.get(), name); }
  RunResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--bus", bus_});
    return RunCli(args);
  }
  // No visible label or button of the page cuts its text, and no two overlap.
  void ExpectReadable(QWidget* area) {
    std::vector<QWidget*> shown;
    for (QWidget* w : area->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
      if (w->isVisible()) shown.push_back(w);
    for (QWidget* w : shown) {
      if (auto* b = qobject_cast<QAbstractButton*>(w))
        EXPECT_GE(w->width(), b->sizeHint().width()) << w->objectName().toStdString();
      if (auto* l = qobject_cast<QLabel*>(w))
        EXPECT_GE(w->width(), l->fontMetrics().horizontalAdvance(l->text())) << w->objectName().toStdString();
      for (QWidget* o : shown)
        if (o != w) EXPECT_FALSE(w->geometry().intersects(o->geometry()))
            << w->objectName().toStdString() << " / " << o->objectName().toStdString();
    }
  }

  TempDir tmp_;
  std::string bus_;
  TCanConfig block_;
  std::unique_ptr<Background> unit_;
  std::optional<std::string> savedXdg_;
  std::unique_ptr<ScriptedForm> window;
  TCANFrame* frame = nullptr;
};

TEST_F(CanWindow, ControlsFromTheBlockEditedAppliedAndReadBack) {
  auto* list = Find<QListWidget>("CANFrameList");
  ASSERT_EQ(list->count(), 4);
  EXPECT_EQ(list->item(0)->text(), "Настройки");
  EXPECT_EQ(list->item(3)->text(), "Опции");
  EXPECT_EQ(list->currentRow(), 0) << "the first section is selected";

  // "Настройки"
  EXPECT_EQ(Find<QCheckBox>("cbcan0")->text(), "Автозапуск по CAN");
  EXPECT_EQ(Find<QCheckBox>("cbcan3")->text(), "Свет");
  EXPECT_TRUE(Find<QCheckBox>("cbcan2")->isChecked());
  EXPECT_FALSE(Find<QCheckBox>("cbcan1")->isChecked());
  EXPECT_EQ(frame->findChild<QCheckBox*>("cbcan4"), nullptr);
  ExpectReadable(frame->SubPageArea(0));
  Shot("CANFrame_0_settings");

  // "Функции"
  Section(1);
  EXPECT_EQ(Find<QLabel>("lbcan0")->text(), "Режим охраны");
  EXPECT_EQ(Find<QRadioButton>("rbcan2")->text(), "Комбинированный");
  EXPECT_EQ(frame->findChild<QRadioButton*>("rbcan3"), nullptr);
  EXPECT_TRUE(Find<QRadioButton>("rbcan0")->isChecked());
  EXPECT_FALSE(Find<QRadioButton>("rbcan4")->isChecked() || Find<QRadioButton>("rbcan5")->isChecked());
  EXPECT_EQ(Find<QLabel>("lbcan2")->text(), "Зеркала");
  ExpectReadable(frame->SubPageArea(1));
  Shot("CANFrame_1_functions");

  // "Значения"
  Section(2);
  EXPECT_EQ(Find<QLabel>("Label0")->text(), "Задержка, с");
  EXPECT_EQ(Find<QLabel>("Label2")->text(), "№3");
  EXPECT_TRUE(Find<QLineEdit>("secan2")->isVisible());
  EXPECT_EQ(Find<QLineEdit>("secan2")->text(), "4660");
  EXPECT_FALSE(Find<QLineEdit>("secan3")->isVisible());
  ExpectReadable(frame->SubPageArea(2));
  Shot("CANFrame_2_values");

  // "Опции"
  Section(3);
  EXPECT_TRUE(Find<QLabel>("ledOdometer")->property("on").toBool());
  EXPECT_TRUE(Find<QLabel>("ledWheelAngle")->property("on").toBool());
  EXPECT_FALSE(Find<QLabel>("ledAccelerator")->property("on").toBool());
  EXPECT_EQ(Find<QLabel>("ledCoolantTempCaption")->text(), "Тепература охлаждающей жидкости");
  EXPECT_EQ(Find<QLabel>("ledBrakeForce")->toolTip(),
            "Прошивка обеспечивает передачу данных о степени нажатия на педаль тормоза");
  ExpectReadable(frame->SubPageArea(3));
  Shot("CANFrame_3_options");

  // Edits: a box, a choice (one per group), values.
  Section(0);
  QTest::mouseClick(Find<QCheckBox>("cbcan1"), Qt::LeftButton);
  Section(1);
  QTest::mouseClick(Find<QRadioButton>("rbcan1"), Qt::LeftButton);
  EXPECT_TRUE(Find<QRadioButton>("rbcan1")->isChecked());
  EXPECT_FALSE(Find<QRadioButton>("rbcan0")->isChecked()) << "one choice per group";
  QTest::mouseClick(Find<QRadioButton>("rbcan5"), Qt::LeftButton);
  Section(2);
  auto* value = Find<QLineEdit>("secan1");
  value->setFocus();
  value->selectAll();
  QTest::keyClicks(value, "70000");  // the digit that passes 65535 is not taken
  EXPECT_EQ(value->text(), "7000");
  QTest::keyClick(value, Qt::Key_Return);
  value->selectAll();
  QTest::keyClick(value, Qt::Key_Backspace);  // emptied: reverts when left
  EXPECT_EQ(value->text(), "");
  QTest::keyClick(value, Qt::Key_Return);
  EXPECT_EQ(value->text(), "7000");
  value->selectAll();
  QTest::keyClicks(value, "x65535");  // letters are not typed at all
  EXPECT_EQ(value->text(), "65535");
  QTest::keyClick(value, Qt::Key_Return);

  QTest::mouseClick(window->findChild<QWidget*>("btnBtnDn"), Qt::LeftButton);
  ASSERT_TRUE(WaitForLog(kWritten));

  TCanConfig expected = block_;
  expected.Bits = 0b0111;
  expected.Values = {0x01 | (0x01 << 2), 0, 0, 0};
  expected.Words = {15, 65535, 0x1234, 7};
  const RunResult r = Cli({"dump", "6"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, Dump(Bytes(expected)));
}

TEST_F(CanWindow, ALoadRebuildsTheControlsInsteadOfAddingToThem) {
  TMemItems items = window->Session().MemItems;
  frame->LoadData(items);
  QCoreApplication::processEvents();
  EXPECT_EQ(frame->findChildren<QCheckBox*>("cbcan0").size(), 1);
  EXPECT_EQ(frame->findChildren<QLabel*>("lbcan0").size(), 1);
  EXPECT_EQ(frame->findChildren<QRadioButton*>().size(), 5);

  // A firmware with other settings: the old controls are gone.
  WriteCanConfig(Block(1, 1, 0, "[Один][Группа|А|Б|В|Г]"), items[kRegionCan].Bytes());
  frame->LoadData(items);
  QCoreApplication::processEvents();
  EXPECT_EQ(frame->findChildren<QCheckBox*>().size(), 1);
  EXPECT_EQ(Find<QCheckBox>("cbcan0")->text(), "Один");
  EXPECT_EQ(frame->findChild<QLabel*>("lbcan1"), nullptr);
  EXPECT_EQ(frame->findChildren<QRadioButton*>().size(), 4);
  EXPECT_FALSE(Find<QLineEdit>("secan0")->isVisibleTo(frame));
  Section(1);
  Shot("CANFrame_1_reloaded");
}

}  // namespace
}  // namespace orv::test
