// Identity, memory, flash and boot commands against the in-process simulated
// unit, with its fault injection.
#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "device/checksums.h"
#include "support/test_link.h"

namespace orv {
namespace {

using sim::FaultPlan;
using test::SimLink;

std::vector<size_t> ChunkSizes(const sim::SimUnit& unit, uint8_t sub, size_t sizeOffset) {
  std::vector<size_t> out;
  for (const auto& r : unit.Requests()) {
    if (r.Sub() != sub) continue;
    if (sizeOffset) out.push_back((size_t{r.payload[5]} << 24) | (size_t{r.payload[6]} << 16) |
                                  (size_t{r.payload[7]} << 8) | r.payload[8]);
    else out.push_back(r.payload.size() - 5);
  }
  return out;
}

TEST(Commands, IdentityQueriesFillTheirRecords) {
  sim::SimConfig cfg;
  cfg.model = 3;
  cfg.serial = 1234;
  SimLink s(cfg);
  ASSERT_TRUE(s.link->OnLine());
  ASSERT_TRUE(s.link->GetInfo());
  EXPECT_EQ(ModelName(s.link->BootState.DeviceInfo.Kind), "ORVANTIS 3");
  EXPECT_EQ(DisplaySerial(s.link->BootState), 1234u);
  ASSERT_TRUE(s.link->GetCoreInfo());
  const TCoreInfo& ci = s.link->CoreInfo;
  EXPECT_EQ(CreateCoreName(ci.DeviceInfo, ci.CoreID, TextOf(ci.TextInfo, 32)), "core1.5 p18.R5.3052 (15.03.2021)");
  EXPECT_TRUE(s.link->GetState());
  EXPECT_TRUE(s.link->GetCanFwInfo());
  EXPECT_TRUE(s.link->GetBoot2Rec());
  EXPECT_TRUE(s.link->Boot2Rec.HasAuxiliary());
  EXPECT_TRUE(s.link->GetCore2Info());
  EXPECT_TRUE(s.link->GetCanFw2Info());
  EXPECT_TRUE(s.link->GetVersionDevices());
  EXPECT_EQ(s.link->VersionDevices.Hestor, 12);
}

TEST(Commands, ModelsWithoutAuxiliaryProcessorReportVersionFF) {
  sim::SimConfig cfg;
  cfg.model = 1;
  SimLink s(cfg);
  ASSERT_TRUE(s.link->GetBoot2Rec());
  EXPECT_FALSE(s.link->Boot2Rec.HasAuxiliary());
}

TEST(Commands, ReadChunking) {
  SimLink s;
  struct Case {
    uint32_t size;
    std::vector<size_t> chunks;
  } cases[] = {{370, {185, 185}}, {186, {185, 1}}, {185, {185}}, {1, {1}}, {0, {}}};
  for (const auto& c : cases) {
    s.unit->ClearRequests();
    std::vector<uint8_t> buf(c.size + 1);
    ASSERT_TRUE(s.link->ReadROM(buf.data(), 0x1D800, c.size));
    EXPECT_EQ(ChunkSizes(*s.unit, cmd::kReadROM, 5), c.chunks) << c.size;
  }
}

TEST(Commands, WriteROMUnlocksOnceAndChunks) {
  SimLink s;
  std::vector<uint8_t> data(2104);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7);
  ASSERT_TRUE(s.link->WriteROM(data.data(), 0x1D800, static_cast<uint32_t>(data.size())));
  EXPECT_EQ(s.unit->CountRequests(cmd::kMemory, cmd::kUnLockROM), 1u);
  EXPECT_EQ(ChunkSizes(*s.unit, cmd::kWriteROM, 0), (std::vector<size_t>{2103, 1}));
  std::vector<uint8_t> back(data.size());
  ASSERT_TRUE(s.link->ReadROM(back.data(), 0x1D800, static_cast<uint32_t>(back.size())));
  EXPECT_EQ(back, data);

