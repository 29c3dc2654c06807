// Addresses, identification fields, proxy fields and progress texts.
#include <gtest/gtest.h>

#include <cstdlib>

#include "server/api.h"

namespace orv::server {
namespace {

TEST(ApiAddress, SchemeAndCanFirmwareWithoutSuffix) {
  EXPECT_EQ(ApiUrl("https://h:1", kCoreGet), "https://h:1/conf/v1/orv/core/get/?format=json");
  EXPECT_EQ(ApiUrl("https://h:1/", kConfiguratorGet), "https://h:1/conf/v1/orv/configurator/get/?format=json");
  EXPECT_EQ(CanFirmwareUrl("https://h"), "https://h/conf/v1/orv/can/set/");
}

TEST(ApiFields, SerialIsTenDigitsAndFieldsKeepTheirOrder) {
  EXPECT_EQ(SerialField(1234), "0000001234");
  EXPECT_EQ(SerialField(0), "0000000000");
  EXPECT_EQ(SerialField(4294967295u), "4294967295");  // stays positive above 2^31
  FormFields f = UnitFields(1234, {{"id", "77"}});
  ASSERT_EQ(f.size(), 4u);
  EXPECT_EQ(f[0].first, "passwd");
  EXPECT_EQ(f[1].first, "login");
  EXPECT_EQ(f[2], (std::pair<std::string, std::string>{"serial", "0000001234"}));
  EXPECT_EQ(f[3].first, "id");
  EXPECT_EQ(std::string(kPasswd).size(), 3u);
  EXPECT_EQ(std::string(kLogin).size(), 8u);
}

TEST(ApiFields, ProxyPortFallsBackTo8080) {
  struct Case {
    const char* text;
    int port;
  } cases[] = {{"3128", 3128}, {" 8888 ", 8888}, {"", 8080},     {"abc", 8080}, {"80a", 8080},
               {"-1", 8080},   {"0", 8080},      {"65536", 8080}, {"65535", 65535}, {"99999999999", 8080}};
  for (const auto& c : cases) EXPECT_EQ(ProxySettings::FromFields("p", c.text, "", "").port, c.port) << c.text;
  EXPECT_EQ(ProxySettings::FromFields("  proxy.lan ", "1", "u", "pw").host, "proxy.lan");
}

TEST(ApiText, ErrorLineAndDownloadProgress) {
  EXPECT_EQ(ErrorReportLine(404, "Not Found"), "Ошибка при выполнении запроса #404: Not Found");

  int old = -1;
  std::vector<std::string> shown;
  for (uint64_t rx = 0; rx <= 1000; rx += 7)
    if (auto t = DownloadProgressText(rx, 1000, old)) shown.push_back(*t);
  if (auto t = DownloadProgressText(1000, 1000, old)) shown.push_back(*t);
  ASSERT_EQ(shown.size(), 21u);  // 0, 5, ..., 100, each once
  EXPECT_EQ(shown.front(), "Загрузка обновления: 0%");
  EXPECT_EQ(shown[1], "Загрузка обновления: 5%");
  EXPECT_EQ(shown.back(), "Загрузка обновления: 100%");

  // 47.6 % rounds to 48 and is shown as 45.
  old = -1;
  EXPECT_EQ(DownloadProgressText(476, 1000, old).value_or(""), "Загрузка обновления: 45%");
  EXPECT_FALSE(DownloadProgressText(490, 1000, old));

  // Without an announced length: whole KiB, rewritten only when they change.
  old = -1;
  EXPECT_EQ(DownloadProgressText(1023, -1, old).value_or(""), "Загрузка обновления: 0 кБ");
  EXPECT_EQ(DownloadProgressText(2048, -1, old).value_or(""), "Загрузка обновления: 2 кБ");
  EXPECT_FALSE(DownloadProgressText(3000, -1, old));
}

TEST(ApiOptions, OptionWinsOverEnvironmentWhichWinsOverDefault) {
  ::unsetenv("ORVANTIS_SERVER");
  ::unsetenv("ORVANTIS_CA_FILE");
  EXPECT_EQ(ResolveServerOptions("", "").baseUrl, kDefaultBaseUrl);
  EXPECT_EQ(ResolveServerOptions("", "").caFile, "");
  ::setenv("ORVANTIS_SERVER", "https://env:1/", 1);
  ::setenv("ORVANTIS_CA_FILE", "/env/ca.pem", 1);
  EXPECT_EQ(ResolveServerOptions("", "").baseUrl, "https://env:1");
  EXPECT_EQ(ResolveServerOptions("", "").caFile, "/env/ca.pem");
  EXPECT_EQ(ResolveServerOptions("https://opt:2", "/opt/ca.pem").baseUrl, "https://opt:2");
  EXPECT_EQ(ResolveServerOptions("https://opt:2", "/opt/ca.pem").caFile, "/opt/ca.pem");
  ::unsetenv("ORVANTIS_SERVER");
  ::unsetenv("ORVANTIS_CA_FILE");
}

}  // namespace
}  // namespace orv::server
