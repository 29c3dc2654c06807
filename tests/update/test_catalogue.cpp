// The catalogue package, hexadecimal images, the per-slot decisions with the
// forced update, both summaries and the update question.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "settings/settings_fixtures.h"
#include "update/fw_catalogue.h"
#include "update/fw_hex.h"
#include "update/fw_tasks.h"
#include "update/fw_texts.h"

namespace orv {
namespace {

using Json = nlohmann::ordered_json;

TEST(HexImage, ConversionTable) {
  struct Case {
    std::string text;
    std::optional<std::vector<uint8_t>> image;
  };
  const Case cases[] = {
      {"0A1b\r\n", std::vector<uint8_t>{0x0A, 0x1B}},
      {"ABC", std::vector<uint8_t>{0xAB}},  // odd last digit ignored
      {"0G12", std::nullopt},               // first pair invalid
      {"AB\r\n\r\n", std::nullopt},         // only one CR LF pair is removed
      {"", std::vector<uint8_t>{}},
      {"A", std::vector<uint8_t>{}},
      {"\r\n", std::vector<uint8_t>{}},
      {"0A\n1B", std::nullopt},  // inner LF
      {"0A 1B", std::nullopt},
      {"ffFF00", std::vector<uint8_t>{0xFF, 0xFF, 0x00}},
      {"AB\xD1\x8F", std::vector<uint8_t>{0xAB}},  // one character beyond the pairs, however it is encoded
      {"\xD1\x8F" "AB", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeHexImage(c.text), c.image) << testing::PrintToString(c.text);
}

TEST(HexImage, LoadReportsProgressAndFailure) {
  test::RecordingStatus st;
  EXPECT_EQ(LoadFWFromString("0a1b", st), (std::vector<uint8_t>{0x0A, 0x1B}));
  EXPECT_TRUE(st.Has("panel", fwtext::kIntegrityCheck));
  EXPECT_TRUE(st.Has("panel", fwtext::kIntegrityChecked));

  test::RecordingStatus log;
  try {
    LoadFWFromStream("0G12", log);
    FAIL() << "no exception";
  } catch (const FirmwareIntegrityError& e) {
    EXPECT_STREQ(e.what(), "Ошибка при проверке целостности ПО");
  }
  EXPECT_TRUE(log.Has("log", fwtext::kIntegrityCheck)) << "the stream form writes to the log only";
  EXPECT_TRUE(log.Has("panel", fwtext::kIntegrityChecked)) << "reported whatever the outcome";
  EXPECT_EQ(DecodeHexImage(EncodeHexImage({0, 1, 0xFE, 0xFF})), (std::vector<uint8_t>{0, 1, 0xFE, 0xFF}));
}

Json Build(const std::string& title, const std::string& hc) {
  return {{"title", title}, {"hardcode", hc}, {"cdate", "2022-01-01"}, {"id", 7}, {"desc", "d"}, {"data", "00"}};
}
Json Panel(int code) { return {{"type_code", code}, {"type_name", "n"}, {"desc", "d"}, {"id", 1}, {"title", "t"}}; }
Json Slot(const std::string& cur, const std::string& last, int code) {
  return {{"current", Build("core1.5 p18", cur)}, {"last", Build("core1.6 p18", last)}, {"panel", Panel(code)}};
}

class Catalogue : public testing::Test {
 protected:
  void SetUp() override { InitFirmwareCatalogue(fw); }
  void Parse(const Json& j) {
    ParseFWPacket(j.dump(), fw, [this](const std::string& l) { logged.push_back(l); });
  }
  TCoreFW fw;
  std::vector<std::string> logged;
};

TEST_F(Catalogue, SlotTable) {
  EXPECT_EQ(fw[Slot::CoreRS].ModuleName, "Модуль запуска");
  EXPECT_EQ(fw[Slot::CoreRS].Addr, 0x1A0000);
  EXPECT_EQ(fw[Slot::CoreImmo].Addr, 0x180000);
  EXPECT_EQ(fw[Slot::CoreValetRF].Addr, 0x140000);
  EXPECT_EQ(fw[Slot::CoreRFTag].Mask, "rftag R%d");
  EXPECT_EQ(fw[Slot::Core1].Mask, "");
}

TEST_F(Catalogue, ErrorPackageLogsOncePerSlotAndKeepsBuilds) {
  Parse({{"1", Slot("a", "b", 1)}});
  ASSERT_TRUE(fw[Slot::Core1].DataExist);
  Parse({{"error", "Блок не зарегистрирован"}, {"1", Slot("x", "y", 1)}});
  EXPECT_EQ(logged, std::vector<std::string>(6, "Блок не зарегистрирован"));
  for (const TFW& s : fw.all) EXPECT_FALSE(s.DataExist);
  EXPECT_EQ(fw[Slot::Core1].Current.HC, "a") << "Current and Last keep their previous contents";
}

TEST_F(Catalogue, MissingAndBrokenMembers) {
  Json j = {{"13", {{"current", Build("rs", "R7")}, {"last", Build("rs", "R8")}}}};
  Json cur = Build("core1.5 p18", "R5");
  cur.erase("cdate");
  j["1"] = {{"current", cur}, {"last", Build("t", "h")}, {"panel", Panel(1)}};
  Json bad = Slot("a", "b", 2);
  bad["current"]["id"] = "12";  // a text where a number belongs ends the step
  bad["panel"]["id"] = 1e12;
  j["2"] = bad;
  Parse(j);
  EXPECT_FALSE(fw[Slot::CoreRS].DataExist) << "no panel";
  EXPECT_EQ(fw[Slot::CoreRS].Current.HC, "R7");
  EXPECT_EQ(fw[Slot::CoreRS].Last.HC, "R8");
  const TCore& c = fw[Slot::Core1].Current;
  EXPECT_EQ(c.Title, "core1.5 p18");
  EXPECT_EQ(c.HC, "R5");
  EXPECT_TRUE(c.Date.empty() && c.ID == 0 && c.Desc.empty() && c.Data.empty());
  EXPECT_TRUE(fw[Slot::Core1].DataExist);
  EXPECT_EQ(fw[Slot::Core2].Current.Date, "2022-01-01");
  EXPECT_EQ(fw[Slot::Core2].Current.ID, 0);
  EXPECT_TRUE(fw[Slot::Core2].Current.Desc.empty());
  EXPECT_FALSE(fw[Slot::Core2].DataExist) << "panel id out of range";
  EXPECT_EQ(fw[Slot::Core2].Panel.Code, 2) << "panel fields read before the failure keep their values";
}

TEST_F(Catalogue, NonObjectAndNonJson) {
  Parse({{"1", Slot("a", "b", 1)}});
  Parse(Json::array({1, 2}));
  for (const TFW& s : fw.all) EXPECT_FALSE(s.DataExist);
  EXPECT_THROW(ParseFWPacket("{\"1\":", fw, {}), CatalogueError);
  EXPECT_THROW(ParseFWPacket("<html>", fw, {}), CatalogueError);
  EXPECT_THROW(ParseFWPacket(std::string(100000, '['), fw, {}), CatalogueError);
}

TEST(CoreName, JoinRules) {
  struct Case {
    const char* title;
    const char* hc;
    const char* name;
  };
  const Case cases[] = {
      {"core1.6 p18", "R6.1", "core1.6 p18.R6.1"}, {"a.", ".b", "a.b"}, {"a..", "..b", "a...b"},
      {"", "b", ""},                                {"a", "", ""},       {".", ".", "."},
  };
  for (const Case& c : cases) {
    TCore core;
    core.Title = c.title;
    core.HC = c.hc;
    EXPECT_EQ(GetCoreName(core), c.name) << c.title << " + " << c.hc;
  }
  TFW f;
  f.Current.Title = "hestor.";
  f.Current.HC = ".R3";
  EXPECT_EQ(GetExtDeviceName(f), "hestor...R3") << "no trimming";
}

// One unit: every slot with data; the core runs the latest build.
class Decisions : public Catalogue {
 protected:
  void SetUp() override {
    Catalogue::SetUp();
    Parse({{"1", Slot("R5", "R6", 1)},
           {"2", Slot("R2", "R3", 2)},
           {"13", Slot("R7", "R7", 13)},
           {"12", Slot("R3", "R3", 12)},
           {"10", Slot("R12", "R12", 10)},
           {"11", Slot("R2", "R2", 11)}});
    fw[Slot::Core1].Burned = "core1.6 p18.R6";
    fw[Slot::Core2].Burned = "core1.6 p18.R3";
  }
  std::vector<bool> Needs() {
    std::vector<bool> out;
    for (const TFW& s : fw.all) out.push_back(s.NeedUpdate);
    return out;
  }
};

TEST_F(Decisions, RulesAandB) {
  FWInfo info = UpdateFWInfo(fw, {});
  EXPECT_FALSE(info.needUpdate);
  fw[Slot::Core2].Corrupted = true;  // FwError 3 with matching names
  info = UpdateFWInfo(fw, {});
  EXPECT_EQ(Needs(), (std::vector<bool>{false, true, false, false, false, false}));
  EXPECT_TRUE(info.needUpdate);
  fw[Slot::Core2].Corrupted = false;
  fw[Slot::CoreRS].OnlineVersion = 9;  // what the module reports does not count
  fw[Slot::CoreRS].Online = true;
  fw[Slot::CoreValetRF].Last.HC = "R13";
  fw[Slot::Core1].Burned = "?";
  UpdateFWInfo(fw, {});
  EXPECT_EQ(Needs(), (std::vector<bool>{true, false, false, false, true, false}));
  fw[Slot::CoreValetRF].DataExist = false;
  UpdateFWInfo(fw, {});
  EXPECT_FALSE(fw[Slot::CoreValetRF].NeedUpdate) << "no data, no update";
}

TEST_F(Decisions, ForcedUpdateTable) {
  struct Case {
    ForceUpdate force;
    std::vector<bool> need;
  };
  ForceUpdate rs;
  rs.cbForceUpdate = true;
  rs.cbSkipRS = false;
  ForceUpdate all{true, false, false, false, false};
  ForceUpdate notShown{false, false, false, false, false};
  const Case cases[] = {
      {rs, {false, false, true, false, false, false}},
      {all, {true, true, true, false, true, false}},  // immobilizer and tag are never forced
      {notShown, {false, false, false, false, false, false}},
  };
  for (const Case& c : cases) {
    const FWInfo info = UpdateFWInfo(fw, c.force);
    EXPECT_EQ(Needs(), c.need);
    EXPECT_EQ(info.available.find("Модуль запуска: Обновление не требуется") != std::string::npos, true)
        << "forcing does not change the text line";
  }
  // A slot without data is forced by the code of its last complete package.
  fw[Slot::CoreValetRF].DataExist = false;
  ForceUpdate valet{true, true, true, true, false};
  UpdateFWInfo(fw, valet);
  EXPECT_TRUE(fw[Slot::CoreValetRF].NeedUpdate);
}

TEST_F(Decisions, SummariesAndQuestion) {
  fw[Slot::Core1].Burned = "core1.5 p18.R5";
  ApplyModuleVersions(fw, 12, 0);
  const FWInfo info = UpdateFWInfo(fw, {});
  EXPECT_EQ(info.installed,
            "Ядро системы: core1.5 p18.R5\r\n"
            "Дополнительное ПО: core1.6 p18.R3\r\n"
            "Модуль запуска: core1.5 p18.R7\r\n"
            "Хестор: core1.5 p18.R12 [онлайн: R12]\r\n"
            "Брелок-метка: core1.5 p18.R2\r\n"
            "Иммобилайзер: core1.5 p18.R3\r\n");
  EXPECT_EQ(info.available,
            "Ядро системы: core1.6 p18.R6\r\n"
            "Дополнительное ПО: Обновление не требуется\r\n"
            "Модуль запуска: Обновление не требуется\r\n"
            "Хестор: Обновление не требуется\r\n"
            "Брелок-метка: Обновление не требуется\r\n"
            "Иммобилайзер: Обновление не требуется\r\n");
  EXPECT_EQ(fw[Slot::CoreValetRF].Burned, "hestor R12");
  EXPECT_EQ(fw[Slot::CoreRS].Burned, "") << "version 0: burned text unchanged";
  EXPECT_FALSE(fw[Slot::CoreRS].Online);
  EXPECT_EQ(UpdateQuestion(fw),
            "Рекомендуется обновить программное обеспечение устройства.\r\nЯдро системы: core1.6 p18.R6\r\nСделать это сейчас?");

  fw[Slot::Core1].Burned = "core1.6 p18.R6";
  fw[Slot::CoreValetRF].Last.HC = "R13";
  UpdateFWInfo(fw, {});
  EXPECT_EQ(UpdateQuestion(fw),
            "Рекомендуется обновить программное обеспечение устройства.\r\n\r\nХестор: core1.6 p18.R13\r\nСделать это сейчас?");
  for (TFW& s : fw.all) s.DataExist = false;
  EXPECT_EQ(UpdateFWInfo(fw, {}).installed, "");
}

TEST(ForceList, Names) {
  const ForceUpdate f = ParseForceList("core,hestor");
  EXPECT_TRUE(f.cbForceUpdate);
  EXPECT_FALSE(f.cbSkipCore1);
  EXPECT_TRUE(f.cbSkipCore2);
  EXPECT_TRUE(f.cbSkipRS);
  EXPECT_FALSE(f.cbSkipValet);
  EXPECT_THROW(ParseForceList("core,immo"), std::invalid_argument);
}

}  // namespace
}  // namespace orv