  s.unit->ClearRequests();
  EXPECT_TRUE(s.link->WriteROM(data.data(), 0x1D800, 0));
  EXPECT_EQ(s.unit->CountRequests(-1), 0u) << "an empty write does not even unlock";
}

TEST(Commands, WriteROMNeedsTheUnlock) {
  SimLink s;
  s.unit->Faults() = FaultPlan::Parse("refuse-unlock/55.01");
  const uint8_t byte = 1;
  EXPECT_FALSE(s.link->WriteROM(&byte, 0x1D800, 1));
  EXPECT_EQ(s.unit->CountRequests(cmd::kMemory, cmd::kWriteROM), 0u);
}

TEST(Commands, EraseStepsAndFlashRoundTrip) {
  SimLink s;
  struct Case {
    uint32_t size;
    std::vector<uint32_t> addrs;
  } cases[] = {{0x20000, {0x40000}}, {0x20001, {0x40000, 0x60000}}, {1, {0x40000}}, {0, {}}};
  for (const auto& c : cases) {
    s.unit->ClearRequests();
    ASSERT_TRUE(s.link->EraseFlash(0x40000, c.size));
    std::vector<uint32_t> addrs;
    for (const auto& r : s.unit->Requests())
      if (r.Sub() == cmd::kEraseFlash)
        addrs.push_back((uint32_t{r.payload[1]} << 24) | (uint32_t{r.payload[2]} << 16) | (uint32_t{r.payload[3]} << 8) |
                        r.payload[4]);
    EXPECT_EQ(addrs, c.addrs) << c.size;
  }
  std::vector<uint8_t> image(5000);
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i ^ 0x5A);
  s.unit->ClearRequests();
  ASSERT_TRUE(s.link->WriteFlash(image.data(), 0x40000, static_cast<uint32_t>(image.size())));
  EXPECT_EQ(ChunkSizes(*s.unit, cmd::kWriteFlash, 0), (std::vector<size_t>{2048, 2048, 904}));
  std::vector<uint8_t> back(image.size());
  ASSERT_TRUE(s.link->ReadFlash(back.data(), 0x40000, static_cast<uint32_t>(back.size())));
  EXPECT_EQ(back, image);
  // Erased flash reads 0xFF.
  ASSERT_TRUE(s.link->EraseFlash(0x40000, 1));
  ASSERT_TRUE(s.link->ReadFlash(back.data(), 0x40000, 100));
  EXPECT_EQ(back[0], 0xFF);
  EXPECT_EQ(back[99], 0xFF);
}

TEST(Commands, FailedReadLeavesTheBufferUntouched) {
  SimLink s;
  s.link->SetTimeoutScale(5);
  s.unit->Faults() = FaultPlan::Parse("drop/55.05@2x*");
  std::vector<uint8_t> buf(400, 0xEE);
  EXPECT_FALSE(s.link->ReadROM(buf.data(), 0x1D800, 400));
  EXPECT_EQ(buf, std::vector<uint8_t>(400, 0xEE));
}

TEST(Commands, BootCommands) {
  SimLink s;
  EXPECT_EQ(s.link->UnLockROM(0), 1);
  EXPECT_TRUE(s.link->SendCmd(cmd::kSaveSettings));
  EXPECT_EQ(s.unit->SaveCommands(), 1);
  EXPECT_EQ(s.link->UpDateFirmWare(0x22, 0x1000, 500), 3);
  s.unit->Faults() = FaultPlan::Parse("update-code=6/55.22");
  EXPECT_EQ(s.link->UpDateFirmWare(0x22, 0x1000, 500), 6);
  const auto req = s.unit->Requests().back();
  EXPECT_EQ(req.payload, (std::vector<uint8_t>{0x22, 0x00, 0x00, 0x10, 0x00, 0x01, 0xF4}));
}

TEST(Commands, UnlockForTheBootLoaderRestartsTheUnit) {
  SimLink s;
  EXPECT_EQ(s.link->UnLockROM(100), 2);
  // The unit leaves and comes back running its boot loader.
  for (int i = 0; i < 100 && !(s.unplugs == 1 && s.plugs == 2); ++i) {
    s.link->ProcessHIDMessages();
    s.link->WaitForNotice(50);
  }
  EXPECT_EQ(s.unplugs, 1);
  EXPECT_EQ(s.plugs, 2);
  ASSERT_TRUE(s.link->OnLine());
  ASSERT_TRUE(s.link->GetState());
  EXPECT_TRUE(s.link->State.InBootLoader());
  EXPECT_EQ(s.link->UnLockROM(100), 1);
}

// Every command recovers from one lost or damaged reply, and fails with its
// own result and log texts when the fault persists.
struct CommandCase {
  const char* name;
  const char* match;  // fault match: CMD[.SUB]
  std::function<bool(TOrvantis&)> run;
  int attempts;
  const char* persistentFault;
  std::vector<std::string> perAttempt;  // log lines of each failed attempt
};

