// ReadOptions, WriteOptions, SetDefaults and the settings files against the
// in-process simulated unit, with faults injected by the simulator.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "device/byte_io.h"
#include "device/orvantis.h"
#include "settings/config_data.h"
#include "settings/factory_images.h"
#include "settings/settings_session.h"
#include "settings/sms_text.h"
#include "support/process.h"
#include "support/test_link.h"
#include "settings_fixtures.h"

namespace orv::test {
namespace {

using namespace settings_text;
using Answer = Prompts::Answer;

sim::SimConfig Model(int model, uint8_t pcb = 18) {
  sim::SimConfig cfg;
  cfg.model = model;
  cfg.pcb = pcb;
  return cfg;
}

struct Rig {
  explicit Rig(sim::SimConfig cfg = Model(3)) : sim(cfg) {}
  SimLink sim;
  RecordingStatus status;
  ScriptedPrompts prompts;
  RecordingPages pages;
  RecordingTaskQueue tasks;
  TSettingsSession session{*sim.link, status, prompts, pages, tasks};

  sim::SimUnit& Unit() { return *sim.unit; }
  std::vector<uint8_t> UnitRegion(int k) {
    std::vector<uint8_t> out(kRegionSize[k]);
    EXPECT_TRUE(Unit().ReadRom(kRegionAddr[k], out.data(), kRegionSize[k]));
    return out;
  }
  void SetUnitRegion(int k, uint8_t fill) {
    std::vector<uint8_t> data(kRegionSize[k], fill);
    ASSERT_TRUE(Unit().WriteRom(kRegionAddr[k], data.data(), kRegionSize[k]));
  }
  std::vector<uint8_t> Memory(int k) const {
    const auto b = session.MemItems[k].Bytes();
    return {b.begin(), b.end()};
  }
  void Faults(const std::string& rules) { Unit().Faults() = sim::FaultPlan::Parse(rules); }
  // Addresses of the settings-memory write requests.
  std::vector<uint32_t> WriteAddresses() {
    std::vector<uint32_t> out;
    for (const auto& r : Unit().Requests())
      if (r.Sub() == cmd::kWriteROM) {
        ByteReader br(r.payload);
        br.Skip(1);
        out.push_back(br.U32BE());
      }
    return out;
  }
};

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(ReadOptions, ReadsEveryRegionButTheSmsAreaAndLoadsThePages) {
  Rig rig;
  rig.status.request = request::kReadAfterConnect;
  rig.session.MemItems[kRegionSms].FData.fill(0x77);
  ASSERT_TRUE(rig.session.ReadOptions());
  EXPECT_TRUE(rig.session.FOptionsRead);
  for (int k = 0; k < kRegionCount; ++k)
    if (k != kRegionSms) EXPECT_EQ(rig.Memory(k), rig.UnitRegion(k)) << k;
  EXPECT_EQ(rig.Memory(kRegionSms), std::vector<uint8_t>(1024, 0)) << "region 8 is zero after a read";
  EXPECT_EQ(rig.pages.loads, 1);
  EXPECT_EQ(rig.tasks.nextCalls, 1);

  std::vector<std::string> progress = rig.status.Texts("progress");
  const int expected[] = {0, 7, 13, 20, 27, 33, 40, 47, 53, 60, 67, 73, 80, 87, 93};
  ASSERT_EQ(progress.size(), 16u);
  for (int i = 0; i < 15; ++i) EXPECT_EQ(progress[i], "Чтение настроек " + std::to_string(expected[i]) + "%");
  EXPECT_EQ(progress.back(), "") << "progress hidden at the end";
  EXPECT_TRUE(rig.status.Has("panel", kRead));
  EXPECT_EQ(rig.status.Finishes(), (std::vector<std::pair<int, std::string>>{{1, kConnected}}));
  EXPECT_EQ(rig.status.request, request::kStepFinished);
  EXPECT_EQ(rig.pages.busyCalls.front(), std::make_pair(PagesHook::Button::kRead, true));
  EXPECT_EQ(rig.pages.busyCalls.back(), std::make_pair(PagesHook::Button::kRead, false));
}

TEST(ReadOptions, FailureAtRegion7LeavesTheRegionsAsTheFailureTableSays) {
  Rig rig;
  rig.status.request = request::kReadAfterConnect;
  for (auto& item : rig.session.MemItems) item.FData.fill(0x5A);
  // Regions 0..6 take 19 read requests; the 20th is region 7's first chunk.
  rig.Faults("code/55.05@20 x*");
  EXPECT_FALSE(rig.session.ReadOptions());
  EXPECT_FALSE(rig.session.FOptionsRead);
  for (int k = 0; k <= 6; ++k) EXPECT_EQ(rig.Memory(k), rig.UnitRegion(k)) << "region " << k << " holds new data";
  EXPECT_EQ(rig.Memory(7), std::vector<uint8_t>(1440, 0)) << "the failing region was cleared";
  for (int k = 8; k < kRegionCount; ++k)
    EXPECT_EQ(rig.Memory(k), std::vector<uint8_t>(kRegionSize[k], 0x5A)) << "region " << k << " keeps its contents";
  EXPECT_EQ(rig.pages.loads, 0) << "the pages keep their contents";
  EXPECT_EQ(rig.tasks.nextCalls, 1);
  EXPECT_TRUE(rig.status.Has("log", kReadFailedLog));
  EXPECT_EQ(rig.status.Finishes(), (std::vector<std::pair<int, std::string>>{{0, kNotRead}}));
  EXPECT_EQ(rig.status.Texts("progress").back(), "");

  // Such an image never reaches the unit.
  rig.Faults("");
  rig.Unit().ClearRequests();
  EXPECT_FALSE(rig.session.WriteOptions());
  EXPECT_EQ(rig.Unit().CountRequests(cmd::kMemory, cmd::kWriteROM), 0u);
  EXPECT_EQ(rig.prompts.messages, std::vector<std::string>{kImageIncomplete});
}

TEST(ReadOptions, APageThatRestoresFactoryValuesGetsAnImmediateWrite) {
  Rig rig;
  rig.pages.onLoad = [&](TMemItems& items) {
    items[kRegionInternet].FData[0] = 'X';  // as the Internet page restoring its server fields
    rig.session.FForceSaveSettings = true;
  };
  ASSERT_TRUE(rig.session.ReadOptions());
  EXPECT_FALSE(rig.session.FForceSaveSettings);
  EXPECT_EQ(rig.pages.stores, 1);
  EXPECT_EQ(rig.Unit().CountRequests(cmd::kMemory, cmd::kWriteROM), 8u);
  EXPECT_EQ(rig.Unit().SaveCommands(), 1);
  EXPECT_EQ(rig.UnitRegion(0)[0], 'X');
  EXPECT_EQ(rig.tasks.nextCalls, 2);
}

TEST(ReadOptions, APageMarkOfForceSaveIsTakenAfterTheLoad) {
  Rig rig;
  rig.pages.onLoad = [&](TMemItems&) { rig.pages.forceSave = true; };
  ASSERT_TRUE(rig.session.ReadOptions());
  EXPECT_FALSE(rig.pages.forceSave);
  EXPECT_EQ(rig.pages.stores, 1) << "written back at once";
  EXPECT_EQ(rig.Unit().SaveCommands(), 1);
}

TEST(WriteOptions, RegionsBeyondTheMaskGoOutOnlyWhenChangedAndReadFromTheUnit) {
  const uint32_t region9 = kRegionAddr[kRegionDelivery];
  Rig rig;
  ASSERT_TRUE(rig.session.ReadOptions());
  rig.pages.onStore = [](TMemItems& items) { items[kRegionDelivery].FData[20] ^= 0x02; };
  ASSERT_TRUE(rig.session.WriteOptions());
  const std::vector<uint32_t> unchanged = rig.WriteAddresses();
  EXPECT_EQ(std::count(unchanged.begin(), unchanged.end(), region9), 0) << "not changed";
  rig.pages.changed = 1u << kRegionDelivery;
  ASSERT_TRUE(rig.session.WriteOptions());
  const std::vector<uint32_t> written = rig.WriteAddresses();
  EXPECT_EQ(std::count(written.begin(), written.end(), region9), 1);
  EXPECT_EQ(rig.UnitRegion(kRegionDelivery)[20], rig.Memory(kRegionDelivery)[20]) << "and read back";

  // An image from a file holds no region 9 of the unit: never written.
  Rig fresh;
  TempDir dir;
  const std::string file = dir.File("f.vesnar");
  ASSERT_TRUE(rig.session.SaveOptions(file));
  ASSERT_TRUE(fresh.session.GetOptions(file));
  fresh.pages.changed = 1u << kRegionDelivery;
  ASSERT_TRUE(fresh.session.WriteOptions());
  const std::vector<uint32_t> freshWritten = fresh.WriteAddresses();
  EXPECT_EQ(std::count(freshWritten.begin(), freshWritten.end(), region9), 0);
}

TEST(ReadOptions, AnErrorFromAPageIsShownAndTheQueueReleased) {
  Rig rig;
  rig.pages.onLoad = [](TMemItems&) { throw std::runtime_error("Ошибка страницы"); };
  EXPECT_FALSE(rig.session.ReadOptions());
  EXPECT_FALSE(rig.session.FOptionsRead);
  EXPECT_EQ(rig.prompts.messages, std::vector<std::string>{"Ошибка страницы"});
  EXPECT_EQ(rig.tasks.nextCalls, 1);
  EXPECT_EQ(rig.pages.busyCalls.back(), std::make_pair(PagesHook::Button::kRead, false));
  EXPECT_EQ(rig.status.Texts("progress").back(), "");
}

TEST(WriteOptions, WritesEachRegionReadsItBackAndEndsWithCommand149) {
  Rig rig;
  ASSERT_TRUE(rig.session.ReadOptions());
  rig.session.MemItems[kRegionConfig].FData[40] = 0x12;
  rig.Unit().ClearRequests();
  rig.status.events.clear();
  ASSERT_TRUE(rig.session.WriteOptions());
  EXPECT_EQ(rig.UnitRegion(kRegionConfig)[40], 0x12);
  EXPECT_EQ(rig.pages.stores, 1);

  // Per region: unlock, write, read-back chunks; then command 149 last.
  const auto reqs = rig.Unit().Requests();
  std::vector<uint32_t> written = rig.WriteAddresses();
  EXPECT_EQ(written, (std::vector<uint32_t>{kRegionAddr[0], kRegionAddr[1], kRegionAddr[2], kRegionAddr[3],
                                            kRegionAddr[4], kRegionAddr[5], kRegionAddr[6], kRegionAddr[14]}));
  EXPECT_EQ(rig.Unit().CountRequests(cmd::kMemory, cmd::kUnLockROM), 8u);
  size_t readBackChunks = 0;
  for (int k : {0, 1, 2, 3, 4, 5, 6, 14}) readBackChunks += (kRegionSize[k] + 184) / 185;
  EXPECT_EQ(rig.Unit().CountRequests(cmd::kMemory, cmd::kReadROM), readBackChunks);
  EXPECT_EQ(reqs.back().cmd, cmd::kSaveSettings);
  EXPECT_EQ(rig.Unit().SaveCommands(), 1);

  EXPECT_EQ(rig.status.request, request::kWriting);
  EXPECT_TRUE(rig.status.Has("panel", kSaved));
  EXPECT_EQ(rig.status.Finishes().back(), std::make_pair(1, std::string(kSynced)));
  EXPECT_EQ(rig.status.Texts("progress")[1], "Сохранение настроек 7%");
  EXPECT_EQ(rig.tasks.nextCalls, 2);
  EXPECT_TRUE(rig.prompts.messages.empty());
}

TEST(WriteOptions, FailureAtRegion3RaisesTheWriteErrorAndSkipsCommand149) {
  Rig rig;
  ASSERT_TRUE(rig.session.ReadOptions());
  rig.session.MemItems[0].FData[0] = 'A';
  rig.session.MemItems[2].FData[0] = 0x21;
  rig.session.MemItems[4].FData[0] = 0x44;
  rig.Faults("fail-write/55.04@4 x*");  // the fourth region written is region 3
  EXPECT_FALSE(rig.session.WriteOptions());
  EXPECT_EQ(rig.prompts.messages, std::vector<std::string>{kWriteError});
  EXPECT_TRUE(rig.status.Has("log", "Ошибка записи данных (64 байт по адресу 0x1D948)"));
  EXPECT_EQ(rig.Unit().SaveCommands(), 0);
  EXPECT_EQ(rig.Unit().CountRequests(cmd::kSaveSettings), 0u);
  EXPECT_EQ(rig.UnitRegion(0)[0], 'A') << "regions before the failing one are written";
  EXPECT_EQ(rig.UnitRegion(2)[0], 0x21);
  EXPECT_NE(rig.UnitRegion(4)[0], 0x44) << "regions after it are not";
  EXPECT_EQ(rig.session.MemItems[4].FData[0], 0x44) << "the user's data stays in memory";
  EXPECT_EQ(rig.tasks.nextCalls, 2);
  EXPECT_EQ(rig.status.Finishes().back().first, 0);
  EXPECT_FALSE(rig.status.Has("panel", kSaved));
  EXPECT_EQ(rig.pages.busyCalls.back(), std::make_pair(PagesHook::Button::kApply, false));
}

TEST(WriteOptions, AReadBackThatDiffersIsAWriteError) {
  Rig rig;
  ASSERT_TRUE(rig.session.ReadOptions());
  // The unit confirms the write of region 5 but keeps one byte different.
  rig.Unit().SetMemoryHandler(cmd::kWriteROM, [&rig](const sim::SimRequest& req, const std::vector<sim::ActiveFault>&) {
    ByteReader r(req.payload);
    r.Skip(1);
    const uint32_t addr = r.U32BE();
    std::vector<uint8_t> data(req.payload.begin() + 5, req.payload.end());
    if (addr == kRegionAddr[kRegionConfig]) data[10] ^= 0x01;
    rig.Unit().WriteRom(addr, data.data(), static_cast<uint32_t>(data.size()));
    return std::optional<std::vector<uint8_t>>(std::vector<uint8_t>{0xFB, 1});
  });
  const auto mine = rig.Memory(kRegionConfig);
  EXPECT_FALSE(rig.session.WriteOptions());
  EXPECT_EQ(rig.prompts.messages, std::vector<std::string>{kWriteError});
  EXPECT_TRUE(rig.status.Has("log", "Данные, прочитанные после записи, отличаются от записанных"));
  EXPECT_TRUE(rig.status.Has("log", "Ошибка записи данных (512 байт по адресу 0x1E788)"));
  EXPECT_EQ(rig.Memory(kRegionConfig), mine) << "memory keeps what the user had, not the read-back";
  EXPECT_EQ(rig.Unit().SaveCommands(), 0);
}

TEST(WriteOptions, AFailedReadBackIsAWriteError) {
  Rig rig;
  ASSERT_TRUE(rig.session.ReadOptions());
  rig.Faults("code/55.05 x*");  // every read from now on: the first is region 0's read-back
  EXPECT_FALSE(rig.session.WriteOptions());
  EXPECT_TRUE(rig.status.Has("log", "Контрольное чтение после записи не удалось"));
  EXPECT_TRUE(rig.status.Has("log", "Ошибка записи данных (224 байт по адресу 0x1E020)"));
  EXPECT_EQ(rig.prompts.messages, std::vector<std::string>{kWriteError});
  EXPECT_EQ(rig.Unit().CountRequests(cmd::kMemory, cmd::kWriteROM), 1u);
  EXPECT_EQ(rig.Unit().SaveCommands(), 0);
}

TEST(WriteOptions, AFailedCommand149IsReported) {
  Rig rig;
  ASSERT_TRUE(rig.session.ReadOptions());
  rig.Faults("len/95 x*");
  EXPECT_FALSE(rig.session.WriteOptions());
  EXPECT_EQ(rig.Unit().CountRequests(cmd::kMemory, cmd::kWriteROM), 8u) << "the regions were written";
  EXPECT_TRUE(rig.status.Has("panel", kNotWritten));
  EXPECT_EQ(rig.prompts.messages, std::vector<std::string>{kSaveCommandError});
  EXPECT_EQ(rig.status.Finishes().back(), std::make_pair(0, std::string(kSaveCommandError)));
  EXPECT_EQ(rig.tasks.nextCalls, 2);
}

TEST(WriteOptions, AnImageNeverReadIsNotWritten) {
  Rig rig;
  EXPECT_FALSE(rig.session.WriteOptions());
  EXPECT_EQ(rig.Unit().CountRequests(cmd::kMemory), 0u);
  EXPECT_EQ(rig.pages.stores, 0);
  EXPECT_EQ(rig.tasks.nextCalls, 1);
  EXPECT_EQ(rig.prompts.messages, std::vector<std::string>{kImageIncomplete});
}

TEST(SettingsFile, RoundTripReadSaveWriteRead) {
  TempDir dir;
  const std::string file = dir.File("unit.vesnar");
  Rig rig;
  ASSERT_TRUE(rig.session.ReadOptions());
  TMemItems first = rig.session.MemItems;
  ASSERT_TRUE(rig.session.SaveOptions(file));
  const auto bytes = ReadFile(file);
  ASSERT_EQ(bytes.size(), 3692u);
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 4), (std::vector<uint8_t>{0x7f, 0x40, 0x00, 0x04}));
  EXPECT_TRUE(rig.status.Has("panel", kSaved));
  EXPECT_EQ(rig.status.Finishes().back(), std::make_pair(1, std::string(kSavedToFile)));

