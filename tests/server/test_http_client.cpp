// The client against the simulated server: what it sends, what it accepts,
// and what it refuses.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include <atomic>
#include <cerrno>
#include <filesystem>

#include "server/api.h"
#include "server/http_client.h"
#include "server_fixture.h"

namespace orv::server {
namespace {

using test::ReadText;
using test::Recorder;

class HttpClientTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new test::TempDir;
    test::MakeServerData(dir_->File("data"));
    std::filesystem::create_directories(dir_->File("rec"));
    server_ = test::StartSimServer(dir_->File("data"), {}, dir_->File("rec")).release();
  }
  static void TearDownTestSuite() {
    delete server_;
    delete dir_;
  }
  static ServerOptions Trusting() { return {server_->Url(), server_->CaFile()}; }
  // The files the server recorded for its request number `n` (from 1).
  static std::string Recorded(int n, const std::string& endpoint, const std::string& ext) {
    char num[8];
    std::snprintf(num, sizeof num, "%.4d", n);
    return ReadText(dir_->File("rec/") + num + "-" + endpoint + "." + ext);
  }

  static test::TempDir* dir_;
  static sim::SimServer* server_;
};
test::TempDir* HttpClientTest::dir_ = nullptr;
sim::SimServer* HttpClientTest::server_ = nullptr;

TEST_F(HttpClientTest, FormPostSendsTheFixedHeadersAndTheUnitFields) {
  HttpClient client(Trusting());
  const int before = server_->Requests();
  HttpResult r = client.PostForm(ApiUrl(server_->Url(), kCoreGet), UnitFields(1234));
  ASSERT_TRUE(r.ok) << r.errorText;
  EXPECT_EQ(r.status, 200);
  // The body links to a file of the server by the server's own address.
  EXPECT_EQ(r.body, R"({"image":")" + server_->Url() + R"(/files/fw/image.bin"})");

  const std::string meta = Recorded(before + 1, "core-get", "meta");
  EXPECT_EQ(meta.substr(0, meta.find('\n')), "POST /conf/v1/orv/core/get/?format=json");
  for (const char* h : {"Accept: text/plain,application/json", "Accept-Charset: UTF-8", "Accept-Encoding: UTF-8",
                        "User-Agent: OrvantisConfigurator",
                        "Content-Type: application/x-www-form-urlencoded; charset=UTF-8"})
    EXPECT_NE(meta.find(h), std::string::npos) << h << "\n" << meta;
  EXPECT_EQ(meta.find("Cookie"), std::string::npos);
  EXPECT_EQ(meta.find("Authorization"), std::string::npos);
  EXPECT_EQ(Recorded(before + 1, "core-get", "body"), "passwd=417&login=orvinst1&serial=0000001234");
}

TEST_F(HttpClientTest, CanFirmwareByIdAndUnknownIdIsAnHttpError) {
  HttpClient client(Trusting());
  HttpResult r = client.PostForm(CanFirmwareUrl(server_->Url()), UnitFields(1, {{"id", "42"}}));
  ASSERT_TRUE(r.ok) << r.errorText;
  EXPECT_EQ(r.body, R"("3A0001")");

  Recorder rec;
  r = client.PostForm(CanFirmwareUrl(server_->Url()), UnitFields(1, {{"id", "../core-get"}}));
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.status, 404);
  ReportFailure(r, false, rec, rec);
  ASSERT_EQ(rec.log.size(), 1u);
  EXPECT_EQ(rec.log[0], "Ошибка при выполнении запроса #404: Not Found");
  EXPECT_TRUE(rec.boxes.empty());  // a POST shows no box for an HTTP status

  r = client.Get(ApiUrl(server_->Url(), "nothing/here"));
  ReportFailure(r, true, rec, rec);
  EXPECT_EQ(rec.boxes, std::vector<std::string>{"HTTP 404 Not Found"});
}

