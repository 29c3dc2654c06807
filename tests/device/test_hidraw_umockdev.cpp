// The real-hardware backend against a faked system: umockdev provides the
// sysfs tree, udev's database and uevents, and the hidraw node (a pseudo
// terminal whose other end the test plays the unit on). Runs under
// umockdev-wrapper.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <umockdev.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <thread>

#include "device/hid_hidapi.h"
#include "device/orvantis.h"
#include "sim/report_codec.h"
#include "sim/sim_unit.h"
#include "support/process.h"
#include "support/test_link.h"

namespace orv {

bool UnderUmockdev() {
  const char* preload = std::getenv("LD_PRELOAD");
  return preload && std::strstr(preload, "umockdev");
}

namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

// A vendor-defined collection of `in` input and `out` output bytes, no report
// IDs, as a hex string for umockdev.
std::string DescriptorHex(int in, int out) {
  char buf[128];
  std::snprintf(buf, sizeof buf, "0600FF0901A10115002600FF750895%02X0901810295%02X09019102C0", in, out);
  return buf;
}

// The unit as the kernel shows it: USB device, interface, HID device with its
// report descriptor, hidraw node.
std::string UnitDevice(const std::string& name, int in, int out, const char* vidpid = "0003:0000C1CA:00000003") {
  const std::string usb = "/devices/pci0000:00/usb1/1-" + name;
  const std::string hid = usb + "/1-" + name + ":1.0/0003:C1CA:0003." + name;
  return "P: " + usb +
         "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nA: idVendor=c1ca\nA: idProduct=0003\nA: product=Orvantis\n"
         "A: manufacturer=Orvantis\nA: serial=" + name + "\n\n"
         "P: " + usb + "/1-" + name + ":1.0\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\nA: bInterfaceNumber=00\n\n"
         "P: " + hid + "\nE: SUBSYSTEM=hid\nE: HID_ID=" + vidpid + "\nE: HID_NAME=Orvantis unit\nE: HID_PHYS=usb-0000:00:14.0-" + name + "/input0\nE: HID_UNIQ=" + name + "\n"
         "H: report_descriptor=" + DescriptorHex(in, out) + "\n\n"
         "P: " + hid + "/hidraw/hidraw" + name + "\nN: hidraw" + name + "\nE: SUBSYSTEM=hidraw\nE: DEVNAME=/dev/hidraw" +
         name + "\nA: dev=241:" + name + "\nL: device=../../../0003:C1CA:0003." + name + "\n";
}

class HidrawUmockdev : public ::testing::Test {
 protected:
  void SetUp() override {
    // The link's lock files go to the test's own folder.
    if (const char* old = std::getenv("XDG_RUNTIME_DIR")) oldRuntime_ = old;
    ::setenv("XDG_RUNTIME_DIR", runtime_.Path().c_str(), 1);
    tb_ = umockdev_testbed_new();
  }
  void TearDown() override {
    stop_ = true;
    if (unitThread_.joinable()) unitThread_.join();
    if (tb_) g_object_unref(tb_);
    if (oldRuntime_) ::setenv("XDG_RUNTIME_DIR", oldRuntime_->c_str(), 1);
    else ::unsetenv("XDG_RUNTIME_DIR");
  }

  void Add(const std::string& description) {
    GError* err = nullptr;
    ASSERT_TRUE(umockdev_testbed_add_from_string(tb_, description.c_str(), &err)) << (err ? err->message : "");
  }

  // Plays the unit on the node's other end: every output report (ID byte
  // first, as the link writes it) goes to a simulated unit, every reply
  // report comes back as one input report.
  void ServeUnit(const std::string& devnode, uint32_t serial) {
    const int fd = umockdev_testbed_get_dev_fd(tb_, devnode.c_str());
    ASSERT_GE(fd, 0);
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
    sim::SimConfig cfg;
    cfg.serial = serial;
    unitThread_ = std::thread([this, fd, cfg] {
      sim::SimUnit unit(cfg);
      sim::RequestAssembler assembler;
      std::vector<uint8_t> report;
      uint8_t buf[65];
      while (!stop_) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0) continue;
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) continue;
        report.insert(report.end(), buf, buf + n);
        if (report.size() < 65) continue;
        auto pkt = assembler.Feed(report.data() + 1, 64);
        report.clear();
        if (!pkt) continue;
        for (const auto& reply : unit.Handle(*pkt).packets)
          for (const auto& r : sim::SplitIntoReports(reply, 64)) {
            ssize_t unused = ::write(fd, r.data(), r.size());
            (void)unused;
            std::this_thread::sleep_for(5ms);  // one report per read on the node
          }
      }
    });
  }

  using Link = test::ControllerLink<HidapiController>;

  test::TempDir runtime_;
  std::optional<std::string> oldRuntime_;
  UMockdevTestbed* tb_ = nullptr;
  std::atomic<bool> stop_{false};
  std::thread unitThread_;
};