  // The unit changes; writing the file brings every region back.
  for (int k : {0, 1, 2, 3, 4, 5, 6, 14}) rig.SetUnitRegion(k, 0x3C);
  // A second session, as after a restart of the program.
  RecordingStatus status;
  ScriptedPrompts prompts;
  RecordingPages pages;
  RecordingTaskQueue tasks;
  TSettingsSession session(*rig.sim.link, status, prompts, pages, tasks);
  ASSERT_TRUE(session.GetOptions(file));
  EXPECT_EQ(pages.loads, 1);
  EXPECT_EQ(session.LastStreamMask(), regionmask::kWrite);
  ASSERT_TRUE(session.WriteOptions());
  ASSERT_TRUE(session.ReadOptions());
  for (int k = 0; k < kRegionCount; ++k)
    EXPECT_TRUE(std::equal(first[k].FData.begin(), first[k].FData.end(), session.MemItems[k].FData.begin())) << k;
}

TEST(SettingsFile, SaveReplacesTheFileAtomically) {
  TempDir dir;
  const std::string file = dir.File("s.vesnar");
  { std::ofstream(file) << "old contents"; }
  Rig rig;
  EXPECT_FALSE(rig.session.SaveOptions(file)) << "nothing read yet: nothing to save";
  EXPECT_EQ(ReadFile(file).size(), 12u);
  ASSERT_TRUE(rig.session.ReadOptions());
  ASSERT_TRUE(rig.session.SaveOptions(file));
  EXPECT_EQ(ReadFile(file).size(), 3692u);
  size_t entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Path())) ++entries;
  EXPECT_EQ(entries, 1u) << "no temporary file is left";

  // A target that cannot be replaced: the save fails, says why, keeps it.
  const std::string blocker = dir.File("taken");
  std::filesystem::create_directory(blocker);
  std::ofstream(blocker + "/inside") << "x";
  rig.prompts.messages.clear();
  EXPECT_FALSE(rig.session.SaveOptions(blocker));
  ASSERT_EQ(rig.prompts.messages.size(), 1u);
  EXPECT_EQ(rig.prompts.messages[0].rfind("Не удалось сохранить файл настроек", 0), 0u) << rig.prompts.messages[0];
  EXPECT_TRUE(std::filesystem::is_directory(blocker));
  EXPECT_FALSE(rig.session.SaveOptions(dir.File("no/such/folder/s.vesnar")));
  entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Path())) ++entries;
  EXPECT_EQ(entries, 2u);
}

