// The CAN page through orvantis-cli against an orvantis-sim unit whose CAN
// block is crafted: `show` prints the page's section, `export` carries "can",
// `set` changes its controls within their limits and the unit gets the bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "settings/can_config.h"
#include "settings/json_writer.h"
#include "settings/sms_text.h"
#include "support/process.h"

namespace orv::test {
namespace {

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The first line of `dump 6` for these first 16 bytes.
std::string DumpLine(const std::vector<uint8_t>& bytes) {
  std::string line = "0000:";
  char b[8];
  for (size_t i = 0; i < 16; ++i) {
    std::snprintf(b, sizeof b, " %02X", bytes[i]);
    line += b;
  }
  return line + "\n";
}

class CliCan : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* v = std::getenv("XDG_RUNTIME_DIR")) savedXdg_ = v;
    ::setenv("XDG_RUNTIME_DIR", dir_.Path().c_str(), 1);
    bus_ = dir_.File("bus");

    TCanConfig c;
    c.DataConfig = 1u << 0;  // odometer
    c.Bits = 0b10;
    c.Values = {0x01, 0, 0, 0};
    c.Words = {300, 0, 0, 0};
    c.bits_count = 2;
    c.values_count = 1;
    c.words_count = 1;
    const std::vector<uint8_t> names = EncodeSmsText("[Автозапуск][Замки][Режим|Лето|Зима][Время]");
    std::copy_n(names.begin(), std::min(names.size(), c.names.size()), c.names.begin());
    block_.resize(TCanConfig::kSize);
    WriteCanConfig(c, block_);
    std::string hex;
    char b[4];
    for (uint8_t v : block_) {
      std::snprintf(b, sizeof b, "%02X", v);
      hex += b;
    }
    unit_ = std::make_unique<Background>(
        SimPath(), std::vector<std::string>{"unit", "--bus", bus_, "--model", "2", "--poke", "6:0:" + hex});
    ASSERT_TRUE(unit_->WaitForOutput("plugged: ", 5000)) << unit_->Err();
  }
  void TearDown() override {
    unit_.reset();
    if (savedXdg_) ::setenv("XDG_RUNTIME_DIR", savedXdg_->c_str(), 1);
    else ::unsetenv("XDG_RUNTIME_DIR");
  }
  RunResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--bus", bus_});
    return RunCli(args);
  }

  TempDir dir_;
  std::string bus_;
  std::vector<uint8_t> block_;
  std::unique_ptr<Background> unit_;
  std::optional<std::string> savedXdg_;
};

TEST_F(CliCan, ShowExportAndSet) {
  RunResult r = Cli({"show", "--unit"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(Contains(r.out, "\nCAN\n  Опции\n    Одометр: ВКЛ\n    Уровень топлива: выкл\n")) << r.out;
  EXPECT_TRUE(Contains(r.out, "    Степень нажатия на тормоз: выкл\n  Настройки\n    Автозапуск: выкл\n    Замки: ВКЛ\n"
                              "  Функции\n    Режим: Зима\n  Значения\n    Время: 300\n"))
      << r.out;

  r = Cli({"export", "--unit"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const json::Value conf = json::Parse(r.out);
  EXPECT_EQ(json::Write(conf["can"]["can_user"]),
            R"({"cbcan0":{"key":"Автозапуск","value":false},"cbcan1":{"key":"Замки","value":true},)"
            R"("lbcan0":{"key":"Режим","value":"Зима"}})");
  EXPECT_EQ(conf["can"]["can_opt"]["can_odometer"], true);
  EXPECT_EQ(conf["can"]["can_opt"]["can_fuellevel"], false);

  // A refused value writes nothing.
  r = Cli({"set", "--unit", "cbcan0=1", "secan0=70000"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(Contains(r.err, "secan0=70000: допустимы целые числа 0..65535")) << r.err;
  r = Cli({"dump", "6"});
  EXPECT_EQ(r.out.substr(0, r.out.find('\n') + 1), DumpLine(block_));

  r = Cli({"set", "--unit", "cbcan0=1", "rbcan0=1", "secan0=65535"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::vector<uint8_t> expected = block_;
  expected[7] = 0x03;                   // both boxes
  expected[8] = 0x00;                   // group 0: choice 0
  expected[12] = expected[13] = 0xFF;   // 65535
  r = Cli({"dump", "6"});
  EXPECT_EQ(r.out.substr(0, r.out.find('\n') + 1), DumpLine(expected));
  EXPECT_TRUE(Contains(Cli({"show", "--unit"}).out, "    Автозапуск: ВКЛ\n    Замки: ВКЛ\n  Функции\n    Режим: Лето\n"));
}

}  // namespace
}  // namespace orv::test
