// The update procedures against a simulated unit in this process: the whole
// run, the core's failure paths, the auxiliary update and its polling, module
// staging and command 149, and a unit pulled off at each flash operation.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>

#include <nlohmann/json.hpp>

#include "device/identity.h"
#include "device/orvantis.h"
#include "settings/settings_fixtures.h"
#include "sim/sim_catalogue.h"
#include "sim/sim_firmware.h"
#include "sim/sim_hid.h"
#include "update/fw_hex.h"
#include "update/fw_tasks.h"
#include "update/fw_texts.h"

namespace orv {
namespace {

using Json = nlohmann::ordered_json;

// Short waits for the paths that would otherwise wait out the unit's limits.
UpdateTiming Quick() {
  UpdateTiming t;
  t.dropOffMs = 400;
  t.holdOfflineMs = 300;
  t.backOnlineMs = 1500;
  t.reconnectMs = 2500;
  t.auxPollPauseMs = 50;
  return t;
}

// A unit, its link with the window's plug handling, and the firmware tasks.
struct Bench {
  explicit Bench(sim::SimConfig cfg = Model(4), const std::string& faults = {}, UpdateTiming timing = {})
      : catalogue(sim::MakeCatalogue(cfg)),
        unit(std::make_shared<sim::SimUnit>(cfg)),
        controller(std::make_unique<sim::SimHidController>(unit)) {
    if (!faults.empty()) unit->Faults() = sim::FaultPlan::Parse(faults);
    link = std::make_unique<TOrvantis>(controller.get(), [this](TOrvantis*) { Plugged(); }, nullptr, nullptr);
    link->SetUseSync(false);
    FirmwareHost host;
    host.link = link.get();
    host.status = &status;
    host.prompts = &prompts;
    host.FReboot = &reboot;
    host.FRebootOK = &rebootOK;
    host.FCoreUpdatesChecked = &checked;
    host.fetchPackage = [this](bool images) {
      if (images) return setPackage.empty() ? catalogue.coreSet : setPackage;
      return getPackage.empty() ? catalogue.coreGet : getPackage;
    };
    host.queueTail = [this](uint8_t t) {
      if (std::find(queued.begin(), queued.end(), t) == queued.end()) queued.push_back(t);
    };
    host.deviceChange = [this] { DeviceChange(); };
    host.timing = timing;
    tasks = std::make_unique<FirmwareTasks>(host);
    DeviceChange();
  }
  ~Bench() {
    tasks.reset();
    link.reset();
    controller.reset();
  }
  static sim::SimConfig Model(int model) {
    sim::SimConfig c;
    c.model = model;
    c.loaderRestartMs = 150;
    c.auxUpdateMs = 300;
    return c;
  }
  void Plugged() {
    if (link && link->OnLine() && link->GetInfo() && FwStateUpdateApplied(link->BootState.CoreFwState)) rebootOK = true;
  }
  void DeviceChange() {
    if (!link->OnLine()) return;
    if (link->GetInfo()) {
      link->GetState();
      if (auto t = CoreFwStateText(link->BootState.CoreFwState)) status.Log(*t);
    }
    tasks->RefreshFromUnit();
  }
  // The check followed by the update when "Да" queued it.
  void CheckAndUpdate() {
    tasks->Check();
    ASSERT_EQ(queued, std::vector<uint8_t>{fwtask::kUpdate});
    queued.clear();
    tasks->Update();
  }
  // A package with one member of one slot changed.
  std::string Edit(const std::string& package, const char* slot, const char* build, const char* member, Json value) {
    Json j = Json::parse(package);
    j[slot][build][member] = std::move(value);
    return j.dump();
  }
  std::string CoreName() {
    const sim::SimIdentity id = unit->Identity();
    return CreateCoreName(id.coreInfo.DeviceInfo, id.coreInfo.CoreID, TextOf(id.coreInfo.TextInfo, 32));
  }
  // Only these slots need an update (rule B, or the cores' names).
  std::string Only(std::initializer_list<const char*> keys, bool images = true) {
    Json j = Json::parse(images ? catalogue.coreSet : catalogue.coreGet);
    for (const char* k : {"1", "2", "13", "12", "10", "11"})
      if (std::find_if(keys.begin(), keys.end(), [&](const char* x) { return std::string(x) == k; }) == keys.end())
        j[k]["last"] = j[k]["current"];
    for (const char* k : keys)
      if (std::string(k) == "11" || std::string(k) == "12") {
        j[k]["last"]["hardcode"] = "R9";
        j[k]["last"]["data"] = images ? EncodeHexImage(sim::BuildSimImage({k[1] == '1' ? sim::simfw::kTag : sim::simfw::kImmo,
                                                                            {}, "", std::vector<uint8_t>(300, 0x5A)}))
                                      : "";
      }
    return j.dump();
  }
  size_t Count(const std::string& text) const {
    const auto t = status.Texts("log"), p = status.Texts("panel");
    return std::count(t.begin(), t.end(), text) + std::count(p.begin(), p.end(), text);
  }