TEST(SettingsFile, LoadingReportsBadFilesAndKeepsTheRegions) {
  TempDir dir;
  Rig rig;
  for (auto& item : rig.session.MemItems) item.FData.fill(0x5A);
  const std::string v5 = dir.File("v5.vesnar");
  {
    std::ofstream out(v5, std::ios::binary);
    const char bytes[] = {0x7f, 0x40, 0x00, 0x05, 1, 2, 3};
    out.write(bytes, sizeof bytes);
  }
  EXPECT_FALSE(rig.session.GetOptions(v5));
  EXPECT_EQ(rig.prompts.messages,
            std::vector<std::string>{"Версия формата настроек (v5) не поддерживается. Необходимо обновить Конфигуратор Orvantis"});
  for (int k = 0; k < kRegionCount; ++k) EXPECT_EQ(rig.Memory(k), std::vector<uint8_t>(kRegionSize[k], 0x5A));
  EXPECT_EQ(rig.pages.loads, 1) << "the pages are loaded from the regions as they are";

  rig.prompts.messages.clear();
  EXPECT_FALSE(rig.session.GetOptions(dir.File("missing.vesnar")));
  ASSERT_EQ(rig.prompts.messages.size(), 1u);
  EXPECT_EQ(rig.prompts.messages[0].rfind("Не удалось открыть файл настроек", 0), 0u);
  EXPECT_FALSE(rig.session.ImageComplete());
}

