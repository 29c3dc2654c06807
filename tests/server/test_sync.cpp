// Task 8 against the simulated server: the body byte for byte, the content
// type, the copy in the cache folder, each kind of reply and what it does to
// the queued write, nothing sent without a unit or a complete image; and the
// simulated server's reading of the form.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "server/api.h"
#include "server/http_client.h"
#include "server/sync_request.h"
#include "server_fixture.h"
#include "settings/json_writer.h"
#include "sim/multipart.h"

namespace orv {
namespace {

namespace fs = std::filesystem;
using test::ReadText;

constexpr const char* kJson = R"({"alarmtime":20,"configuration":{"internet":{"apn":"a\/b"}}})";

// The body as the request template gives it, written out by hand.
const std::string kExpectedBody =
    "------------ThIs_Is_tHe_bouNdaRY_$\r\n"
    "Content-Disposition: form-data; name=\"passwd\"\r\n\r\n417\r\n"
    "------------ThIs_Is_tHe_bouNdaRY_$\r\n"
    "Content-Disposition: form-data; name=\"login\"\r\n\r\norvinst1\r\n"
    "------------ThIs_Is_tHe_bouNdaRY_$\r\n"
    "Content-Disposition: form-data; name=\"serial\"\r\n\r\n0000001234\r\n"
    "------------ThIs_Is_tHe_bouNdaRY_$\r\n"
    "Content-Disposition: form-data; name=\"json\"; filename=\"json\"\r\n"
    "Content-Type: application/json\r\n\r\n" +
    std::string(kJson) + "\r\n------------ThIs_Is_tHe_bouNdaRY_$--\r\n";

struct SyncRecorder : test::Recorder {
  std::vector<std::pair<int, std::string>> finishes;
  void FinishAction(uint8_t code, const std::string& msg) override { finishes.emplace_back(code, msg); }
  bool Logged(const std::string& line) const { return std::find(log.begin(), log.end(), line) != log.end(); }
};

// A host whose hooks count what the task did to the application.
struct Host {
  explicit Host(server::HttpClient& http, const std::string& copy) {
    h.http = &http;
    h.status = &rec;
    h.prompts = &rec;
    h.online = [this] { return online; };
    h.imageComplete = [this] { return complete; };
    h.serial = [] { return 1234u; };
    h.json = [] { return std::string(kJson); };
    h.proxyUpdate = [this] { ++proxyUpdates; };
    h.clearCfgSaved = [this] { cfgSaved = false; };
    h.removeWrite = [this] { ++writesRemoved; };
    h.next = [this] { ++nexts; };
    h.copyPath = copy;
  }
  SyncHost h;
  SyncRecorder rec;
  bool online = true, complete = true, cfgSaved = true;
  int proxyUpdates = 0, writesRemoved = 0, nexts = 0;
};

class SyncTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::MakeServerData(dir_.File("data"));
    fs::create_directories(dir_.File("rec"));
  }
  std::unique_ptr<sim::SimServer> Server(std::optional<std::string> reply = std::nullopt, int status = 200) {
    sim::ServerConfig cfg;
    cfg.dataDir = dir_.File("data");
    cfg.recordDir = dir_.File("rec");
    cfg.cfgReply = std::move(reply);
    cfg.cfgStatus = status;
    auto s = std::make_unique<sim::SimServer>(cfg);
    std::string error;
    EXPECT_TRUE(s->Start(error)) << error;
    return s;
  }
  std::string Copy() const { return dir_.File("cache/OrvantisConfigurator/json_req.txt"); }
  std::string Recorded(int n, const char* ext) const {
    char num[8];
    std::snprintf(num, sizeof num, "%.4d", n);
    return ReadText(dir_.File("rec/") + num + "-cfg-set." + ext);
  }
  test::TempDir dir_;
};

TEST(SyncBody, FormPartJsonHeaderJsonAndClosingBoundary) {
  EXPECT_EQ(SyncBody(1234, kJson), kExpectedBody);
  EXPECT_EQ(SyncFormPart(4294967295u).find("name=\"serial\"\r\n\r\n4294967295\r\n") != std::string::npos, true);
  EXPECT_STREQ(kSyncContentType, "multipart/form-data; boundary=----------ThIs_Is_tHe_bouNdaRY_$;charset=utf-8");
}

