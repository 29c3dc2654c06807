// CAN firmware and self-update against the simulated server (its own data
// folder, or a crafted one) and an orvantis-sim unit: can list and can write
// through the CLI, bad server data, the release check, the replacement of the
// program, and the installation manual.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "server/can_firmware.h"
#include "server/http_client.h"
#include "server/release_update.h"
#include "settings/settings_fixtures.h"
#include "sim/sim_server.h"
#include "support/process.h"
#include "support/test_link.h"

namespace orv {
namespace {

namespace fs = std::filesystem;
using test::Background;
using test::RunCli;

bool Has(const std::string& out, const std::string& text) { return out.find(text) != std::string::npos; }

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}
void Put(const std::string& path, const std::string& text) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

// One server on the project's data folder for the whole suite, and one on a
// crafted folder per test where needed.
class ContentServer : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new sim::SimServer(sim::ServerConfig{});
    std::string error;
    ASSERT_TRUE(server_->Start(error)) << error;
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }
  std::unique_ptr<sim::SimServer> Crafted(const std::string& dir) {
    sim::ServerConfig cfg;
    cfg.dataDir = dir;
    auto s = std::make_unique<sim::SimServer>(cfg);
    std::string error;
    EXPECT_TRUE(s->Start(error)) << error;
    return s;
  }
  test::RunResult Cli(const sim::SimServer& s, std::vector<std::string> args, const std::string& bus = {}) {
    std::vector<std::string> all = {"--server", s.Url(), "--ca", s.CaFile()};
    if (!bus.empty()) all.insert(all.end(), {"--bus", bus});
    all.insert(all.end(), args.begin(), args.end());
    return RunCli(all);
  }
  static sim::SimServer* server_;
  test::TempDir tmp_;
};
sim::SimServer* ContentServer::server_ = nullptr;

TEST_F(ContentServer, CanListLevels) {
  const auto makes = Cli(*server_, {"can", "list"});
  ASSERT_EQ(makes.exitCode, 0) << makes.out << makes.err;
  EXPECT_TRUE(Has(makes.out, "Ardena\nKiravo\nVeltra\n")) << makes.out;
  EXPECT_FALSE(Has(makes.out, "Zentro")) << "an entry without firmware adds no make";
  EXPECT_TRUE(Has(Cli(*server_, {"can", "list", "--make", "kiravo"}).out, "Ceed\nSorenta\n"));
  EXPECT_TRUE(Has(Cli(*server_, {"can", "list", "--make", "Kiravo", "--model", "Ceed"}).out, "-\n"));
  const auto fw = Cli(*server_, {"can", "list", "--make", "Kiravo", "--model", "Sorenta", "--period", "2012-2015"});
  EXPECT_TRUE(Has(fw.out, "Доступна CAN-прошивка:\n1017\tKiravo Sorenta [KIR-17]\n")) << fw.out;
  EXPECT_TRUE(Has(fw.out, "Штатная сигнализация, замок по CAN. Подключение к разъему B2.")) << fw.out;
  EXPECT_TRUE(Has(fw.out, "/files/manuals/kiravo-sorenta.pdf")) << fw.out;
  EXPECT_FALSE(Has(fw.out, "KIR-18")) << "[REM] and the repeated period are not offered";
  EXPECT_EQ(Cli(*server_, {"can", "list", "--make", "Nope"}).exitCode, 1);
}

