// The real-hardware backend's handling of nodes it may not open. (Its udev
// side runs under umockdev in test_hidraw_umockdev.cpp.)
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "device/hid_hidapi.h"

namespace orv {
namespace {

using namespace std::chrono_literals;

struct DeniedOpen {
  std::atomic<int> calls{0};
  int error = EACCES;
  HidapiController::Options Options(std::chrono::milliseconds retry) {
    HidapiController::Options o;
    o.monitor = false;
    o.permissionRetry = retry;
    o.open = [this](const std::string&, int) {
      ++calls;
      errno = error;
      return -1;
    };
    return o;
  }
};

const HidDeviceInfo kUnit{"/dev/hidraw7", kOrvantisVendorId, kOrvantisProductId, "unit"};
const HidDeviceInfo kKeyboard{"/dev/hidraw2", 0x046D, 0xC31C, "keyboard"};

TEST(HidapiBackend, UnitNodeWithoutPermissionIsRetriedThenReportedOnce) {
  DeniedOpen denied;
  HidapiController c(denied.Options(200ms));
  std::vector<std::string> told;
  c.SetAccessDeniedHandler([&](const std::string& node) { told.push_back(node); });

  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(c.CheckOut(kUnit), nullptr);
  EXPECT_GE(std::chrono::steady_clock::now() - start, 200ms) << "udev gets time to apply the rights";
  EXPECT_GT(denied.calls.load(), 1);
  ASSERT_EQ(told.size(), 1u);
  EXPECT_EQ(told[0], "/dev/hidraw7");

  EXPECT_EQ(c.CheckOut(kUnit), nullptr);
  EXPECT_EQ(told.size(), 1u) << "the user is told once";
}

TEST(HidapiBackend, OtherDevicesAndOtherErrorsAreSkippedSilently) {
  DeniedOpen denied;
  HidapiController c(denied.Options(200ms));
  int told = 0;
  c.SetAccessDeniedHandler([&](const std::string&) { ++told; });

  EXPECT_EQ(c.CheckOut(kKeyboard), nullptr);
  EXPECT_EQ(denied.calls.load(), 1) << "only the unit's node is waited for";

  denied.error = ENOENT;
  denied.calls = 0;
  EXPECT_EQ(c.CheckOut(kUnit), nullptr);
  EXPECT_EQ(denied.calls.load(), 1);
  EXPECT_EQ(told, 0);
}

TEST(HidapiBackend, TheHintNamesTheNodeTheRuleAndTheCommands) {
  const std::string text = UdevRuleMissingText("/dev/hidraw3");
  for (const char* part : {"/dev/hidraw3", "60-orvantis.rules", "/etc/udev/rules.d", "udevadm control --reload",
                           "udevadm trigger"})
    EXPECT_NE(text.find(part), std::string::npos) << part;
}

// The rule grants the seat's user the unit's hidraw node: nothing else, and
// never to everybody.
TEST(UdevRule, GrantsTheSeatUserTheUnitsHidrawNodeOnly) {
  const std::filesystem::path path = ORVANTIS_UDEV_RULE;
  EXPECT_LT(path.filename().string(), "73-seat-late.rules") << "uaccess is applied by 73-seat-late.rules";
  std::ifstream in(path);
  ASSERT_TRUE(in) << path;
  std::vector<std::string> rules;
  for (std::string line; std::getline(in, line);)
    if (!line.empty() && line[0] != '#') rules.push_back(line);
  ASSERT_EQ(rules.size(), 1u);
  const std::string& r = rules[0];
  for (const char* part : {"SUBSYSTEM==\"hidraw\"", "ATTRS{idVendor}==\"c1ca\"", "ATTRS{idProduct}==\"0003\"",
                           "TAG+=\"uaccess\""})
    EXPECT_NE(r.find(part), std::string::npos) << part;
  EXPECT_FALSE(std::regex_search(r, std::regex("MODE|GROUP|OWNER|RUN"))) << r;
}

}  // namespace
}  // namespace orv
