// The remote-start block through the real programs: units started from
// planted settings files, read by orvantis-cli, and the cyclogram, show and
// export of the page.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>

#include "device/orvantis.h"
#include "device/vbus_client.h"
#include "settings/factory_images.h"
#include "settings/mem_items.h"
#include "settings/rs_config.h"
#include "settings/settings_stream.h"
#include "support/process.h"

namespace orv::test {
namespace {

class RStartCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* v = std::getenv("XDG_RUNTIME_DIR");
    savedRuntime_ = v ? std::optional<std::string>(v) : std::nullopt;
    ::setenv("XDG_RUNTIME_DIR", tmp_.Path().c_str(), 1);
    bus_ = tmp_.File("bus");
  }
  void TearDown() override {
    unit_.reset();
    if (savedRuntime_) ::setenv("XDG_RUNTIME_DIR", savedRuntime_->c_str(), 1);
    else ::unsetenv("XDG_RUNTIME_DIR");
  }
  // A settings file of the factory settings of a model-3 unit with region 14 edited.
  std::string Planted(const std::function<void(uint8_t*)>& edit) {
    TMemItems items = CreateMemItems();
    EXPECT_TRUE(ReadOptionsFromStream(CreateOptStream(0x23, 18), nullptr, items).Ok());
    edit(items[kRegionRStart].FData.data());
    const auto bytes = BuildOptionsStream(items, streamhdr::kSaveHeader);
    const std::string path = tmp_.File("planted" + std::to_string(++files_) + ".vesnar");
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return path;
  }
  void StartUnit(int model, const std::string& settings) {
    unit_.reset();
    unit_ = std::make_unique<Background>(
        SimPath(), std::vector<std::string>{"unit", "--bus", bus_, "--model", std::to_string(model), "--settings", settings});
    ASSERT_TRUE(unit_->WaitForOutput("plugged: ", 5000)) << unit_->Err();
  }
  std::vector<uint8_t> UnitBlock() {
    VbusController bus(bus_);
    TOrvantis link(&bus, nullptr, nullptr, nullptr);
    link.SetUseSync(false);
    std::vector<uint8_t> b(448);
    EXPECT_TRUE(link.ReadROM(b.data(), kRegionAddr[kRegionRStart], 448));
    return b;
  }

  TempDir tmp_;
  std::string bus_;
  int files_ = 0;
  std::optional<std::string> savedRuntime_;
  std::unique_ptr<Background> unit_;
};

TEST_F(RStartCliTest, RelayQuestionOnReadByModel) {
  struct Case {
    int model;
    bool yes;
    bool asked;
    uint8_t output8After;
  };
  const Case cases[] = {{3, true, true, 0}, {3, false, true, 5}, {4, true, true, 0}, {2, true, false, 5}};
  for (const Case& c : cases) {
    SCOPED_TRACE("model " + std::to_string(c.model) + (c.yes ? " --yes" : ""));
    StartUnit(c.model, Planted([](uint8_t* d) { d[32 + 8] = 5; }));
    std::vector<std::string> args{"--bus", bus_, "read", "-o", tmp_.File("out.vesnar")};
    if (c.yes) args.push_back("--yes");
    const RunResult r = RunCli(args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.find("некорректное назначение выхода релейного блока") != std::string::npos, c.asked) << r.out;
    EXPECT_EQ(UnitBlock()[32 + 8], c.output8After) << "\"Да\" writes at once, \"Нет\" writes nothing";
  }
}