  sim::SimCatalogue catalogue;
  std::shared_ptr<sim::SimUnit> unit;
  std::unique_ptr<sim::SimHidController> controller;
  std::unique_ptr<TOrvantis> link;
  test::RecordingStatus status;
  test::ScriptedPrompts prompts;
  bool reboot = false, rebootOK = false, checked = false;
  std::vector<uint8_t> queued;
  std::string getPackage, setPackage;
  std::unique_ptr<FirmwareTasks> tasks;
};

std::string Fmt(const char* fmt, int a, int b = 0) {
  char buf[256];
  std::snprintf(buf, sizeof buf, fmt, a, b);
  return buf;
}

TEST(FirmwareRun, OldUnitIsBroughtUpToDate) {
  Bench b;
  const std::string question = UpdateQuestion(b.tasks->Catalogue());
  b.CheckAndUpdate();
  ASSERT_EQ(b.prompts.questions.size(), 1u);
  EXPECT_NE(b.prompts.questions[0].find("\r\nДополнительное ПО: core2.3"), std::string::npos);
  EXPECT_NE(b.prompts.questions[0].find("\r\nМодуль Запуска: remotestart.R8"), std::string::npos);
  EXPECT_TRUE(b.checked);
  EXPECT_EQ(b.Count("Обновление Core прошло успешно"), 1u);
  EXPECT_EQ(b.Count(fwtext::kAuxStarted), 1u);
  EXPECT_EQ(b.Count("Прошивка успешно записана во Flash-память..."), 1u);
  EXPECT_EQ(b.status.Finishes().back(), (std::pair<int, std::string>{kResOk, fwtext::kUpdateDoneResult}));
  EXPECT_EQ(b.queued, std::vector<uint8_t>{fwtask::kCheck});
  EXPECT_FALSE(b.reboot);
  EXPECT_EQ(b.CoreName(), GetCoreName(b.tasks->Catalogue()[Slot::Core1].Last));
  EXPECT_EQ(b.unit->Identity().versionDevices.RStart, 8) << "command 149 delivered the staged image";
  EXPECT_EQ(b.unit->SaveCommands(), 1);

  // One figure from 0 to 100 that never goes back.
  int last = -1;
  for (const auto& e : b.status.events)
    if (e.kind == "progress" && e.value >= 0) {
      EXPECT_GE(e.value, last);
      last = e.value;
    }
  EXPECT_EQ(last, 100);

  b.getPackage = b.catalogue.coreGetUpdated;
  b.tasks->Check();
  EXPECT_TRUE(b.status.Has("panel", fwtext::kUpToDate));
  EXPECT_EQ(b.status.Finishes().back(), (std::pair<int, std::string>{kResOk, fwtext::kUpToDateResult}));
}

TEST(FirmwareRun, DeclinedQuestionLeavesTheUnitUnchecked) {
  Bench b;
  b.prompts.answers = {Prompts::Answer::kNo};
  b.tasks->Check();
  EXPECT_TRUE(b.status.Has("log", fwtext::kDeclined));
  EXPECT_FALSE(b.checked);
  EXPECT_TRUE(b.queued.empty());
}

TEST(FirmwareRun, CheckFailures) {
  for (const std::string& package : {std::string("<html>"), std::string()}) {
    Bench b;
    b.getPackage = package;
    if (package.empty()) b.getPackage = "{\"error\": \"нет\"}";
    b.tasks->Check();
    if (package.empty()) {
      EXPECT_EQ(b.Count("нет"), 6u);
      EXPECT_TRUE(b.status.Has("panel", fwtext::kUpToDate)) << "nothing to update";
    } else {
      EXPECT_TRUE(b.status.Has("panel", fwtext::kCheckError));
      EXPECT_EQ(b.status.Finishes().back(), (std::pair<int, std::string>{kResError, fwtext::kCheckErrorResult}));
      EXPECT_EQ(b.prompts.messages.size(), 1u);
    }
  }
}

TEST(FirmwareRun, ImageFailingItsCheckWritesNothing) {
  Bench b;
  b.setPackage = b.Edit(b.catalogue.coreSet, "1", "last", "data", "0G12");
  b.CheckAndUpdate();
  EXPECT_EQ(b.unit->CountRequests(0x55, 0x03) + b.unit->CountRequests(0x55, 0x02), 0u);
  EXPECT_EQ(b.prompts.messages, std::vector<std::string>{fwtext::kIntegrityError});
  const auto f = b.status.Finishes();
  ASSERT_GE(f.size(), 2u);
  EXPECT_EQ(f[f.size() - 2], (std::pair<int, std::string>{kResError, fwtext::kUpdateErrorResult}));
  EXPECT_EQ(f.back(), (std::pair<int, std::string>{kResError, fwtext::kCheckErrorResult}));
  EXPECT_EQ(b.queued, std::vector<uint8_t>{fwtask::kCheck}) << "a new check follows a failed run too";
  EXPECT_FALSE(b.reboot);
}

TEST(CoreUpdate, ReplyCodesAndLoaderFailures) {
  struct Case {
    const char* faults;
    std::string text;
    bool commandSent;
  };
  const Case cases[] = {
      {"update-code=127/55.08", "Ошибка: $7F", true},
      {"update-code=0/55.08", fwtext::kCode0, true},
      {"update-code=1/55.08", fwtext::kCode1, true},
      {"update-code=2/55.08", fwtext::kCode2, true},
      {"update-code=4/55.08", fwtext::kCode4, true},
      {"update-code=255/55.08", fwtext::kCode255, true},
      {"drop/55.08 x*", fwtext::kCode254, true},
      {"refuse-unlock/55.01", fwtext::kLoaderNotStarted, false},
      {"refuse-unlock=3/55.01@2", fwtext::kLoaderNotStarted, false},  // the loader restarted but refuses
      {"restart=20000/55.01", fwtext::kLoaderNotStarted, false},      // the loader never comes back
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.faults);
    Bench b(Bench::Model(4), c.faults, Quick());
    b.link->SetTimeoutScale(2);
    b.setPackage = b.Only({"1"});
    b.getPackage = b.Only({"1"}, false);
    b.CheckAndUpdate();
    EXPECT_EQ(b.Count(c.text), 1u);
    EXPECT_EQ(b.unit->CountRequests(0x55, 0x08) > 0, c.commandSent);
    EXPECT_TRUE(b.status.Has("finish", fwtext::kNotFinished));
    EXPECT_EQ(b.status.Finishes().back(), (std::pair<int, std::string>{kResError, fwtext::kUpdateErrorResult}));
    EXPECT_FALSE(b.reboot);
    EXPECT_EQ(b.queued, std::vector<uint8_t>{fwtask::kCheck});
  }
}

TEST(CoreUpdate, LoaderPaths) {
  {  // Already in the loader: no restart.
    Bench b(Bench::Model(3), "refuse-unlock=1/55.01");
    FirmwareUpdater u({*b.link, b.status, b.reboot, b.rebootOK, {}});
    EXPECT_TRUE(u.SetBootMode());
    EXPECT_FALSE(b.status.Has("log", fwtext::kLoaderStart));
    EXPECT_EQ(b.unit->CountRequests(0x55, 0x01), 1u);
  }
  {  // A unit that stays on the bus is forced offline, re-opened and carries on.
    Bench b(Bench::Model(3), "refuse-unlock=2/55.01@1,refuse-unlock=1/55.01@2", Quick());
    int buttonOff = 0, buttonOn = 0;
    FirmwareUpdater u({*b.link, b.status, b.reboot, b.rebootOK, [&](bool on) { ++(on ? buttonOn : buttonOff); }},
                      Quick());
    EXPECT_TRUE(u.SetBootMode());
    for (const char* t : {fwtext::kLoaderStart, fwtext::kNotDisconnected, fwtext::kSwitchingOff, fwtext::kSwitchingOn,
                          fwtext::kSwitchedOn})
      EXPECT_TRUE(b.status.Has("log", t)) << t;
    EXPECT_EQ(buttonOff, 1);
    EXPECT_EQ(buttonOn, 1);
  }
  {  // Empty image: nothing staged, the loader still asked and the command sent with size 0.
    Bench b(Bench::Model(3));
    FirmwareUpdater u({*b.link, b.status, b.reboot, b.rebootOK, {}});
    EXPECT_FALSE(u.UploadFW(8, {}));
    EXPECT_EQ(b.unit->CountRequests(0x55, 0x02) + b.unit->CountRequests(0x55, 0x03), 0u);
    EXPECT_EQ(b.unit->CountRequests(0x55, 0x08), 1u);
    EXPECT_TRUE(b.status.Has("log", fwtext::kCode255)) << "the simulated loader refuses size 0";
    EXPECT_FALSE(b.reboot);
  }
}

TEST(CoreUpdate, IntegrityErrorReportedAtEveryConnection) {
  sim::SimConfig cfg = Bench::Model(3);
  Bench b(cfg);
  sim::SimIdentity id = b.unit->Identity();
  id.bootState.CoreFwState = 0x80;
  b.unit->SetIdentity(id);
  b.DeviceChange();
  b.DeviceChange();
  EXPECT_EQ(b.Count("Ошибка целостности Core прошивки"), 2u);
}

TEST(AuxUpdate, Table) {
  struct Case {
    const char* faults;
    int auxMs;
    bool ok;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"update-code=7/bc", 0, false, {Fmt(fwtext::kAuxStartError, 7)}},
      {"drop/bc", 0, false, {fwtext::kAuxNoReply}},
      {"update-code=515/ba x*", 0, false, {Fmt(fwtext::kAuxResultSub, 3, 2)}},
      {"update-code=12/ba x*", 0, false, {Fmt(fwtext::kAuxResult, 12)}},
      {"drop/ba x*", 0, false, std::vector<std::string>(3, fwtext::kAuxPollNoReply)},
      {"drop/ba x2", 700, true, std::vector<std::string>(2, fwtext::kAuxPollNoReply)},
      {"fail-erase/55.03 x*", 0, false, {fwtext::kAuxEraseError}},
      {"fail-write/55.02@3 x*", 0, false, {fwtext::kAuxWriteError}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.faults);
    sim::SimConfig cfg = Bench::Model(3);
    cfg.auxUpdateMs = c.auxMs;
    UpdateTiming t = Quick();
    t.auxPollPauseMs = 150;
    Bench b(cfg, c.faults, t);
    b.link->SetTimeoutScale(2);
    FirmwareUpdater u({*b.link, b.status, b.reboot, b.rebootOK, {}}, t);
    const auto image = sim::BuildSimImage({sim::simfw::kAux, {}, "Release3", std::vector<uint8_t>(9000, 1)});
    EXPECT_EQ(u.UploadFW2(188, image), c.ok);
    std::vector<std::string> errors;
    for (const auto& l : b.status.Texts("log"))
      if (l != fwtext::kAuxStarted) errors.push_back(l);
    EXPECT_EQ(errors, c.lines);
    EXPECT_FALSE(b.reboot);
    if (c.ok) EXPECT_GE(b.unit->CountRequests(186), 4u) << "two unanswered, then busy, then done";
  }
}