TEST(SetDefaults, AsksOnceForModels1And2AndTwiceForModels3And4) {
  for (int model = 1; model <= 4; ++model) {
    SCOPED_TRACE("model " + std::to_string(model));
    Rig rig(Model(model));
    ASSERT_TRUE(rig.sim.link->GetInfo());
    ASSERT_TRUE(rig.session.SetDefaults());
    ASSERT_EQ(rig.prompts.questions.size(), model <= 2 ? 1u : 2u);
    EXPECT_EQ(rig.prompts.questions[0], kDefaultsQuestion);
    if (model > 2) EXPECT_EQ(rig.prompts.questions[1], kDefaultsQuestion3);
    EXPECT_TRUE(rig.status.Has("panel", "Заводские настройки ORVANTIS " + std::to_string(model) + " установлены."));
  }
}

TEST(SetDefaults, WritesTheFactoryRegionsAndSmsKeepsThePinAndRegions1To4And6) {
  Rig rig(Model(3));
  ASSERT_TRUE(rig.sim.link->GetInfo());
  for (int k = 0; k < kRegionCount; ++k)
    if (k != kRegionSms) rig.SetUnitRegion(k, 0x33);
  const uint8_t pin[4] = {9, 8, 7, 6};
  ASSERT_TRUE(rig.Unit().WriteRom(kRegionAddr[kRegionConfig] + TConfigData::kPinOffset, pin, 4));

  ASSERT_TRUE(rig.session.SetDefaults(4095));

  TMemItems factory = CreateMemItems();
  std::vector<std::string> texts;
  ASSERT_TRUE(ReadOptionsFromStream(CreateOptStream(0x23, 18), &texts, factory).Ok());
  for (int k : {0, 7, 9, 10, 11, 12, 13, 14}) {
    const auto f = factory[k].Bytes();
    EXPECT_EQ(rig.UnitRegion(k), std::vector<uint8_t>(f.begin(), f.end())) << "region " << k;
  }
  auto five = rig.UnitRegion(kRegionConfig);
  EXPECT_EQ(std::vector<uint8_t>(five.begin() + 188, five.begin() + 192), (std::vector<uint8_t>{9, 8, 7, 6})) << "PIN kept";
  std::copy_n(factory[kRegionConfig].FData.begin() + 188, 4, five.begin() + 188);
  EXPECT_TRUE(std::equal(five.begin(), five.end(), factory[kRegionConfig].FData.begin()));
  for (int k : {1, 2, 3, 4, 6}) EXPECT_EQ(rig.UnitRegion(k), std::vector<uint8_t>(kRegionSize[k], 0x33)) << k;
  const std::vector<uint32_t> addresses = rig.WriteAddresses();
  const std::set<uint32_t> written(addresses.begin(), addresses.end());
  std::set<uint32_t> expected;
  for (int k : {0, 5, 7, 9, 10, 11, 12, 13, 14}) expected.insert(kRegionAddr[k]);
  EXPECT_EQ(written, expected);

  std::vector<uint8_t> sms(kSmsAreaSize);
  ASSERT_TRUE(rig.Unit().ReadFlash(kSmsFlashAddr, sms.data(), kSmsAreaSize));
  EXPECT_EQ(sms, BuildSmsArea(texts));
  EXPECT_EQ(rig.Unit().SaveCommands(), 1);

  EXPECT_EQ(rig.session.MemItems[kRegionConfig].FData[188], 9) << "and in memory";
  EXPECT_EQ(rig.pages.pin, (TPIN{9, 8, 7, 6})) << "and in the options page's copy";
  // The read first, so that the account gets the settings now in the unit.
  EXPECT_EQ(rig.tasks.queued, (std::vector<uint8_t>{task::kReadSettings, task::kSyncSettings}));
  EXPECT_EQ(rig.tasks.nextCalls, 1);
  EXPECT_EQ(rig.status.Finishes().back(), std::make_pair(1, std::string(kDefaultsDone)));
  EXPECT_EQ(rig.status.request, request::kWriting);
}

