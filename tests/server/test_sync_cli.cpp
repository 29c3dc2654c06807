// sync and apply through the CLI against an orvantis-sim unit and the
// simulated server: the recorded request is the form part and what
// `export --sync` prints, and each reply decides whether the unit is written
// and how the command exits.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <regex>

#include "server/api.h"
#include "server/sync_request.h"
#include "server_fixture.h"

namespace orv {
namespace {

namespace fs = std::filesystem;
using test::Background;
using test::ReadText;

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The "sdate" member is the moment of each run.
std::string WithoutDate(const std::string& json) {
  return std::regex_replace(json, std::regex(R"("sdate":\{[^}]*\})"), "\"sdate\":{}");
}

class SyncCli : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* cache = std::getenv("XDG_CACHE_HOME");
    savedCache_ = cache ? std::optional<std::string>(cache) : std::nullopt;
    ::setenv("XDG_CACHE_HOME", tmp_.File("cache").c_str(), 1);
    bus_ = tmp_.File("bus");
    unit_ = std::make_unique<Background>(test::SimPath(),
                                         std::vector<std::string>{"unit", "--bus", bus_, "--model", "3", "--serial", "1234"});
    ASSERT_TRUE(unit_->WaitForOutput("plugged: ", 5000)) << unit_->Err();
  }
  void TearDown() override {
    unit_.reset();
    if (savedCache_) ::setenv("XDG_CACHE_HOME", savedCache_->c_str(), 1);
    else ::unsetenv("XDG_CACHE_HOME");
  }
  std::unique_ptr<sim::SimServer> Server(const std::string& record, std::optional<std::string> reply = std::nullopt,
                                         int status = 200) {
    sim::ServerConfig cfg;
    cfg.recordDir = record;
    cfg.cfgReply = std::move(reply);
    cfg.cfgStatus = status;
    auto s = std::make_unique<sim::SimServer>(cfg);
    std::string error;
    EXPECT_TRUE(s->Start(error)) << error;
    return s;
  }
  test::RunResult Cli(const std::string& url, const std::string& ca, std::vector<std::string> args) {
    std::vector<std::string> all{"--bus", bus_, "--server", url};
    if (!ca.empty()) all.insert(all.end(), {"--ca", ca});
    all.insert(all.end(), args.begin(), args.end());
    return test::RunCli(all);
  }
  // Region 5 (the main settings block) as the unit holds it.
  std::string UnitRegion5() { return test::RunCli({"--bus", bus_, "dump", "5"}).out; }

  test::TempDir tmp_;
  std::string bus_;
  std::unique_ptr<Background> unit_;
  std::optional<std::string> savedCache_;
};

TEST_F(SyncCli, RequestIsTheFormPartAndTheExportOfTheSettings) {
  auto server = Server(tmp_.File("rec"));
  const auto r = Cli(server->Url(), server->CaFile(), {"sync", "--unit"});
  ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_TRUE(Has(r.out, sync_text::kSynced)) << r.out;

  const auto exported = test::RunCli({"--bus", bus_, "export", "--unit", "--sync"});
  ASSERT_EQ(exported.exitCode, 0) << exported.err;
  std::string json = exported.out;
  ASSERT_FALSE(json.empty());
  json.pop_back();  // the line end of the listing
  const std::string body = ReadText(tmp_.File("rec/0001-cfg-set.body"));
  const std::string form = SyncFormPart(1234);
  ASSERT_EQ(body.compare(0, form.size(), form), 0) << body.substr(0, 400);
  EXPECT_TRUE(Has(form, "name=\"serial\"\r\n\r\n0000001234\r\n"));
  EXPECT_EQ(WithoutDate(body), WithoutDate(SyncBody(1234, json)));
  EXPECT_TRUE(Has(ReadText(tmp_.File("rec/0001-cfg-set.meta")),
                  std::string("\nContent-Type: ") + kSyncContentType + "\n"));
  EXPECT_EQ(ReadText(tmp_.File("cache/OrvantisConfigurator/json_req.txt")), body);

  // A settings file is sent the same way: its own JSON, the unit's serial.
  ASSERT_EQ(test::RunCli({"--bus", bus_, "read", "-o", tmp_.File("unit.vesnar")}).exitCode, 0);
  ASSERT_EQ(test::RunCli({"set", tmp_.File("unit.vesnar"), "-o", tmp_.File("edit.vesnar"), "tbAlarmTime=30"}).exitCode, 0);
  ASSERT_EQ(Cli(server->Url(), server->CaFile(), {"sync", tmp_.File("edit.vesnar")}).exitCode, 0);
  const std::string second = ReadText(tmp_.File("rec/0002-cfg-set.body"));
  EXPECT_TRUE(Has(second, "\"alarmtime\":30,")) << second.substr(0, 600);
  EXPECT_EQ(second.compare(0, form.size(), form), 0);
}