TEST_F(HttpClientTest, FilesOutsideTheDataFolderAreNotServed) {
  HttpClient client(Trusting());
  for (const char* path : {"/files/../core-get.json", "/files/%2e%2e/core-get.json", "/files/.hidden", "/files/"}) {
    HttpResult r = client.Get(server_->Url() + path);
    EXPECT_FALSE(r.ok) << path;
    EXPECT_EQ(r.status, 404) << path;
  }
}

TEST_F(HttpClientTest, BinaryDownloadReportsGrowingProgressOnTheCallingThread) {
  HttpClient client(Trusting());
  const auto caller = std::this_thread::get_id();
  std::vector<uint64_t> seen;
  int64_t total = 0;
  bool otherThread = false;
  HttpResult r = client.GetBinary(server_->Url() + "/files/fw/image.bin", [&](uint64_t rx, int64_t tot) {
    otherThread |= std::this_thread::get_id() != caller;
    seen.push_back(rx);
    total = tot;
  });
  ASSERT_TRUE(r.ok) << r.errorText;
  EXPECT_EQ(r.body, ReadText(dir_->File("data/fw/image.bin")));
  EXPECT_FALSE(otherThread);
  ASSERT_FALSE(seen.empty());
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  EXPECT_EQ(seen.back(), r.body.size());
  EXPECT_EQ(total, static_cast<int64_t>(r.body.size()));
}

TEST_F(HttpClientTest, MultipartCarriesEveryPart) {
  HttpClient client(Trusting());
  const int before = server_->Requests();
  HttpResult r = client.PostMultipart(ApiUrl(server_->Url(), kCoreGet),
                                      {{"serial", "0000001234", "", ""}, {"file", "{\"a\":1}", "cfg.json", "application/json"}});
  ASSERT_TRUE(r.ok) << r.errorText;
  const std::string meta = Recorded(before + 1, "core-get", "meta");
  EXPECT_NE(meta.find("Content-Type: multipart/form-data; boundary="), std::string::npos) << meta;
  const std::string body = Recorded(before + 1, "core-get", "body");
  EXPECT_NE(body.find("name=\"serial\"\r\n\r\n0000001234\r\n"), std::string::npos) << body;
  EXPECT_NE(body.find("filename=\"cfg.json\"\r\nContent-Type: application/json\r\n\r\n{\"a\":1}"), std::string::npos);
}

// Trust, redirects and HTTP errors: each row a server scenario and what the
// client must make of a catalogue request.
TEST_F(HttpClientTest, TrustRedirectsAndErrorsTable) {
  test::TempDir other;
  test::MakeServerData(other.File("data"));
  auto foreign = test::StartSimServer(other.File("data"));

  struct Case {
    const char* name;
    std::string scenario;
    bool foreignCa;
    bool ok;
    int redirects;
    int serverRequests;  // requests the server saw
    const char* textHas;
  } cases[] = {
      {"own CA trusted", "", false, true, 0, 1, ""},
      {"certificate of another CA refused", "", true, false, 0, 0, "сертификат сервера не прошёл проверку"},
      {"scenario folder first", "up-to-date", false, true, 0, 1, ""},
      {"one https redirect followed", "redirect-https", false, true, 1, 2, ""},
      {"https to http refused", "redirect-http", false, false, 0, 1, "на незащищённый адрес http://127.0.0.1"},
      {"36th redirect refused", "redirect-loop", false, false, 35, 36, "слишком много перенаправлений"},
      {"http 500", "http-500", false, false, 0, 1, "Internal Server Error"},
      {"error package passes as a body", "error-package", false, true, 0, 1, ""},
      {"a body that is not JSON passes as a body", "bad-json", false, true, 0, 1, ""},
      {"http 404", "http-404", false, false, 0, 1, "Not Found"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir data;
    test::MakeServerData(data.File("d"));
    auto s = test::StartSimServer(data.File("d"), c.scenario);
    HttpClient client({s->Url(), c.foreignCa ? foreign->CaFile() : s->CaFile()});
    HttpResult r = client.PostForm(ApiUrl(s->Url(), kCoreGet), UnitFields(1234));
    EXPECT_EQ(r.ok, c.ok) << r.errorText;
    EXPECT_EQ(r.redirects, c.redirects);
    EXPECT_EQ(s->Requests(), c.serverRequests);
    EXPECT_NE(r.errorText.find(c.textHas), std::string::npos) << r.errorText;
    if (c.scenario == "up-to-date") EXPECT_EQ(r.body, R"({"same":true})");
    if (c.scenario == "redirect-https") EXPECT_EQ(r.body, R"({"image":")" + s->Url() + R"(/files/fw/image.bin"})");
    if (c.scenario == "error-package") EXPECT_NE(r.body.find("\"error\""), std::string::npos);
    if (c.scenario == "bad-json") EXPECT_EQ(r.body.find('{'), std::string::npos) << r.body;
  }
}

TEST_F(HttpClientTest, SystemStoreDoesNotTrustTheSimulatedServer) {
  HttpClient client({server_->Url(), ""});
  HttpResult r = client.Get(ApiUrl(server_->Url(), kCanList));
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.status, 0);
}

