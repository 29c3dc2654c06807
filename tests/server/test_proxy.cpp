// A real HTTP proxy on loopback (tinyproxy, started here) between the client
// and the simulated server: with and without authentication, and a wrong
// password.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "server/api.h"
#include "server/http_client.h"
#include "server_fixture.h"
#include "support/process.h"

namespace orv::server {
namespace {

const char* kTinyproxy = "/usr/bin/tinyproxy";

int FreePort() {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t len = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  ::close(fd);
  return ntohs(a.sin_port);
}

bool Accepting(int port) {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  ::close(fd);
  return ok;
}

// tinyproxy in the foreground on a free loopback port; gone with the object.
class Tinyproxy {
 public:
  Tinyproxy(const std::string& dir, const std::string& auth) : port_(FreePort()) {
    std::string conf = "Port " + std::to_string(port_) + "\nListen 127.0.0.1\nTimeout 30\nMaxClients 10\n"
                       "Allow 127.0.0.1\nLogLevel Info\nLogFile \"" + dir + "/tinyproxy.log\"\n";
    if (!auth.empty()) conf += "BasicAuth " + auth + "\n";
    test::WriteFile(dir + "/tinyproxy.conf", conf);
    proc_ = std::make_unique<test::Background>(kTinyproxy, std::vector<std::string>{"-d", "-c", dir + "/tinyproxy.conf"});
    // Until it accepts connections; a started proxy takes a few milliseconds.
    for (int i = 0; i < 200 && !Accepting(port_); ++i) ::poll(nullptr, 0, 10);
  }
  int Port() const { return port_; }
  bool Up() const { return Accepting(port_); }

 private:
  int port_;
  std::unique_ptr<test::Background> proc_;
};

class ProxyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::access(kTinyproxy, X_OK) != 0) GTEST_SKIP() << "tinyproxy is not installed (scripts/install-deps)";
    test::MakeServerData(dir_.File("data"));
    server_ = test::StartSimServer(dir_.File("data"));
  }
  test::TempDir dir_;
  std::unique_ptr<sim::SimServer> server_;
};

TEST_F(ProxyTest, CarriesRequestsWithAndWithoutAuthenticationAndRefusesAWrongPassword) {
  struct Case {
    const char* name;
    const char* proxyAuth;  // "user password" or empty
    const char* login;
    const char* password;
    bool ok;
  } cases[] = {
      {"open proxy", "", "", "", true},
      {"right password", "inst secret7", "inst", "secret7", true},
      {"wrong password", "inst secret7", "inst", "wrong", false},
      {"no credentials", "inst secret7", "", "", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir pdir;
    Tinyproxy proxy(pdir.Path(), c.proxyAuth);
    ASSERT_TRUE(proxy.Up());
    HttpClient client({server_->Url(), server_->CaFile()});
    client.SetProxy(ProxySettings::FromFields("127.0.0.1", std::to_string(proxy.Port()), c.login, c.password));
    const int before = server_->Requests();
    HttpResult r = client.PostForm(ApiUrl(server_->Url(), kCoreGet), UnitFields(1234));
    EXPECT_EQ(r.ok, c.ok) << r.errorText;
    EXPECT_EQ(server_->Requests() - before, c.ok ? 1 : 0);
    // The proxy saw the tunnel to the server.
    const std::string log = test::ReadText(pdir.File("tinyproxy.log"));
    EXPECT_NE(log.find("CONNECT"), std::string::npos) << log;
    if (!c.ok) {
      EXPECT_TRUE(r.proxyAuthFailed);
      test::Recorder rec;
      ReportFailure(r, false, rec, rec);
      EXPECT_EQ(rec.boxes, std::vector<std::string>{"proxy"});
      ASSERT_EQ(rec.log.size(), 1u);
      EXPECT_EQ(rec.log[0].rfind("Ошибка при выполнении запроса #407: ", 0), 0u);
    }
  }
}

// The CLI takes its proxy from --proxy (or ORVANTIS_PROXY), the login from
// --proxy-user and the password only from the environment.
TEST_F(ProxyTest, CliUsesTheProxyOfItsOptionsOrEnvironment) {
  struct Case {
    const char* name;
    bool byEnv;            // address in ORVANTIS_PROXY instead of --proxy
    const char* password;  // ORVANTIS_PROXY_PASSWORD, nullptr: unset
    int exitCode;
  } cases[] = {
      {"option, right password", false, "secret7", 0},
      {"environment, right password", true, "secret7", 0},
      {"wrong password", false, "wrong", 1},
      {"no password", false, nullptr, 1},
  };
  test::TempDir pdir;
  Tinyproxy proxy(pdir.Path(), "inst secret7");
  ASSERT_TRUE(proxy.Up());
  sim::SimServer real(sim::ServerConfig{});  // the project's own data: a CAN list that reads
  std::string error;
  ASSERT_TRUE(real.Start(error)) << error;
  const std::string address = "127.0.0.1:" + std::to_string(proxy.Port());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args = {"--server", real.Url(), "--ca", real.CaFile(), "--proxy-user", "inst"};
    if (c.byEnv) ::setenv("ORVANTIS_PROXY", address.c_str(), 1);
    else args.insert(args.end(), {"--proxy", address});
    if (c.password) ::setenv("ORVANTIS_PROXY_PASSWORD", c.password, 1);
    args.insert(args.end(), {"can", "list"});
    auto tunnels = [&] {
      const std::string log = test::ReadText(pdir.File("tinyproxy.log"));
      size_t n = 0;
      for (size_t at = log.find("CONNECT"); at != std::string::npos; at = log.find("CONNECT", at + 1)) ++n;
      return n;
    };
    const size_t tunnelsBefore = tunnels();
    const int before = real.Requests();
    const test::RunResult r = test::RunCli(args);
    ::unsetenv("ORVANTIS_PROXY");
    ::unsetenv("ORVANTIS_PROXY_PASSWORD");
    EXPECT_EQ(r.exitCode, c.exitCode) << r.out << r.err;
    EXPECT_EQ(real.Requests() - before, c.exitCode == 0 ? 1 : 0);
    EXPECT_GT(tunnels(), tunnelsBefore) << "the request went to the proxy";
    if (c.exitCode != 0) EXPECT_NE((r.out + r.err).find("#407"), std::string::npos) << r.out << r.err;
  }
}

}  // namespace
}  // namespace orv::server