TEST(AuxUpdate, RefusedInTheLoader) {
  Bench b(Bench::Model(3));
  b.link->State.WorkMode = 0x10;
  FirmwareUpdater u({*b.link, b.status, b.reboot, b.rebootOK, {}});
  EXPECT_FALSE(u.UploadFW2(188, {1, 2, 3}));
  EXPECT_TRUE(b.status.Has("log", fwtext::kInLoader));
  EXPECT_EQ(b.unit->CountRequests(0x55), 0u);
}

TEST(ModuleStaging, OnlyWhatNeedsAnUpdateAndOne149) {
  {
    Bench b(Bench::Model(3));
    b.setPackage = b.Only({"11"});
    b.getPackage = b.Only({"11"}, false);
    b.unit->ClearRequests();
    b.CheckAndUpdate();
    const auto writes = b.unit->Requests();
    size_t staged = 0;
    for (const auto& r : writes)
      if (r.Sub() == 0x02) {
        EXPECT_EQ((r.payload[1] << 24) | (r.payload[2] << 16), 0x160000);
        ++staged;
      }
    EXPECT_EQ(staged, 1u);
    EXPECT_EQ(b.unit->SaveCommands(), 1);
    EXPECT_EQ(b.status.Finishes().back().second, fwtext::kUpdateDoneResult);
  }
  {
    Bench b(Bench::Model(3));
    b.setPackage = b.Only({"1"});
    b.getPackage = b.Only({"1"}, false);
    b.CheckAndUpdate();
    EXPECT_EQ(b.unit->SaveCommands(), 0) << "no module staged, no 149";
  }
}

