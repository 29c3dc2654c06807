// The export and the report lines of the remote-start page.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "pages/model/rstart_model.h"
#include "pages/model/rstart_text.h"
#include "settings/factory_images.h"
#include "settings/settings_stream.h"

namespace orv {
namespace {

TRStartModel FactoryModel() {
  TMemItems items = CreateMemItems();
  EXPECT_TRUE(ReadOptionsFromStream(CreateOptStream(0x23, 18), nullptr, items).Ok());
  TRStartModel m;
  m.LoadData(std::span<const uint8_t>(items[kRegionRStart].FData.data(), 448), TRStartUnit{true, 0x23}, nullptr);
  return m;
}

const char* kFactoryJson =
    R"J({"rs_opt":{"cartype":"Ключ зажигания","rs_wakeupimpulse":false,"rs_TimeAfterKeyIn":"5.0 c",)J"
    R"J("rs_Ign2OffOnCrank":false,"rs_StarterTime":"3.0 c","rs_Turbo":"120 сек","rs_IgnSuppTime":"5 мин",)J"
    R"J("rs_ImmoBypassMode":false},"rs_ins":[{"rs_i0":"Главный модуль","positive":true},{"rs_i1":"Главный модуль",)J"
    R"J("positive":true},{"rs_i3":"Главный модуль","positive":true},{"rs_i4":"Главный модуль","positive":true},)J"
    R"J({"rs_i5":"Главный модуль","positive":true},{"rs_i6":"Главный модуль","positive":true},{"rs_i7":"Главный модуль",)J"
    R"J("positive":true},{"rs_i11":"Главный модуль","positive":true}],"rs_outs":[{"rs_o0":"Обход иммобилайзера"},)J"
    R"J({"rs_o1":"Кнопка Старт\/Стоп"},{"rs_o2":"Имитация ключа в замке"},{"rs_o3":"Аксессуары"},{"rs_o4":"Зажигание 1"},)J"
    R"J({"rs_o5":"Зажигание 2"},{"rs_o6":"Стартер"},{"rs_o7":"Блокировка стартера"},{"rs_o8":"Не назначен"},)J"
    R"J({"rs_o9":"Педаль тормоза 2"}],"rs_seqs":[{"rs_s0":{"len":2,"items":[200,0],"onoff":[false,true]}},)J"
    R"J({"rs_s1":{"len":2,"items":[300,0],"onoff":[false,true]}},{"rs_s2":{"len":2,"items":[400,0],)J"
    R"J("onoff":[false,true]}},{"rs_s3":{"len":2,"items":[500,0],"onoff":[false,true]}},{"rs_s4":{"len":2,)J"
    R"J("items":[500,0],"onoff":[false,true]}},{"rs_s5":{"len":2,"items":[500,0],"onoff":[false,true]}},)J"
    R"J({"rs_s6":{"len":2,"items":[600,0],"onoff":[false,true]}},{"rs_s7":{"len":1,"items":[0],"onoff":[true]}},)J"
    R"J({"rs_s8":{"len":2,"items":[1000,3000],"onoff":[false,true]}},{"rs_s12":{"len":2,"items":[100,)J"
    R"J(0],"onoff":[true,false]}},{"rs_s13":{"len":2,"items":[200,0],"onoff":[true,false]}},{"rs_s14":{"len":1,)J"
    R"J("items":[700],"onoff":[true]}},{"rs_s15":{"len":2,"items":[300,0],"onoff":[true,false]}},{"rs_s16":{"len":2,)J"
    R"J("items":[300,0],"onoff":[true,false]}},{"rs_s17":{"len":2,"items":[400,0],"onoff":[true,false]}},)J"
    R"J({"rs_s18":{"len":2,"items":[500,0],"onoff":[true,false]}},{"rs_s19":{"len":2,"items":[600,0],)J"
    R"J("onoff":[true,false]}}],"Доп. параметры":{"Двигатель завелся":"70% обротов ХХ","Двигатель работает":"50% обротов ХХ",)J"
    R"J("Турбина работает":"250% обротов ХХ"}})J";

TEST(RStartExport, FactoryBlockGolden) { EXPECT_EQ(FactoryModel().ToJSON(), kFactoryJson); }

TEST(RStartExport, StartStopCarAndWires) {
  TRStartModel m = FactoryModel();
  m.SetCarType(true);
  m.SetSSBOn(TSSBOnType::kTriple);
  m.SetSSBOff(TSSBOffType::kAuto);
  m.ChooseInputSource(3, 2 + 3);
  m.TogglePolarity(3);
  m.MutableConfig().Seqs[12].Count = 0;
  const auto j = nlohmann::ordered_json::parse(m.ToJSON());
  std::vector<std::string> keys;
  for (const auto& [k, v] : j["rs_opt"].items()) keys.push_back(k);
  EXPECT_THAT(keys, testing::ElementsAre("cartype", "rs_wakeupimpulse", "rs_TimeAfterKeyIn", "rs_SSBon", "rs_SSBoff",
                                         "rs_SSBTime", "rs_Turbo", "rs_IgnSuppTime", "rs_ImmoBypassMode"));
  EXPECT_EQ(j["rs_opt"]["cartype"], "Кнопка Старт/Стоп");
  EXPECT_EQ(j["rs_opt"]["rs_SSBon"], "Тройной");
  EXPECT_EQ(j["rs_opt"]["rs_SSBoff"], "Автоматически");
  EXPECT_EQ(j["rs_ins"][2]["rs_i3"], "Модуль запуска, X2.4, черный/белый");
  EXPECT_EQ(j["rs_ins"][2]["positive"], true);
  ASSERT_EQ(j["rs_seqs"].size(), 11u);
  EXPECT_EQ(j["rs_seqs"][4]["rs_s9"]["len"], 6);
  EXPECT_EQ(j["rs_seqs"][7]["rs_s12"], nlohmann::ordered_json::parse(R"({"len":0})"));

  const auto report = m.Report();
  ASSERT_EQ(report.size(), 5u);
  EXPECT_THAT(report[0].lines, testing::Contains("Тип импульса включения зажигания: Тройной"));
  EXPECT_THAT(report[0].lines, testing::Not(testing::Contains(testing::HasSubstr("работы стартера"))));
  EXPECT_EQ(report[1].lines[2], "Педаль тормоза: Модуль запуска, X2.4, черный/белый (+)");
  EXPECT_THAT(report[3].lines, testing::Contains("SSB: включить зажигание: выкл(1.0), ВКЛ(0.60), выкл(1.0), ВКЛ(0.60), "
                                                 "выкл(1.0), ВКЛ(0.60)"));
  EXPECT_THAT(report[3].lines, testing::Contains("Педаль тормоза 2: отпустить:"));
}

TEST(RStartExport, ControlCharactersAndSlashEscaped) {
  TRStartModel m;
  EXPECT_EQ(rsfmt::JsonString("a/\"\x01\n"), "\"a\\/\\\"\\u0001\\n\"");
  EXPECT_NO_THROW(nlohmann::json::parse(m.ToJSON()));
}

}  // namespace
}  // namespace orv
