// The configurator's own settings and the stored form of the proxy password.
#include <gtest/gtest.h>

#include <map>

#include "app/app_settings.h"
#include "app/base64.h"
#include "app/code_page.h"
#include "app/configurator_options.h"
#include "app/password_codec.h"
#include "device/text_codec.h"

namespace orv {
namespace {

class MemoryStore : public SettingsStore {
 public:
  std::optional<Value> Read(const std::string& name) override {
    reads.push_back(name);
    auto it = values.find(name);
    if (it == values.end()) return std::nullopt;
    return it->second;
  }
  void WriteString(const std::string& name, const std::string& value) override {
    writes.push_back(name);
    values[name] = value;
  }
  void WriteInteger(const std::string& name, long long value) override {
    writes.push_back(name);
    values[name] = value;
  }
  std::map<std::string, Value> values;
  std::vector<std::string> reads, writes;
};

TEST(AppSettings, DefaultsWhenNothingIsStored) {
  MemoryStore store;
  AppSettings s;
  s.ProxyAddr = "stale";
  s.ExpertMode = true;
  LoadAppSettings(store, s);
  EXPECT_TRUE(s.CheckForUpdates);
  EXPECT_TRUE(s.PDFOpen);
  EXPECT_FALSE(s.ExpertMode);
  EXPECT_EQ(s.InstancesAllowed, 1);
  EXPECT_EQ(s.ProxyAddr, "");
  EXPECT_EQ(s.ProxyPort, "");
  EXPECT_EQ(s.ProxyLogin, "");
  EXPECT_EQ(s.ProxyPassword, "");
}

TEST(AppSettings, ValuesAreReadAndWrittenInTheirOrderWithTheirKinds) {
  MemoryStore store;
  AppSettings s;
  s.ProxyAddr = "proxy.local";
  s.ProxyPort = "3128";
  s.ProxyLogin = "монтажник";
  s.ProxyPassword = "пароль-1";
  s.ExpertMode = true;
  s.CheckForUpdates = false;
  s.InstancesAllowed = 2;
  s.PDFOpen = false;
  SaveAppSettings(store, s);
  EXPECT_EQ(store.writes, (std::vector<std::string>{"ProxyPassword", "ProxyAddr", "ProxyLogin", "ProxyPort",
                                                    "ExpertMode", "CheckForUpdates", "InstancesAllowed", "PDFOpen"}));
  EXPECT_EQ(std::get<std::string>(store.values["ExpertMode"]), "TRUE");
  EXPECT_EQ(std::get<std::string>(store.values["CheckForUpdates"]), "FALSE");
  EXPECT_EQ(std::get<long long>(store.values["InstancesAllowed"]), 2);
  EXPECT_NE(std::get<std::string>(store.values["ProxyPassword"]), "пароль-1");

  AppSettings back;
  LoadAppSettings(store, back);
  EXPECT_EQ(store.reads, (std::vector<std::string>{"ProxyPassword", "ProxyAddr", "ProxyPort", "ProxyLogin",
                                                   "ExpertMode", "InstancesAllowed", "CheckForUpdates", "PDFOpen"}));
  EXPECT_EQ(back.ProxyAddr, s.ProxyAddr);
  EXPECT_EQ(back.ProxyPort, s.ProxyPort);
  EXPECT_EQ(back.ProxyLogin, s.ProxyLogin);
  EXPECT_EQ(back.ProxyPassword, s.ProxyPassword);
  EXPECT_TRUE(back.ExpertMode);
  EXPECT_FALSE(back.CheckForUpdates);
  EXPECT_EQ(back.InstancesAllowed, 2);
  EXPECT_FALSE(back.PDFOpen);
}

TEST(AppSettings, BooleansAcceptTheWordsAndFallBackToAnInteger) {
  struct Case {
    SettingsStore::Value stored;
    bool expert;
  };
  const Case cases[] = {{"YES", true},  {"Y", true},      {"1", true},   {"TRUE", true}, {"yes", true},
                        {"-7", true},   {1LL, true},      {"NO", false}, {"N", false},   {"FALSE", false},
                        {"0", false},   {0LL, false},     {"vielleicht", false},  // unreadable: the default
                        {"", false}};
  for (const auto& c : cases) {
    MemoryStore store;
    store.values["ExpertMode"] = c.stored;
    store.values["PDFOpen"] = c.stored;
    AppSettings s;
    LoadAppSettings(store, s);
    EXPECT_EQ(s.ExpertMode, c.expert) << testing::PrintToString(c.stored);
  }
  MemoryStore odd;
  odd.values["PDFOpen"] = std::string("vielleicht");
  odd.values["InstancesAllowed"] = std::string("zwei");
  AppSettings s;
  LoadAppSettings(odd, s);
  EXPECT_TRUE(s.PDFOpen) << "an unreadable value gives the default";
  EXPECT_EQ(s.InstancesAllowed, 1);
}

TEST(AppSettings, AnEmptyStoredPasswordLeavesTheFieldAsItWas) {
  MemoryStore store;
  store.values["ProxyPassword"] = std::string();
  AppSettings s;
  s.ProxyPassword = "typed";
  LoadAppSettings(store, s);
  EXPECT_EQ(s.ProxyPassword, "typed");
}

TEST(ProxyPassword, IsStoredInWholeBlocks) {
  struct Case {
    std::string password;
    size_t base64Length;  // 0, 1 and 2 blocks
  };
  const Case cases[] = {{"", 0}, {"0123456789abcdef", 24}, {"0123456789abcdefg", 44}, {"Пароль Ёё №5", 24}};
  for (const auto& c : cases) {
    const std::string stored = EncryptProxyPassword(c.password);
    EXPECT_EQ(stored.size(), c.base64Length) << c.password;
    EXPECT_EQ(Base64Decode(stored).size() % 16, 0u);
    EXPECT_EQ(DecryptProxyPassword(stored), c.password);
  }
  EXPECT_NE(EncryptProxyPassword("0123456789abcdef").substr(0, 22), EncryptProxyPassword("0123456789abcdefg").substr(0, 22))
      << "the zero padding of the second block leaves the first block alone only in ECB";
}

TEST(ProxyPassword, KeepsItsStoredFormAcrossBuilds) {
  // Stored passwords must stay readable: the key, the padding and the code
  // page are part of the stored format.
  EXPECT_EQ(EncryptProxyPassword("secret"), EncryptProxyPassword(std::string("secret\0\0", 8)));
  const std::string stored = EncryptProxyPassword("secret");
  EXPECT_EQ(stored, "I+V5k3aBSHRHDLx9pW8ICQ==");
  // Cyrillic letters are kept as their 8-bit code page bytes.
  EXPECT_EQ(EncryptProxyPassword("Пароль"), "wcGYJiVp12TqmSDUfyzqHA==");
  EXPECT_EQ(DecryptProxyPassword("wcGYJiVp12TqmSDUfyzqHA=="), "Пароль");
}

TEST(ProxyPassword, CharactersOutsideTheCodePageBecomeQuestionMarks) {
  bool lossy = false;
  const std::string stored = EncryptProxyPassword("ab€日本", &lossy);
  EXPECT_TRUE(lossy);
  EXPECT_EQ(DecryptProxyPassword(stored), "ab€??");
  EncryptProxyPassword("Ёлка-№1", &lossy);
  EXPECT_FALSE(lossy);
}

TEST(ProxyPassword, ForeignStoredTextNeverFails) {
  for (const std::string text : {"not base64 at all!", "====", "A", "QUJD", "QUJDRA", "////////////////////////",
                                 "\xff\xfe", "I+V5k3aBSHRHDLx9pW8ICQ==gLHT", "Z2FyYmFnZQ==\r\n"}) {
    std::string password;
    EXPECT_NO_THROW(password = DecryptProxyPassword(text)) << text;
    EXPECT_EQ(Utf8ToUtf16(password).find(u'\uFFFD'), std::u16string::npos) << "valid text: " << text;
  }
  EXPECT_EQ(DecryptProxyPassword("===="), "");
}

TEST(CodePage, CyrillicLettersAndSymbolsHaveTheirBytes) {
  bool lossy = true;
  EXPECT_EQ(Utf16ToCp1251(u"AЁё АЯая№€", &lossy),
            (std::vector<uint8_t>{0x41, 0xA8, 0xB8, 0x20, 0xC0, 0xDF, 0xE0, 0xFF, 0xB9, 0x88}));
  EXPECT_FALSE(lossy);
  for (int b = 0; b < 256; ++b) {
    const uint8_t byte = static_cast<uint8_t>(b);
    EXPECT_EQ(Utf16ToCp1251(Cp1251ToUtf16(std::span<const uint8_t>(&byte, 1)))[0], byte) << b;
  }
}

TEST(Base64, EncodesWithPaddingAndDecodesLeniently) {
  const std::string text = "Orvantis!";
  const std::vector<uint8_t> bytes(text.begin(), text.end());
  EXPECT_EQ(Base64Encode(bytes), "T3J2YW50aXMh");
  EXPECT_EQ(Base64Encode(std::vector<uint8_t>{0xFF}), "/w==");
  EXPECT_EQ(Base64Encode(std::vector<uint8_t>{0xFF, 0xEE}), "/+4=");
  EXPECT_EQ(Base64Decode("T3J2\r\nYW50 aXMh"), bytes);
  EXPECT_EQ(Base64Decode("/+4="), (std::vector<uint8_t>{0xFF, 0xEE}));
  EXPECT_EQ(Base64Decode("/+4"), (std::vector<uint8_t>{0xFF, 0xEE}));
  EXPECT_TRUE(Base64Decode("A").empty());
}

TEST(ConfiguratorOptions, EnvironmentGivesDefaultsAndArgumentsWin) {
  std::map<std::string, std::string> env{{"ORVANTIS_BUS", "/run/bus"}, {"ORVANTIS_SERVER", "https://a"},
                                         {"ORVANTIS_CA_FILE", "/ca.pem"}};
  auto get = [&](const char* n) -> const char* {
    auto it = env.find(n);
    return it == env.end() ? nullptr : it->second.c_str();
  };
  auto o = ParseConfiguratorOptions({}, get);
  EXPECT_EQ(o.bus, "/run/bus");
  EXPECT_EQ(o.server, "https://a");
  EXPECT_EQ(o.caFile, "/ca.pem");
  o = ParseConfiguratorOptions({"--bus", "/tmp/b", "--server=https://127.0.0.1:8443", "--ca", "x.pem", "--sim", "2",
                                "--serial", "77"},
                               get);
  EXPECT_EQ(o.bus, "/tmp/b");
  EXPECT_EQ(o.server, "https://127.0.0.1:8443");
  EXPECT_EQ(o.caFile, "x.pem");
  EXPECT_EQ(o.simModel, 2);
  EXPECT_EQ(o.serial, 77u);
  EXPECT_EQ(ParseConfiguratorOptions({}, [](const char*) -> const char* { return nullptr; }).server,
            "https://api.orvantis.ru")
      << "a user's window asks the maker's server";
  for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
           {"--sim", "5"}, {"--sim"}, {"--frob"}, {"--serial", "12x"}, {"--bus="}, {"--timing-ms", "-1"}})
    EXPECT_THROW(ParseConfiguratorOptions(bad, get), std::invalid_argument) << bad[0];
}

}  // namespace
}  // namespace orv