TEST_F(HttpClientTest, NoServerListeningIsATransportError) {
  HttpClient client({"https://127.0.0.1:1", server_->CaFile()});
  Recorder rec;
  HttpResult r = client.Get(ApiUrl("https://127.0.0.1:1", kCanList));
  EXPECT_FALSE(r.ok);
  ReportFailure(r, true, rec, rec);
  ASSERT_EQ(rec.log.size(), 1u);
  EXPECT_EQ(rec.log[0].rfind("Ошибка при выполнении запроса #" + std::to_string(ECONNREFUSED) + ": не удалось соединиться с сервером", 0), 0u) << rec.log[0];
  EXPECT_TRUE(rec.boxes.empty());
}

// A slow answer: the caller's pump runs all along, and a request started
// from inside the pump is refused instead of being run nested.
TEST_F(HttpClientTest, PumpRunsDuringSlowRequestAndRefusesReentry) {
  test::TempDir data;
  test::MakeServerData(data.File("d"));
  auto slow = test::StartSimServer(data.File("d"), "slow", {}, 1);
  HttpClient client({slow->Url(), slow->CaFile()});
  // An event loop with a 15 ms timer: it handles an event at every tick
  // and leaves its wait early when the client wakes it.
  struct CountingPump : Pump {
    HttpClient* client = nullptr;
    std::string url;
    int runs = 0;
    int wakes = 0;
    HttpResult nested;
    std::mutex m;
    std::condition_variable cv;
    bool woken = false;
    void Run() override {
      if (++runs == 3) nested = client->Get(url);
    }
    void WaitAndRun() override {
      {
        std::unique_lock lock(m);
        cv.wait_for(lock, std::chrono::milliseconds(15), [&] { return woken; });
        woken = false;
      }
      Run();
    }
    void Wake() override {
      {
        std::lock_guard lock(m);
        woken = true;
        ++wakes;
      }
      cv.notify_all();
    }
  } pump;
  pump.client = &client;
  pump.url = ApiUrl(slow->Url(), kCanList);
  client.SetPump(&pump);
  HttpResult r = client.Get(ApiUrl(slow->Url(), kCanList));
  ASSERT_TRUE(r.ok) << r.errorText;
  EXPECT_GT(pump.runs, 20);  // about 1 s in 15 ms ticks
  EXPECT_GE(pump.wakes, 1) << "the end of the transfer wakes the waiting pump";
  EXPECT_FALSE(pump.nested.ok);
  EXPECT_EQ(pump.nested.errorText, "предыдущий запрос ещё выполняется");
  EXPECT_EQ(slow->Requests(), 1);
  EXPECT_FALSE(client.Busy());
}

}  // namespace
}  // namespace orv::server
