// The window on a private virtual HID bus with simulated units in
// orvantis-sim processes, started the way the run command starts it.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>

#include <QLabel>
#include <QSettings>
#include <QTest>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/controller_choice.h"
#include "device/orvantis.h"
#include "device/vbus_client.h"
#include "gui_support.h"
#include "settings/mem_items.h"
#include "settings/settings_stream.h"
#include "support/process.h"

namespace orv::test {

inline constexpr const char* kRead = "Настройки прочитаны.";

class BusWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(tmp_.Path()));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString::fromStdString(tmp_.Path()));
    // The units' lock files go to the test's folder, and a bus of the
    // caller's environment must not leak in (the programs started by the
    // test inherit both).
    Save("XDG_RUNTIME_DIR");
    Save("ORVANTIS_BUS");
    ::setenv("XDG_RUNTIME_DIR", tmp_.Path().c_str(), 1);
    ::unsetenv("ORVANTIS_BUS");
    bus_ = tmp_.File("bus");
  }
  void TearDown() override {
    window.reset();
    units_.clear();
    for (auto& [name, value] : saved_) {
      if (value) ::setenv(name.c_str(), value->c_str(), 1);
      else ::unsetenv(name.c_str());
    }
  }
  void Save(const char* name) {
    const char* v = std::getenv(name);
    saved_.emplace_back(name, v ? std::optional<std::string>(v) : std::nullopt);
  }

  // Starts `orvantis-sim unit` on the bus and waits until it is plugged in.
  Background& StartUnit(uint32_t serial, int model = 3, const std::vector<std::string>& extra = {}) {
    std::vector<std::string> args{"unit", "--bus", bus_, "--model", std::to_string(model), "--serial",
                                  std::to_string(serial)};
    args.insert(args.end(), extra.begin(), extra.end());
    units_.push_back(std::make_unique<Background>(SimPath(), args));
    EXPECT_TRUE(units_.back()->WaitForOutput("plugged: ", 5000)) << units_.back()->Err();
    return *units_.back();
  }

  // The window on the bus, with the backend the program itself chooses.
  void Open() { window = WindowOnBus(bus_); }

  QString Text(const char* label) { return window->findChild<QLabel*>(label)->text(); }
  bool LabelShown(const char* label) { return window->findChild<QLabel*>(label)->isVisible(); }
  int LogCount(const std::string& line) {
    const auto& lines = window->StatusOps().LogLines();
    return static_cast<int>(std::count(lines.begin(), lines.end(), line));
  }
  bool WaitForLog(const std::string& line, int times = 1, int ms = 8000) {
    return WaitFor([&] { return LogCount(line) >= times; }, ms);
  }
  void Click(const char* button) { QTest::mouseClick(window->findChild<QWidget*>(button), Qt::LeftButton); }

  // What the unit on the bus holds, read through a link of the test's own.
  TMemItems UnitMemory() {
    VbusController bus(bus_);
    TOrvantis link(&bus, nullptr, nullptr, nullptr);
    link.SetUseSync(false);
    TMemItems items = CreateMemItems();
    for (int k = 0; k < kRegionCount; ++k) {
      TMemItem& item = items[static_cast<size_t>(k)];
      if (regionmask::Has(regionmask::kRead, k))
        EXPECT_TRUE(link.ReadROM(item.FData.data(), item.Addr(), item.Size())) << "region " << k;
    }
    return items;
  }
  // Regions `mask` of the two images are equal.
  static ::testing::AssertionResult SameRegions(const TMemItems& a, const TMemItems& b, uint32_t mask) {
    for (int k = 0; k < kRegionCount; ++k) {
      if (!regionmask::Has(mask, k)) continue;
      const auto x = a[static_cast<size_t>(k)].Bytes(), y = b[static_cast<size_t>(k)].Bytes();
      if (!std::equal(x.begin(), x.end(), y.begin(), y.end()))
        return ::testing::AssertionFailure() << "region " << k << " differs";
    }
    return ::testing::AssertionSuccess();
  }

  TempDir tmp_;
  std::string bus_;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
  std::vector<std::unique_ptr<Background>> units_;
  std::unique_ptr<ScriptedForm> window;
};

}  // namespace orv::test