// A failed write is only logged, yet the run does not end as a success.
TEST(ModuleStaging, WriteFailureIsNotASuccess) {
  Bench b(Bench::Model(3), "fail-write/55.02 x*");
  b.link->SetTimeoutScale(2);
  b.setPackage = b.Only({"13"});
  b.getPackage = b.Only({"13"}, false);
  b.CheckAndUpdate();
  EXPECT_TRUE(b.status.Has("log", fwtext::kModuleWriteError));
  EXPECT_FALSE(b.status.Has("finish", fwtext::kNotFinished));
  EXPECT_EQ(b.unit->SaveCommands(), 0);
  EXPECT_EQ(b.status.Finishes().back(), (std::pair<int, std::string>{kResError, fwtext::kUpdateErrorResult}));
}

// The unit is pulled off at each flash operation of the start module's
// staging in turn: the run fails, and once plugged back a second run succeeds.
TEST(ModuleStaging, UnpluggedAtEachFlashOperation) {
  sim::SimConfig cfg = Bench::Model(4);
  const size_t ops = 1 + 7;  // one erase, seven writes of 2048 bytes
  for (size_t n = 1; n <= ops; ++n) {
    SCOPED_TRACE(n);
    Bench b(cfg, n == 1 ? "unplug/55.03" : "unplug/55.02@" + std::to_string(n - 1), Quick());
    b.link->SetTimeoutScale(2);
    b.setPackage = b.Only({"13"});
    b.getPackage = b.Only({"13"}, false);
    b.CheckAndUpdate();
    EXPECT_EQ(b.status.Finishes().back(), (std::pair<int, std::string>{kResError, fwtext::kUpdateErrorResult}));
    EXPECT_EQ(b.unit->SaveCommands(), 0);

    b.controller->Plug();
    b.link->ProcessHIDMessages();
    ASSERT_TRUE(b.link->OnLine() || (b.link->WaitForNotice(1000), b.link->ProcessHIDMessages(), b.link->OnLine()));
    b.queued.clear();
    b.status.events.clear();
    b.CheckAndUpdate();
    EXPECT_EQ(b.status.Finishes().back(), (std::pair<int, std::string>{kResOk, fwtext::kUpdateDoneResult}));
    EXPECT_EQ(b.unit->Identity().versionDevices.RStart, 8);
  }
}