TEST_F(ContentServer, CanWriteRestartsReadsAndNotices) {
  const std::string bus = tmp_.File("bus");
  Background unit(test::SimPath(), {"unit", "--bus", bus, "--model", "3", "--loader-ms", "300"});
  ASSERT_TRUE(unit.WaitForOutput("plugged: ", 5000)) << unit.Err();

  const auto r = Cli(*server_, {"can", "write", "1017", "--yes"}, bus);
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
  for (const char* t : {can_text::kReceived, can_text::kUpdating, can_text::kDone, "Результат: OK, Настройки прочитаны",
                        "Загруженная CAN-прошивка содержит дополнительные настройки."})
    EXPECT_TRUE(Has(r.out + r.err, t)) << t << "\n" << r.out << r.err;

  // A firmware without settings of its own: no notice.
  const auto plain = Cli(*server_, {"can", "write", "1018", "--yes"}, bus);
  EXPECT_EQ(plain.exitCode, 1) << "1018 is only offered with a [REM] description";
  const auto other = Cli(*server_, {"can", "write", "3100", "--yes"}, bus);
  EXPECT_EQ(other.exitCode, 0) << other.out << other.err;
  EXPECT_TRUE(Has(other.out, can_text::kDone)) << other.out;
  EXPECT_FALSE(Has(other.out + other.err, "дополнительные настройки")) << other.out;

  // Bad bodies: empty, and one failing its integrity check.
  const auto empty = Cli(*server_, {"can", "write", "9001", "--yes"}, bus);
  EXPECT_EQ(empty.exitCode, 1);
  EXPECT_TRUE(Has(empty.out, can_text::kEmptyBody)) << empty.out;
  EXPECT_TRUE(Has(empty.out, std::string("ОШИБКА, ") + can_text::kFetchFailed)) << empty.out;
  const auto broken = Cli(*server_, {"can", "write", "9002", "--yes"}, bus);
  EXPECT_EQ(broken.exitCode, 1);
  EXPECT_TRUE(Has(broken.out, std::string("ОШИБКА, ") + can_text::kFetchFailed)) << broken.out;
  EXPECT_FALSE(Has(broken.out, "Ошибка 200")) << broken.out;
}

TEST_F(ContentServer, BadCanListsAreRefused) {
  for (const char* body : {R"("not a list")", R"([{"b":"B","m":"M","y":"Y"}])"}) {
    Put(tmp_.File("data/can-list.json"), body);
    auto s = Crafted(tmp_.File("data"));
    const auto r = Cli(*s, {"can", "list"});
    EXPECT_EQ(r.exitCode, 1) << body;
    EXPECT_TRUE(Has(r.out, can_text::kListFailed)) << r.out;
    EXPECT_TRUE(Has(r.out + r.err, std::string("ОШИБКА, ") + can_text::kBadReply)) << r.out << r.err;
  }
}

TEST_F(ContentServer, SelfUpdateCheck) {
  const auto r = Cli(*server_, {"self-update", "check"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "Новейшая версия: 1.1 от 01.12.2026\nУстановлена: 1.0\nДоступно обновление\n")) << r.out;
  EXPECT_TRUE(Has(r.out, "1.1 (01.12.2026):\n")) << r.out;
  EXPECT_TRUE(Has(r.out, "История изменений:\n1.0 (01.10.2026):\nПервый выпуск для Linux.\n0.9.3 (15.08.2026)")) << r.out;

  Put(tmp_.File("holes/configurator-get.json"), R"({"0":{"varhigh":1,"vermid":1,"verlow":0,"file":"f","desc":"","date":""},"2":{}})");
  auto s = Crafted(tmp_.File("holes"));
  const auto bad = Cli(*s, {"self-update", "check"});
  EXPECT_EQ(bad.exitCode, 1);
  EXPECT_TRUE(Has(bad.out, release_text::kListFailed)) << bad.out;
  EXPECT_TRUE(Has(bad.out, release_text::kCheckFailed)) << bad.out;
}

// The window's self-update run with a copy of a program in a folder of the test.
struct SelfUpdateRun {
  explicit SelfUpdateRun(sim::SimServer& s, const std::string& exe)
      : http(server::ServerOptions{s.Url(), s.CaFile()}) {
    ReleaseHost host;
    host.http = &http;
    host.status = &status;
    host.prompts = &prompts;
    host.v1 = 1;
    host.askForUpdate = [this](const selfupdate::TSelfVersion&) { return accept; };
    host.queueHead = [this](uint8_t t) { queued.push_back(t); };
    host.next = [this] { ++released; };
    host.readSettings = [this] { ++readSettings; };
    host.exePath = exe;
    host.storeInstancesAllowed = [this](int n) { instances = n; };
    host.startAndQuit = [this](const std::string& p) {
      started = p;
      return true;
    };
    update = std::make_unique<SelfUpdate>(host);
  }
  server::HttpClient http;
  test::RecordingStatus status;
  test::ScriptedPrompts prompts;
  std::unique_ptr<SelfUpdate> update;
  bool accept = true;
  std::vector<uint8_t> queued;
  int released = 0, readSettings = 0, instances = 1;
  std::string started;
};