TEST_F(SyncTest, AcceptedRequestArrivesAsBuiltAndIsCopied) {
  auto server = Server();
  server::HttpClient http({server->Url(), server->CaFile()});
  Host host(http, Copy());
  EXPECT_EQ(HttpSendOptions(host.h), SyncResult::kAccepted);

  const std::string meta = Recorded(1, "meta");
  EXPECT_EQ(meta.substr(0, meta.find('\n')), "POST /conf/v1/orv/cfg/set/?format=json");
  EXPECT_NE(meta.find(std::string("\nContent-Type: ") + kSyncContentType + "\n"), std::string::npos) << meta;
  EXPECT_EQ(Recorded(1, "body"), kExpectedBody);
  EXPECT_EQ(ReadText(Copy()), kExpectedBody);
  struct stat st {};
  ASSERT_EQ(::stat(Copy().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  EXPECT_TRUE(host.rec.Logged(sync_text::kSynced));
  EXPECT_TRUE(host.rec.finishes.empty()) << "the write closes the action";
  EXPECT_EQ(host.nexts, 1);
  EXPECT_EQ(host.writesRemoved, 0);
  EXPECT_EQ(host.proxyUpdates, 1);
  EXPECT_FALSE(host.cfgSaved);
  EXPECT_TRUE(host.rec.boxes.empty());

  // The next copy replaces the old one.
  host.h.json = [] { return std::string("{}"); };
  EXPECT_EQ(HttpSendOptions(host.h), SyncResult::kAccepted);
  EXPECT_EQ(ReadText(Copy()), SyncBody(1234, "{}"));
}

// Each reply and what it leaves: a refusal takes the write out and closes
// the action without a box; an unreadable reply shows itself and the write
// goes on; an HTTP error is the error report line.
TEST_F(SyncTest, RepliesTable) {
  struct Case {
    std::optional<std::string> reply;
    int status;
    SyncResult result;
    std::string box;  // the message box, empty for none
  } cases[] = {
      {R"({"ok":1})", 200, SyncResult::kAccepted, ""},
      {R"({"ok":1.0,"msg":"x"})", 200, SyncResult::kAccepted, ""},
      {R"({"ok":0})", 200, SyncResult::kRefused, ""},
      {R"({"ok":"1"})", 200, SyncResult::kRefused, ""},
      {R"({"ok":true})", 200, SyncResult::kRefused, ""},
      {R"({"ok":2})", 200, SyncResult::kRefused, ""},
      {R"({"ok":null})", 200, SyncResult::kRefused, ""},
      {"<html>Service unavailable</html>", 200, SyncResult::kUnreadable, "<html>Service unavailable</html>"},
      {R"({"status":"saved"})", 200, SyncResult::kUnreadable, R"({"status":"saved"})"},
      {R"([{"ok":1}])", 200, SyncResult::kUnreadable, R"([{"ok":1}])"},
      {"", 200, SyncResult::kUnreadable, sync_text::kEmptyReply},
      {R"({"ok":1})", 500, SyncResult::kFailed, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reply.value_or("(none)") + " " + std::to_string(c.status));
    auto server = Server(c.reply, c.status);
    server::HttpClient http({server->Url(), server->CaFile()});
    Host host(http, Copy());
    EXPECT_EQ(HttpSendOptions(host.h), c.result);
    EXPECT_EQ(host.nexts, 1);
    EXPECT_EQ(host.writesRemoved, c.result == SyncResult::kRefused ? 1 : 0);
    if (c.box.empty()) EXPECT_TRUE(host.rec.boxes.empty());
    else EXPECT_EQ(host.rec.boxes, std::vector<std::string>{c.box});
    if (c.result == SyncResult::kRefused) {
      EXPECT_EQ(host.rec.finishes, (std::vector<std::pair<int, std::string>>{{kResError, sync_text::kNotSynced}}));
      EXPECT_TRUE(host.rec.Logged(sync_text::kRefused));
    } else {
      EXPECT_TRUE(host.rec.finishes.empty());
    }
    EXPECT_EQ(host.rec.Logged(sync_text::kSynced), c.result == SyncResult::kAccepted);
    if (c.result == SyncResult::kFailed)
      EXPECT_TRUE(host.rec.Logged(server::ErrorReportLine(500, "Internal Server Error")));
  }
}

TEST_F(SyncTest, LongReplyIsShownCutAtACharacter) {
  std::string page;
  while (page.size() < 9000) page += "ответ ";
  auto server = Server(page);
  server::HttpClient http({server->Url(), server->CaFile()});
  Host host(http, Copy());
  EXPECT_EQ(HttpSendOptions(host.h), SyncResult::kUnreadable);
  ASSERT_EQ(host.rec.boxes.size(), 1u);
  const std::string& box = host.rec.boxes.front();
  EXPECT_LT(box.size(), 4100u);
  EXPECT_EQ(box.rfind("…"), box.size() - std::string("…").size());
  EXPECT_EQ(page.compare(0, box.size() - std::string("…").size(), box, 0, box.size() - std::string("…").size()), 0);
}

TEST_F(SyncTest, NetworkFailureIsTheErrorReportLine) {
  // A port that nothing listens on: the connection is refused.
  server::HttpClient http({"https://127.0.0.1:1", ""});
  Host host(http, Copy());
  EXPECT_EQ(HttpSendOptions(host.h), SyncResult::kFailed);
  ASSERT_FALSE(host.rec.log.empty());
  EXPECT_EQ(host.rec.log.back().rfind("Ошибка при выполнении запроса #111: ", 0), 0u) << host.rec.log.back();
  EXPECT_EQ(host.nexts, 1);
  EXPECT_EQ(host.writesRemoved, 0);
  EXPECT_TRUE(host.rec.boxes.empty());
}

TEST_F(SyncTest, NothingIsSentWithoutAUnitOrAFullImage) {
  auto server = Server();
  server::HttpClient http({server->Url(), server->CaFile()});
  for (bool online : {false, true}) {
    Host host(http, Copy());
    host.online = online;
    host.complete = false;
    EXPECT_EQ(HttpSendOptions(host.h), SyncResult::kNotSent);
    EXPECT_TRUE(host.rec.Logged(online ? sync_text::kIncomplete : sync_text::kNoUnit));
    EXPECT_EQ(host.nexts, 1);
    EXPECT_EQ(host.writesRemoved, 0) << "the write reports its own failure";
  }
  EXPECT_EQ(server->Requests(), 0);
  EXPECT_FALSE(fs::exists(Copy()));
}

TEST_F(SyncTest, ExportThatIsNotJsonIsReportedAndNotSent) {
  auto server = Server();
  server::HttpClient http({server->Url(), server->CaFile()});
  Host host(http, Copy());
  host.h.json = []() -> std::string { throw JsonError("bad export"); };
  EXPECT_EQ(HttpSendOptions(host.h), SyncResult::kNotSent);
  EXPECT_EQ(host.rec.boxes, std::vector<std::string>{std::string(sync_text::kNotComposed) + "bad export"});
  EXPECT_EQ(server->Requests(), 0);
  EXPECT_EQ(host.nexts, 1);
}

TEST_F(SyncTest, CopyThatCannotBeWrittenDoesNotFailTheSync) {
  auto server = Server();
  server::HttpClient http({server->Url(), server->CaFile()});
  test::WriteFile(dir_.File("file"), "a file where a folder should be");
  Host host(http, dir_.File("file/OrvantisConfigurator/json_req.txt"));
  EXPECT_EQ(HttpSendOptions(host.h), SyncResult::kAccepted);
  EXPECT_EQ(Recorded(1, "body"), kExpectedBody);
  bool logged = false;
  for (const auto& l : host.rec.log) logged |= l.rfind(sync_text::kCopyNotSaved, 0) == 0;
  EXPECT_TRUE(logged);
}

TEST_F(SyncTest, CopyReplacesALinkInsteadOfWritingThroughIt) {
  test::WriteFile(dir_.File("target"), "keep");
  fs::create_directories(fs::path(Copy()).parent_path());
  fs::create_symlink(dir_.File("target"), Copy());
  std::string error;
  ASSERT_TRUE(WriteRequestCopy(Copy(), "body", error)) << error;
  EXPECT_EQ(ReadText(dir_.File("target")), "keep");
  EXPECT_FALSE(fs::is_symlink(Copy()));
  EXPECT_EQ(ReadText(Copy()), "body");
}

TEST(SyncCopyPath, CacheFolderFromTheEnvironment) {
  const char* oldCache = std::getenv("XDG_CACHE_HOME");
  const char* oldHome = std::getenv("HOME");
  const std::string savedCache = oldCache ? oldCache : "", savedHome = oldHome ? oldHome : "";
  ::setenv("HOME", "/home/u", 1);
  ::setenv("XDG_CACHE_HOME", "/c", 1);
  EXPECT_EQ(SyncRequestCopyPath(), "/c/OrvantisConfigurator/json_req.txt");
  ::setenv("XDG_CACHE_HOME", "relative", 1);
  EXPECT_EQ(SyncRequestCopyPath(), "/home/u/.cache/OrvantisConfigurator/json_req.txt");
  ::unsetenv("XDG_CACHE_HOME");
  EXPECT_EQ(SyncRequestCopyPath(), "/home/u/.cache/OrvantisConfigurator/json_req.txt");
  if (oldCache) ::setenv("XDG_CACHE_HOME", savedCache.c_str(), 1);
  if (oldHome) ::setenv("HOME", savedHome.c_str(), 1);
  else ::unsetenv("HOME");
}

// The simulated server's reader of the form: a body from a client is not
// trusted.
TEST(SimMultipart, MalformedBodiesAreRefused) {
  std::vector<sim::FormPart> parts;
  std::string error;
  ASSERT_TRUE(sim::ParseMultipart(kSyncContentType, kExpectedBody, parts, error)) << error;
  ASSERT_EQ(parts.size(), 4u);
  EXPECT_EQ(parts[2].name, "serial");
  EXPECT_EQ(parts[2].data, "0000001234");
  EXPECT_EQ(parts[3].fileName, "json");
  EXPECT_EQ(parts[3].contentType, "application/json");
  EXPECT_EQ(parts[3].data, kJson);

  const std::string b = "------------ThIs_Is_tHe_bouNdaRY_$";
  std::string many;
  for (int i = 0; i < 40; ++i) many += b + "\r\nContent-Disposition: form-data; name=\"f\"\r\n\r\nx\r\n";
  struct Case {
    const char* name;
    std::string contentType, body;
  } cases[] = {
      {"not multipart", "application/json", kExpectedBody},
      {"no boundary", "multipart/form-data", kExpectedBody},
      {"boundary too long", "multipart/form-data; boundary=" + std::string(71, 'x'), kExpectedBody},
      {"other boundary", "multipart/form-data; boundary=zzz", kExpectedBody},
      {"empty", kSyncContentType, ""},
      {"cut in a part", kSyncContentType, kExpectedBody.substr(0, kExpectedBody.size() / 2)},
      {"no closing boundary", kSyncContentType, kExpectedBody.substr(0, kExpectedBody.size() - 40)},
      {"headers never end", kSyncContentType, b + "\r\nContent-Disposition: form-data; name=\"a\"\r\n"},
      {"no disposition", kSyncContentType, b + "\r\nContent-Type: text/plain\r\n\r\nx\r\n" + b + "--\r\n"},
      {"unnamed part", kSyncContentType, b + "\r\nContent-Disposition: form-data\r\n\r\nx\r\n" + b + "--\r\n"},
      {"too many parts", kSyncContentType, many + b + "--\r\n"},
      {"data after the end", kSyncContentType, kExpectedBody + "more"},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(sim::ParseMultipart(c.contentType, c.body, parts, error)) << c.name;
    EXPECT_FALSE(error.empty()) << c.name;
  }
}

TEST_F(SyncTest, ServerAnswers400ToAFormWithoutTheUnitsFields) {
  auto server = Server();
  server::HttpClient http({server->Url(), server->CaFile()});
  const std::string url = server::ApiUrl(server->Url(), server::kCfgSet);
  for (const std::string& body :
       {std::string("garbage"), SyncBody(1234, "[1]"), SyncBody(1234, "{").substr(0, 200),
        std::string(kExpectedBody).replace(kExpectedBody.find("0000001234"), 10, "12345")}) {
    const auto r = http.PostBody(url, body, kSyncContentType);
    EXPECT_EQ(r.status, 400) << body;
  }
  EXPECT_EQ(http.PostBody(url, kExpectedBody, kSyncContentType).status, 200);
}

}  // namespace
}  // namespace orv