TEST(SetDefaults, KeepsThePinOfTheOptionsPageAfterARead) {
  Rig rig(Model(2));
  ASSERT_TRUE(rig.sim.link->GetInfo());
  ASSERT_TRUE(rig.session.ReadOptions());
  rig.pages.pin = TPIN{4, 4, 4, 4};
  rig.Unit().ClearRequests();
  ASSERT_TRUE(rig.session.SetDefaults());
  EXPECT_EQ(rig.UnitRegion(kRegionConfig)[188], 4);
  size_t readBacks = 0;
  for (int k : {0, 5, 7, 9, 10, 11, 12, 13, 14}) readBacks += (kRegionSize[k] + 184) / 185;
  EXPECT_EQ(rig.Unit().CountRequests(cmd::kMemory, cmd::kReadROM), readBacks)
      << "only the read-backs: the PIN came from the page";
}

TEST(SetDefaults, Model1OnBoard18GetsTheModel3AudioLevels) {
  for (uint8_t pcb : {uint8_t{18}, uint8_t{7}}) {
    Rig rig(Model(1, pcb));
    ASSERT_TRUE(rig.sim.link->GetInfo());
    rig.SetUnitRegion(kRegionConfig, 0);
    ASSERT_TRUE(rig.session.SetDefaults());
    const auto five = rig.UnitRegion(kRegionConfig);
    const std::vector<uint8_t> audio(five.begin() + 65, five.begin() + 69);
    EXPECT_EQ(audio, pcb == 18 ? (std::vector<uint8_t>{32, 0, 8, 8}) : (std::vector<uint8_t>{16, 26, 10, 10})) << int(pcb);
  }
}