TEST_F(ContentServer, SelfUpdateDeclinedAndAccepted) {
  const std::string exe = tmp_.File("bin/orvantis-configurator");
  Put(exe, "#!/bin/sh\necho old\n");
  {
    SelfUpdateRun run(*server_, exe);
    run.accept = false;
    EXPECT_TRUE(run.update->CheckTask());
    EXPECT_TRUE(run.status.Has("finish", release_text::kDeclined));
    EXPECT_TRUE(run.status.Has("panel", release_text::kNotUpdated));
    EXPECT_TRUE(run.queued.empty());
    EXPECT_EQ(run.released, 1);
  }
  SelfUpdateRun run(*server_, exe);
  ASSERT_TRUE(run.update->CheckTask());
  ASSERT_EQ(run.queued, std::vector<uint8_t>{selftask::kDownload});
  ASSERT_TRUE(run.update->DownloadTask());
  EXPECT_TRUE(Has(Slurp(exe), "orvantis-configurator 1.1.0")) << Slurp(exe);
  EXPECT_EQ(Slurp(exe + ".old"), "#!/bin/sh\necho old\n");
  struct stat st {};
  ASSERT_EQ(::stat(exe.c_str(), &st), 0);
  EXPECT_TRUE(st.st_mode & S_IXUSR);
  EXPECT_EQ(run.instances, 2);
  EXPECT_EQ(run.started, exe);
  const auto out = test::Run(exe, {});
  EXPECT_EQ(out.out, "orvantis-configurator 1.1.0 \n") << "the new copy runs";
  EXPECT_TRUE(run.status.Has("panel", release_text::kDownloaded));
}

TEST_F(ContentServer, SelfUpdateEmptyBodyAndReadOnlyFolder) {
  Put(tmp_.File("d/configurator-get.json"),
      R"({"0":{"varhigh":9,"vermid":0,"verlow":0,"file":"{{BASE}}/files/empty","desc":"","date":""}})");
  Put(tmp_.File("d/empty"), "");
  auto s = Crafted(tmp_.File("d"));
  const std::string exe = tmp_.File("bin/prog");
  Put(exe, "old");
  {
    SelfUpdateRun run(*s, exe);
    ASSERT_TRUE(run.update->CheckTask());
    EXPECT_FALSE(run.update->DownloadTask());
    EXPECT_TRUE(run.status.Has("panel", release_text::kNotUpdated));
    EXPECT_EQ(run.readSettings, 1) << "the settings are read instead";
    EXPECT_EQ(Slurp(exe), "old");
  }
  // A folder the program cannot write to (here: one that does not exist, so
  // the test holds as root too): the manual-save question; "Нет" leaves
  // everything as it was.
  const std::string missing = tmp_.File("missing/prog");
  SelfUpdateRun run(*server_, missing);
  run.prompts.answers = {Prompts::Answer::kNo};
  ASSERT_TRUE(run.update->CheckTask());
  EXPECT_FALSE(run.update->DownloadTask());
  ASSERT_EQ(run.prompts.questions.size(), 1u);
  EXPECT_EQ(run.prompts.questions[0], "Невозможно сохранить файл\r\n" + missing + "\r\nХотите сохранить файл вручную?");
  EXPECT_FALSE(fs::exists(missing));
  EXPECT_TRUE(run.status.Has("panel", release_text::kNotUpdated));
  EXPECT_TRUE(run.started.empty());
}