// The same for the core's staging, which is some fifty flash operations
// before the unit enters its loader: the first erase, the first, a middle and
// the last write. The failed run must not start the loader with a partly
// staged image, and the retry stages it again from the start.
TEST(CoreStaging, UnpluggedAtFlashOperationsThenRetried) {
  sim::SimConfig cfg = Bench::Model(4);
  size_t writes = 0;
  std::string coreAfter;
  {
    Bench clean(cfg, {}, Quick());
    clean.setPackage = clean.Only({"1"});
    clean.getPackage = clean.Only({"1"}, false);
    const std::string before = clean.CoreName();
    clean.unit->ClearRequests();
    clean.CheckAndUpdate();
    ASSERT_EQ(clean.status.Finishes().back(), (std::pair<int, std::string>{kResOk, fwtext::kUpdateDoneResult}));
    writes = clean.unit->CountRequests(0x55, 0x02);
    coreAfter = clean.CoreName();
    ASSERT_NE(coreAfter, before) << "the update changes the core";
  }
  ASSERT_GT(writes, 10u);
  for (const std::string& fault : {std::string("unplug/55.03"), std::string("unplug/55.02"),
                                   "unplug/55.02@" + std::to_string(writes / 2), "unplug/55.02@" + std::to_string(writes - 1)}) {
    SCOPED_TRACE(fault);
    Bench b(cfg, fault, Quick());
    b.link->SetTimeoutScale(2);
    b.setPackage = b.Only({"1"});
    b.getPackage = b.Only({"1"}, false);
    const std::string coreBefore = b.CoreName();
    b.unit->ClearRequests();
    b.CheckAndUpdate();
    EXPECT_EQ(b.status.Finishes().back(), (std::pair<int, std::string>{kResError, fwtext::kUpdateErrorResult}));
    EXPECT_FALSE(b.reboot) << "no loader for a partly staged core";
    EXPECT_EQ(b.CoreName(), coreBefore);

    b.controller->Plug();
    b.link->ProcessHIDMessages();
    ASSERT_TRUE(b.link->OnLine() || (b.link->WaitForNotice(1000), b.link->ProcessHIDMessages(), b.link->OnLine()));
    b.queued.clear();
    b.status.events.clear();
    b.unit->ClearRequests();
    b.CheckAndUpdate();
    EXPECT_EQ(b.status.Finishes().back(), (std::pair<int, std::string>{kResOk, fwtext::kUpdateDoneResult}));
    EXPECT_EQ(b.unit->CountRequests(0x55, 0x02), writes) << "the retry stages the whole image";
    EXPECT_EQ(b.CoreName(), coreAfter);
  }
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

TEST(Connection, UnitSideOfTheCatalogue) {
  {  // No auxiliary processor: no name, its error byte not reported.
    Bench b(Bench::Model(1));
    EXPECT_EQ(b.tasks->Catalogue()[Slot::Core2].Burned, "?");
    EXPECT_EQ(b.Count("Информация о прошивке MPU2 не доступна"), 0u);
    EXPECT_EQ(b.tasks->Catalogue()[Slot::Core1].Burned, b.CoreName());
  }
  {  // A damaged auxiliary firmware; no Hestor paired.
    Bench b(Bench::Model(3));
    sim::SimIdentity id = b.unit->Identity();
    id.boot2Rec.FwError = 3;
    id.versionDevices.Hestor = 0;
    b.unit->SetIdentity(id);
    b.tasks->Catalogue()[Slot::CoreValetRF].Online = true;
    b.DeviceChange();
    const TCoreFW& fw = b.tasks->Catalogue();
    EXPECT_TRUE(fw[Slot::Core2].Corrupted);
    EXPECT_EQ(b.Count("Ошибка целостности прошивки MPU2"), 1u);
    EXPECT_FALSE(fw[Slot::CoreValetRF].Online);
    EXPECT_EQ(fw[Slot::CoreValetRF].Burned, "?");
    EXPECT_NE(b.tasks->CanFwInfo(), "?");
    // The names match the latest builds, yet the damaged firmware is offered again.
    b.getPackage = b.catalogue.coreGetUpdated;
    b.tasks->Check();
    EXPECT_TRUE(fw[Slot::Core2].NeedUpdate);
    EXPECT_FALSE(fw[Slot::CoreRS].NeedUpdate);
  }
}

}  // namespace
}  // namespace orv