std::vector<CommandCase> Cases() {
  static const uint8_t data[300] = {1, 2, 3};
  auto buf = std::make_shared<std::vector<uint8_t>>(400);
  const std::string timeout = "Таймаут ожидания ответа";
  return {
      {"GetInfo", "db", [](TOrvantis& l) { return l.GetInfo(); }, 5, "drop", {timeout}},
      {"GetState", "99", [](TOrvantis& l) { return l.GetState(); }, 5, "drop", {timeout}},
      {"GetCoreInfo", "c0", [](TOrvantis& l) { return l.GetCoreInfo(); }, 5, "crc", {timeout}},
      {"GetCanFwInfo", "ca", [](TOrvantis& l) { return l.GetCanFwInfo(); }, 5, "len", {timeout}},
      {"GetBoot2Rec", "b0", [](TOrvantis& l) { return l.GetBoot2Rec(); }, 5, "code", {timeout}},
      {"GetCore2Info", "b1", [](TOrvantis& l) { return l.GetCore2Info(); }, 5, "drop", {timeout}},
      {"GetCanFw2Info", "b2", [](TOrvantis& l) { return l.GetCanFw2Info(); }, 5, "drop", {timeout}},
      {"GetVersionDevices", "b3", [](TOrvantis& l) { return l.GetVersionDevices(); }, 5, "drop", {timeout}},
      {"ReadROM", "55.05", [buf](TOrvantis& l) { return l.ReadROM(buf->data(), 0x1D800, 370); }, 5, "code",
       {"Неверный код ответа"}},
      {"ReadFlash", "55.09", [buf](TOrvantis& l) { return l.ReadFlash(buf->data(), 0x20000, 200); }, 5, "drop",
       {timeout}},
      {"WriteROM", "55.04", [](TOrvantis& l) { return l.WriteROM(data, 0x1D800, 300); }, 5, "fail-write",
       {"Ошибка выполнения команды"}},
      {"WriteFlash", "55.02", [](TOrvantis& l) { return l.WriteFlash(data, 0x40000, 300); }, 5, "fail-write",
       {"Ошибка контрольной суммы"}},
      {"EraseFlash", "55.03", [](TOrvantis& l) { return l.EraseFlash(0x40000, 0x20000); }, 5, "fail-erase",
       {"Ошибка выполнения команды"}},
      {"UnLockROM", "55.01", [](TOrvantis& l) { return l.UnLockROM(0) == 1; }, 5, "drop", {timeout}},
      {"Reset", "55.06", [](TOrvantis& l) { return l.Reset(60000); }, 5, "crc", {timeout}},
      {"UpDateFirmWare", "55.22", [](TOrvantis& l) { return l.UpDateFirmWare(0x22, 16, 500) == 3; }, 3, "drop",
       {}},
      {"SendCmd", "95", [](TOrvantis& l) { return l.SendCmd(0x95); }, 5, "len", {"Неверная длина ответа"}},
  };
}

void PrintTo(const CommandCase& c, std::ostream* os) { *os << c.name; }

class CommandFaults : public ::testing::TestWithParam<CommandCase> {};

TEST_P(CommandFaults, RecoversFromOneLostOrDamagedReply) {
  const CommandCase& c = GetParam();
  for (const char* fault : {"drop", "crc", "len", "code", "noise=4"}) {
    SimLink s;
    s.link->SetTimeoutScale(5);
    s.unit->Faults() = FaultPlan::Parse(std::string(fault) + "/" + c.match);
    EXPECT_TRUE(c.run(*s.link)) << c.name << " with " << fault;
  }
}

TEST_P(CommandFaults, PersistentFaultFailsWithItsTexts) {
  const CommandCase& c = GetParam();
  SimLink s;
  s.link->SetTimeoutScale(5);
  s.unit->Faults() = FaultPlan::Parse(std::string(c.persistentFault) + "/" + c.match + "x*");
  EXPECT_FALSE(c.run(*s.link)) << c.name;
  for (const auto& text : c.perAttempt) EXPECT_EQ(s.log.Count(text), static_cast<size_t>(c.attempts)) << text;
  if (std::string(c.name) == "UpDateFirmWare") {
    EXPECT_EQ(s.log.Count("Осталось попыток: 2"), 1u);
    EXPECT_EQ(s.log.Count("Осталось попыток: 0"), 1u);
    EXPECT_EQ(s.log.Count("Таймаут ожидания ответа"), 0u);
  }
  // The command gave up after its attempts: the unit saw exactly that many.
  const std::string m = c.match;
  const int cmdCode = std::stoi(m.substr(0, 2), nullptr, 16);
  const int sub = m.size() > 2 ? std::stoi(m.substr(3), nullptr, 16) : -1;
  EXPECT_EQ(s.unit->CountRequests(cmdCode, sub), static_cast<size_t>(c.attempts)) << c.name;
}

INSTANTIATE_TEST_SUITE_P(All, CommandFaults, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Commands, PersistentTimeoutTakesTheFullTimeOuts) {
  SimLink s;
  s.unit->Faults() = FaultPlan::Parse("drop/db x*");
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_FALSE(s.link->GetInfo());
  EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(5000));
  EXPECT_EQ(s.log.Count("Таймаут ожидания ответа"), 5u);
}

TEST(Commands, ExchangesFromTwoThreadsNeverTakeEachOthersReplies) {
  SimLink s;
  std::atomic<int> failures{0};
  std::thread other([&] {
    for (int i = 0; i < 150; ++i)
      if (!s.link->GetVersionDevices()) ++failures;
  });
  std::vector<uint8_t> buf(185);
  for (int i = 0; i < 150; ++i) {
    if (!s.link->ReadROM(buf.data(), 0x1D800, 185)) ++failures;
    if (!s.link->GetInfo()) ++failures;
  }
  other.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(s.log.Count("Таймаут ожидания ответа"), 0u);
}

}  // namespace
}  // namespace orv