// Saves into the folder the test chose, under the proposed name.
class SaveInto final : public Prompts {
 public:
  explicit SaveInto(std::string dir) : dir_(std::move(dir)) {}
  Answer WarningDialog(const std::string&, const std::vector<std::string>&) override { return Answer::kNo; }
  void MessageBox(const std::string&) override {}
  std::string ChooseOpenFile(const std::string&, const std::string&) override { return {}; }
  std::string ChooseSaveFile(const std::string&, const std::string&, const std::string& name) override {
    proposed = name;
    return dir_ + "/" + name;
  }
  std::string proposed;

 private:
  std::string dir_;
};

TEST_F(ContentServer, ManualSavedInsideTheChosenFolder) {
  server::HttpClient http(server::ServerOptions{server_->Url(), server_->CaFile()});
  test::RecordingStatus status;
  const std::string dir = tmp_.File("manuals");
  fs::create_directories(dir);
  SaveInto prompts(dir);
  std::string opened;
  ASSERT_TRUE(HttpGetPDF(http, status, prompts, server_->Url() + "/files/manuals/ardena-q5.pdf", true,
                         "../../Ardena Q5 analog [ARD-40]", true, [&](const std::string& p) { opened = p; }));
  EXPECT_EQ(prompts.proposed, "Техкарта .._.._Ardena Q5 analog [ARD-40].pdf");
  EXPECT_EQ(opened, dir + "/" + prompts.proposed);
  EXPECT_EQ(Slurp(opened).rfind("%PDF-", 0), 0u);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
  ASSERT_TRUE(HttpGetPDF(http, status, prompts, server_->Url() + "/files/manuals/ardena-q5.pdf", false, "x", false, {}));
  EXPECT_EQ(prompts.proposed, "tech_manual_add.pdf");
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

// Task 4's early ends: no firmware chosen, no unit, a server that has no such
// firmware (HTTP 404); each releases the queue with its texts.
TEST_F(ContentServer, CanWriteEarlyEnds) {
  test::SimLink sim;
  server::HttpClient http(server::ServerOptions{server_->Url(), server_->CaFile()});
  test::RecordingStatus status;
  test::ScriptedPrompts prompts;
  bool reboot = false, rebootOK = false;
  int released = 0;
  CanHost host;
  host.status = &status;
  host.prompts = &prompts;
  host.http = &http;
  host.FReboot = &reboot;
  host.FRebootOK = &rebootOK;
  host.next = [&] { ++released; };
  CanFirmware noUnit(host);
  EXPECT_FALSE(noUnit.Task4());
  EXPECT_TRUE(status.Has("finish", can_text::kChooseFirst));
  ASSERT_TRUE(noUnit.HttpGetCanList());
  ASSERT_TRUE(can::ChooseByNames(noUnit.Choice(), "Kiravo", "Sorenta", "2012-2015"));
  EXPECT_FALSE(noUnit.Task4());
  EXPECT_TRUE(status.Has("log", can_text::kNoUnit));
  EXPECT_TRUE(status.Has("finish", can_text::kNoUnitResult));
  EXPECT_EQ(released, 2);

  host.link = sim.link.get();
  CanFirmware missing(host);
  ASSERT_TRUE(missing.HttpGetCanList());
  ASSERT_TRUE(can::ChooseByNames(missing.Choice(), "Ardena", "Q5", "2016-"));
  // The server folder has 2040 and 2041 only; ask for one it lacks.
  missing.Choice().FCanId = "4040";
  EXPECT_FALSE(missing.Task4());
  EXPECT_TRUE(status.Has("panel", "Ошибка 404 при получении CAN-прошивки.")) << testing::PrintToString(status.Texts("panel"));
  EXPECT_TRUE(status.Has("finish", can_text::kFetchFailed));
  EXPECT_EQ(released, 3);
  EXPECT_EQ(sim.unit->CountRequests(0x55, 0x02), 0u) << "nothing written";
}

}  // namespace
}  // namespace orv