// apply: what each reply does to the unit and to the exit code.
TEST_F(SyncCli, ApplyTable) {
  ASSERT_EQ(test::RunCli({"--bus", bus_, "read", "-o", tmp_.File("orig.vesnar")}).exitCode, 0);
  ASSERT_EQ(test::RunCli({"set", tmp_.File("orig.vesnar"), "-o", tmp_.File("edit.vesnar"), "tbAlarmTime=30"}).exitCode, 0);
  const std::string before = UnitRegion5();
  struct Case {
    const char* name;
    std::optional<std::string> reply;
    int status;
    bool network;  // a server that is not there
    int exitCode;
    bool written;
    std::string says;
  } cases[] = {
      {"accepted", R"({"ok":1})", 200, false, 0, true, sync_text::kSynced},
      {"refused", R"({"ok":0})", 200, false, 1, false, sync_text::kRefused},
      {"\"1\" is not the number", R"({"ok":"1"})", 200, false, 1, false, sync_text::kRefused},
      {"not JSON", "<html>busy</html>", 200, false, 5, true, "<html>busy</html>"},
      {"HTTP 500", R"({"ok":1})", 500, false, 5, true, server::ErrorReportLine(500, "Internal Server Error")},
      {"no server", std::nullopt, 200, true, 5, true, "Ошибка при выполнении запроса #111: "},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(test::RunCli({"--bus", bus_, "write", tmp_.File("orig.vesnar")}).exitCode, 0);
    ASSERT_EQ(UnitRegion5(), before);
    const std::string rec = tmp_.File("rec" + std::to_string(++n));
    auto server = Server(rec, c.reply, c.status);
    const auto r = c.network ? Cli("https://127.0.0.1:1", "", {"apply", tmp_.File("edit.vesnar")})
                             : Cli(server->Url(), server->CaFile(), {"apply", tmp_.File("edit.vesnar")});
    EXPECT_EQ(r.exitCode, c.exitCode) << r.out << r.err;
    EXPECT_TRUE(Has(r.out + r.err, c.says)) << r.out << r.err;
    EXPECT_EQ(UnitRegion5() != before, c.written);
    if (!c.network) EXPECT_TRUE(fs::exists(rec + "/0001-cfg-set.body"));
  }
}

TEST_F(SyncCli, NothingIsSentWithoutAUnit) {
  auto server = Server(tmp_.File("rec"));
  ASSERT_EQ(test::RunCli({"--bus", bus_, "read", "-o", tmp_.File("unit.vesnar")}).exitCode, 0);
  unit_.reset();  // unplugged
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"sync", tmp_.File("unit.vesnar")}, {"apply", tmp_.File("unit.vesnar")}}) {
    const auto r = Cli(server->Url(), server->CaFile(), args);
    EXPECT_EQ(r.exitCode, 3) << args[0] << r.out << r.err;
    EXPECT_TRUE(Has(r.out, sync_text::kNoUnit)) << r.out;
  }
  EXPECT_EQ(server->Requests(), 0);
  EXPECT_FALSE(fs::exists(tmp_.File("cache/OrvantisConfigurator/json_req.txt")));
}

}  // namespace
}  // namespace orv
