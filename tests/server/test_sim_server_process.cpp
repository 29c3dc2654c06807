// orvantis-sim server and all as processes: what they print, the recording
// of requests, and usage errors.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <regex>

#include "server/api.h"
#include "server/http_client.h"
#include "server_fixture.h"

namespace orv::server {
namespace {

// The value printed after `key` ("url: ...") in the program's output.
std::string Printed(const std::string& out, const std::string& key) {
  std::smatch m;
  std::regex re("(^|\n)" + key + ": ([^\n]+)\n");
  return std::regex_search(out, m, re) ? m[2].str() : std::string();
}

TEST(SimServerProcess, PrintsUrlAndCaAndRecordsEachRequest) {
  test::TempDir dir;
  test::MakeServerData(dir.File("data"));
  test::Background sim(test::SimPath(),
                       {"server", "--port", "0", "--data", dir.File("data"), "--record", dir.File("rec")});
  ASSERT_TRUE(sim.WaitForOutput("ca: ", 10000)) << sim.Err();
  ASSERT_TRUE(sim.WaitForOutput("\n", 2000, 2));
  const std::string url = Printed(sim.Out(), "url"), ca = Printed(sim.Out(), "ca");
  EXPECT_TRUE(std::regex_match(url, std::regex("https://127\\.0\\.0\\.1:[0-9]+"))) << url;
  ASSERT_TRUE(std::filesystem::exists(ca)) << ca;

  HttpClient client({url, ca});
  ASSERT_TRUE(client.PostForm(ApiUrl(url, kCoreGet), UnitFields(1234)).ok);
  ASSERT_TRUE(client.Get(ApiUrl(url, kCanList)).ok);
  EXPECT_EQ(test::ReadText(dir.File("rec/0001-core-get.body")), "passwd=417&login=orvinst1&serial=0000001234");
  EXPECT_EQ(test::ReadText(dir.File("rec/0002-can-list.meta")).rfind("GET /conf/v1/orv/can/list/?format=json\n", 0), 0u);
  EXPECT_EQ(test::ReadText(dir.File("rec/0002-can-list.body")), "");

  sim.Signal(SIGTERM);
  EXPECT_EQ(sim.Wait(10000), 0);
  EXPECT_FALSE(std::filesystem::exists(ca));  // its temporary folder goes with it
}

TEST(SimServerProcess, AllStartsAUnitAndAServer) {
  test::TempDir dir;
  test::MakeServerData(dir.File("data"));
  test::Background sim(test::SimPath(), {"all", "--bus", dir.File("bus"), "--serial", "77", "--data", dir.File("data")});
  ASSERT_TRUE(sim.WaitForOutput("plugged: ", 10000)) << sim.Err();
  ASSERT_TRUE(sim.WaitForOutput("ca: ", 10000)) << sim.Err();
  const std::string url = Printed(sim.Out(), "url");
  HttpClient client({url, Printed(sim.Out(), "ca")});
  EXPECT_TRUE(client.Get(ApiUrl(url, kCanList)).ok);
  sim.Signal(SIGTERM);
  EXPECT_EQ(sim.Wait(10000), 0);
}

TEST(SimServerProcess, UsageErrors) {
  for (std::vector<std::string> args : {std::vector<std::string>{"server", "--scenario", "nope"},
                                        {"server", "--port", "70000"},
                                        {"server", "--bogus", "1"},
                                        {"all", "--scenario", "nope"}}) {
    test::RunResult r = test::Run(test::SimPath(), args);
    EXPECT_EQ(r.exitCode, 2) << args[1] << " " << r.err;
  }
  test::RunResult r = test::Run(test::SimPath(), {"server", "--data", "/nonexistent/folder"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("data folder not found"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace orv::server