TEST_F(HidrawUmockdev, EnumerationFindsTheUnitAndCheckOutReadsItsDescriptor) {
  Add(UnitDevice("0", 64, 64));
  Add(UnitDevice("1", 8, 8, "0003:0000046D:0000C31C"));  // a keyboard-like neighbour
  HidapiController c;
  EXPECT_TRUE(c.MonitorError().empty()) << c.MonitorError();
  const auto all = c.Enumerate();
  ASSERT_EQ(all.size(), 2u);
  auto dev = c.CheckOutFirst(kOrvantisVendorId, kOrvantisProductId);
  ASSERT_NE(dev, nullptr);
  EXPECT_EQ(dev->Info().path, "/dev/hidraw0");
  EXPECT_EQ(dev->InputReportByteLength(), 65);
  EXPECT_EQ(dev->OutputReportByteLength(), 65);
  EXPECT_EQ(dev->LockName(), "/dev/hidraw0");
  EXPECT_EQ(c.CheckOut(dev->Info()), nullptr) << "checked out once";
  dev.reset();
  EXPECT_NE(c.CheckOut({"/dev/hidraw0", kOrvantisVendorId, kOrvantisProductId, ""}), nullptr) << "checked in again";
}

TEST_F(HidrawUmockdev, ExchangesGoThroughTheNode) {
  Add(UnitDevice("0", 64, 64));
  ServeUnit("/dev/hidraw0", 31337);
  Link l;
  ASSERT_TRUE(l.link->OnLine());
  ASSERT_TRUE(l.link->GetInfo());
  EXPECT_EQ(DisplaySerial(l.link->BootState), 31337u);
}

TEST_F(HidrawUmockdev, ArrivalAndRemovalComeFromUdev) {
  Link l;
  EXPECT_FALSE(l.link->OnLine());
  Add(UnitDevice("0", 64, 64));  // umockdev announces it with an "add" uevent
  ASSERT_TRUE(l.Until([&] { return l.plugs == 1; }));
  EXPECT_TRUE(l.link->OnLine());

  umockdev_testbed_uevent(tb_, "/sys/devices/pci0000:00/usb1/1-0/1-0:1.0/0003:C1CA:0003.0/hidraw/hidraw0", "remove");
  ASSERT_TRUE(l.Until([&] { return l.unplugs == 1; }, 500ms));
  EXPECT_FALSE(l.link->OnLine());
}

TEST_F(HidrawUmockdev, ReportsTooShortForPacketsAreRefused) {
  Add(UnitDevice("0", 1, 64));
  Link l;
  EXPECT_FALSE(l.link->OnLine());
  EXPECT_EQ(l.plugs, 0);
  EXPECT_EQ(l.log.CountPrefix("["), 1u);
  ASSERT_FALSE(l.log.Lines().empty());
  EXPECT_NE(l.log.Lines()[0].find("InputReportByteLength = 2"), std::string::npos) << l.log.Lines()[0];
}

TEST_F(HidrawUmockdev, AccessGrantedLaterIsPickedUpOnTheChangeEvent) {
  Add(UnitDevice("0", 64, 64));
  std::atomic<bool> allowed{false};
  std::atomic<int> denials{0};
  HidapiController::Options o;
  o.permissionRetry = 100ms;
  o.open = [&](const std::string& path, int flags) {
    if (!allowed) {
      ++denials;
      errno = EACCES;
      return -1;
    }
    return ::open(path.c_str(), flags);
  };
  int told = 0;
  // The link attaches in its constructor, so the handler must be in place
  // before: build the controller first.
  HidapiController controller(o);
  controller.SetAccessDeniedHandler([&](const std::string&) { ++told; });
  test::LogRecorder log;
  int plugs = 0;
  TOrvantis link(&controller, [&](TOrvantis*) { ++plugs; }, nullptr, log.Callback());
  link.SetUseSync(false);
  EXPECT_FALSE(link.OnLine());
  EXPECT_EQ(told, 1);
  EXPECT_GT(denials.load(), 1);

  allowed = true;  // the rule is installed and `udevadm trigger` runs
  umockdev_testbed_uevent(tb_, "/sys/devices/pci0000:00/usb1/1-0/1-0:1.0/0003:C1CA:0003.0/hidraw/hidraw0", "change");
  const auto end = SteadyClock::now() + 2s;
  while (plugs == 0 && SteadyClock::now() < end) {
    link.ProcessHIDMessages();
    link.WaitForNotice(20);
  }
  EXPECT_EQ(plugs, 1);
  EXPECT_TRUE(link.OnLine());
}

}  // namespace
}  // namespace orv

// The faked system needs the umockdev preload library from the start, so the
// program starts itself again under umockdev-wrapper.
int main(int argc, char** argv) {
  if (!orv::UnderUmockdev()) {
#if defined(__SANITIZE_ADDRESS__)
    // The preload library is loaded before the sanitizer's runtime.
    const char* asan = std::getenv("ASAN_OPTIONS");
    const std::string opts = std::string(asan ? asan : "") + (asan && *asan ? ":" : "") + "verify_asan_link_order=0";
    ::setenv("ASAN_OPTIONS", opts.c_str(), 1);
#endif
#if defined(__SANITIZE_THREAD__)
    const char* tsan = std::getenv("TSAN_OPTIONS");
    const std::string topts = std::string(tsan ? tsan : "") + (tsan && *tsan ? ":" : "") +
                              "suppressions=" + TSAN_UMOCKDEV_SUPPRESSIONS;
    ::setenv("TSAN_OPTIONS", topts.c_str(), 1);
#endif
    std::vector<char*> args{const_cast<char*>(UMOCKDEV_WRAPPER_PATH)};
    args.insert(args.end(), argv, argv + argc);
    args.push_back(nullptr);
    ::execv(UMOCKDEV_WRAPPER_PATH, args.data());
    std::fprintf(stderr, "cannot start %s: %s\n", UMOCKDEV_WRAPPER_PATH, std::strerror(errno));
    return 1;
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