TEST_F(RStartCliTest, PlantedBlocksAsTheUnitHoldsThemAfterAWrite) {
  struct Case {
    const char* what;
    std::function<void(uint8_t*)> plant;
    std::function<void(const std::vector<uint8_t>&)> check;
  };
  const Case cases[] = {
      {"all FF: defaults, bits C2 00",
       [](uint8_t* d) { std::fill(d, d + 448, 0xFF); },
       [](const std::vector<uint8_t>& b) {
         EXPECT_EQ(b[432], 0xC2);
         EXPECT_EQ(b[433], 0x00);
         EXPECT_THAT(std::vector<uint8_t>(b.begin() + 32, b.begin() + 42), testing::ElementsAre(1, 2, 3, 4, 5, 6, 7, 8, 0, 10));
       }},
      {"input 5 = 13 is cleared, the rest kept",
       [](uint8_t* d) { d[16 + 5] = 13; d[16 + 0] = 10; },
       [](const std::vector<uint8_t>& b) {
         EXPECT_EQ(b[16 + 5], 0);
         EXPECT_EQ(b[16 + 0], 10);
       }},
      {"Count 8 in slot 3: defaults",
       [](uint8_t* d) { d[48 + 3 * 16] = 8; d[16] = 10; },
       [](const std::vector<uint8_t>& b) {
         EXPECT_EQ(b[48 + 3 * 16], 2);
         EXPECT_EQ(b[16], 1);
       }},
      {"a wrong hash is recomputed",
       [](uint8_t* d) { d[4] ^= 0xFF; },
       [](const std::vector<uint8_t>& b) {
         uint32_t h = 0;
         for (int i = 0; i < 4; ++i) h |= static_cast<uint32_t>(b[4 + i]) << (8 * i);
         EXPECT_EQ(h, OneAtATimeHash(b.data() + 16, 432));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string planted = Planted(c.plant);
    StartUnit(3, planted);
    const RunResult r = RunCli({"--bus", bus_, "write", planted});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    c.check(UnitBlock());
  }
}

TEST_F(RStartCliTest, CyclogramShowAndExportOfAFile) {
  const std::string file = Planted([](uint8_t*) {});
  const RunResult cyc = RunCli({"cyclogram", file});
  ASSERT_EQ(cyc.exitCode, 0) << cyc.err;
  EXPECT_THAT(cyc.out, testing::HasSubstr("Выключение двигателя:  2.7 c\n"));
  EXPECT_THAT(cyc.out, testing::HasSubstr("Секции: 215-375 375-395 395-945 945-955 955-995 995-1265\n"));
  EXPECT_THAT(cyc.out, testing::HasSubstr("\n6: 0 | 0 | 0 0:1000 1:3000 | 0 | 0 | 0\n"));
  EXPECT_THAT(cyc.out, testing::HasSubstr("\n3: 0 0:400 1:0 | 1 | 1 1:1000 0:4500 1:0 | 1 | 1 | 1 1:400 0:0\n"));
  EXPECT_THAT(cyc.out, testing::HasSubstr("\n8: 0 | 0 | 0 | 0 | 0 | 0\n"));
  EXPECT_THAT(RunCli({"cyclogram", file, "--width", "0"}).err, testing::HasSubstr("--width"));

  const RunResult show = RunCli({"show", file});
  ASSERT_EQ(show.exitCode, 0) << show.err;
  EXPECT_THAT(show.out, testing::HasSubstr("Модуль запуска"));
  EXPECT_THAT(show.out, testing::HasSubstr("\n  Импульсы\n"));
  EXPECT_THAT(show.out, testing::HasSubstr("\n    Стартер: включить: выкл(1.0), ВКЛ(3.0)\n"));

  const RunResult exp = RunCli({"export", file, "--time", "0"});
  ASSERT_EQ(exp.exitCode, 0) << exp.err;
  const size_t conn = exp.out.find("\"conn\""), seqs = exp.out.find("\"seqs\""), can = exp.out.find("\"can\""),
               rstart = exp.out.find("\"rstart\":{\"rs_opt\""), internet = exp.out.find("\"internet\""),
               sdate = exp.out.find("\"sdate\"");
  ASSERT_NE(rstart, std::string::npos) << exp.out;
  EXPECT_TRUE(conn < seqs && seqs < can && can < rstart && rstart < internet && internet < sdate) << exp.out;
  EXPECT_THAT(exp.out, testing::HasSubstr("\"rs_o1\":\"Кнопка Старт\\/Стоп\""));
}

TEST_F(RStartCliTest, DiagListsTheLitLampsOfTheModule) {
  const RunResult r = RunCli({"--sim", "3", "diag", "--count", "1"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_THAT(r.out, testing::HasSubstr("\n  Модуль запуска, состояние: "));
  EXPECT_THAT(r.out, testing::HasSubstr("\n  Модуль запуска, входы:     "));
  // The simulated module reports no brake control: that lamp is lit.
  EXPECT_THAT(r.out, testing::HasSubstr("\n  Модуль запуска, выходы:    Контроль педали тормоза\n"));
}

}  // namespace
}  // namespace orv::test