TEST(SetDefaults, DeclinedOfflineAndSmsFailure) {
  {
    Rig rig(Model(3));
    ASSERT_TRUE(rig.sim.link->GetInfo());
    rig.prompts.answers = {Answer::kYes, Answer::kNo};
    EXPECT_FALSE(rig.session.SetDefaults());
    EXPECT_EQ(rig.prompts.questions.size(), 2u);
    EXPECT_EQ(rig.Unit().CountRequests(cmd::kMemory), 0u) << "nothing written, nothing read";
    EXPECT_EQ(rig.tasks.nextCalls, 1);
  }
  {
    Rig rig(Model(1));
    rig.sim.controller->Unplug();
    EXPECT_FALSE(rig.session.SetDefaults());
    EXPECT_TRUE(rig.status.Has("log", kOffline));
    EXPECT_TRUE(rig.prompts.questions.empty());
    EXPECT_EQ(rig.tasks.nextCalls, 1);
  }
  {
    Rig rig(Model(2));
    ASSERT_TRUE(rig.sim.link->GetInfo());
    rig.Faults("fail-erase/55.03 x*");
    EXPECT_FALSE(rig.session.SetDefaults()) << "a reset without its SMS texts is not a success";
    EXPECT_TRUE(rig.status.Has("log", kSmsNotSaved));
    EXPECT_EQ(rig.Unit().SaveCommands(), 1) << "the regions written are still applied";
    EXPECT_EQ(rig.status.Finishes(), (std::vector<std::pair<int, std::string>>{{kResError, kSmsNotSaved}}));
    EXPECT_EQ(rig.prompts.messages, std::vector<std::string>{kSmsNotSaved});
  }
  {
    Rig rig(Model(2));
    ASSERT_TRUE(rig.sim.link->GetInfo());
    rig.Faults("code/55.05 x*");  // the unit's PIN cannot be read
    EXPECT_FALSE(rig.session.SetDefaults());
    EXPECT_EQ(rig.prompts.messages, std::vector<std::string>{kPinNotRead});
    EXPECT_EQ(rig.Unit().CountRequests(cmd::kMemory, cmd::kWriteROM), 0u);
  }
}

TEST(SimulatedUnit, StartsWithTheFactorySettingsOfItsModel) {
  for (int model = 1; model <= 4; ++model) {
    sim::SimUnit unit(Model(model, 18));
    const auto stream = CreateOptStream(static_cast<uint8_t>(0x20 + model), 18);
    TMemItems factory = CreateMemItems();
    std::vector<std::string> texts;
    ASSERT_TRUE(ReadOptionsFromStream(stream, &texts, factory).Ok());
    for (int k = 0; k < kRegionCount; ++k) {
      if (k == kRegionSms) continue;
      std::vector<uint8_t> got(kRegionSize[k]);
      ASSERT_TRUE(unit.ReadRom(kRegionAddr[k], got.data(), kRegionSize[k]));
      EXPECT_TRUE(std::equal(got.begin(), got.end(), factory[k].FData.begin())) << "model " << model << " region " << k;
    }
    std::vector<uint8_t> sms(kSmsAreaSize);
    ASSERT_TRUE(unit.ReadFlash(kSmsFlashAddr, sms.data(), kSmsAreaSize));
    EXPECT_EQ(sms, BuildSmsArea(texts));
  }
}

}  // namespace
}  // namespace orv::test
