// The general options page model: the binding table, the load and store
// rules and their edge cases, the enabling rules and the synchronisation
// values.
#include <gtest/gtest.h>

#include "pages/model/options_model.h"
#include "pages/model/page_models.h"
#include "settings/factory_images.h"
#include "settings/option_flags.h"
#include "settings/json_writer.h"
#include "settings/settings_stream.h"

namespace orv {
namespace {

TMemItems FactoryItems(int image) {
  TMemItems items = CreateMemItems();
  EXPECT_TRUE(ReadOptionsFromStream(FactoryImage(image), nullptr, items).Ok());
  return items;
}

TConfigData Stored(const TMemItems& items) { return UpdateConfig(items[kRegionConfig].Bytes()); }

class OptionsModel : public ::testing::Test {
 protected:
  // Loads the factory image 1 with one change to the main block.
  void LoadWith(const std::function<void(TConfigData&)>& edit) {
    items = FactoryItems(1);
    TConfigData c = Stored(items);
    edit(c);
    UpdateDevMem(c, items[kRegionConfig].Bytes());
    model.LoadData(items);
  }
  TControlState StateOf(const char* name) { return model.State(static_cast<size_t>(model.Find(name))); }
  json::Value Sync() { return json::Parse("{" + model.SyncMembers() + "}"); }

  TPageEnv env;
  TOptionsModel model{env};
  TMemItems items = CreateMemItems();
};

TEST_F(OptionsModel, EverySliderTakesItsRangeEndsAndRefusesOneOutside) {
  items = FactoryItems(2);
  model.LoadData(items);
  model.SetExpertMode(true);
  for (const OptionBinding& b : kOptionBindings) {
    if (b.hidden) {
      EXPECT_EQ(model.Set(b.control, std::to_string(b.min)), "элемент скрыт") << b.control;
      continue;
    }
    for (int p : {b.min, b.max}) {
      ASSERT_EQ(model.Set(b.control, std::to_string(p)), "") << b.control << "=" << p;
      model.StoreData(items);
      EXPECT_EQ(b.get(Stored(items)), StoreValue(b, p)) << b.control << "=" << p;
      EXPECT_EQ(StateOf(b.control).value, p);
    }
    const std::string range = "допустимый диапазон: " + std::to_string(b.min) + ".." + std::to_string(b.max);
    EXPECT_EQ(model.Set(b.control, std::to_string(b.min - 1)), range) << b.control;
    EXPECT_EQ(model.Set(b.control, std::to_string(b.max + 1)), range) << b.control;
    EXPECT_EQ(model.Set(b.control, "x"), range) << b.control;
    EXPECT_EQ(StateOf(b.control).value, b.max) << "a refusal changes nothing";
  }
}

TEST_F(OptionsModel, LoadClampsAndConvertsStoreWritesBack) {
  const struct {
    const char* name;
    std::function<void(TConfigData&)> edit;
    int position;
    const char* label;
    std::function<int(const TConfigData&)> field;
    int stored;
  } cases[] = {
      {"tbPitTime", [](TConfigData& c) { c.timePit = 0; }, 46, "без ограничения", [](const TConfigData& c) { return c.timePit; }, 0},
      {"tbTripEndTimeout", [](TConfigData& c) { c.InRoadTimeout = 90; }, 1, "1 мин", [](const TConfigData& c) { return c.InRoadTimeout; }, 60},
      {"tbShockNotify", [](TConfigData& c) { c.shockNSensivity = 10; }, 0, "+5", [](const TConfigData& c) { return c.shockNSensivity; }, 10},
      {"tbShockAlarm", [](TConfigData& c) { c.shockASensivity = 0; }, 10, "-5", [](const TConfigData& c) { return c.shockASensivity; }, 0},
      {"tbMotion", [](TConfigData& c) { c.motionSensivity = 200; }, 0, "+5", [](const TConfigData& c) { return c.motionSensivity; }, 10},
      {"tbAnswerTimeout", [](TConfigData& c) { c.gsmWaitAnswerTimeout = 10; }, 30, "30 c", [](const TConfigData& c) { return c.gsmWaitAnswerTimeout; }, 30},
      {"tbMic", [](TConfigData& c) { c.Mic = 7; }, 0, "+3", [](const TConfigData& c) { return c.Mic; }, 7},
      {"tbSpeaker", [](TConfigData& c) { c.FromGSM = 20; }, 6, "-3", [](const TConfigData& c) { return c.FromGSM; }, 13},
      {"tbSelfArmRemindTime", [](TConfigData& c) { c.SelfArmRemindTime = 59; }, 0, "выкл", [](const TConfigData& c) { return c.SelfArmRemindTime; }, 0},
      {"tbTempEngine", [](TConfigData& c) { c.TempEngine = -40; }, -30, "-30 °С", [](const TConfigData& c) { return c.TempEngine; }, -30},
      {"tbAlarmPower", [](TConfigData& c) { c.AlarmPowerLevel = 95; }, 95, " 9.5 В", [](const TConfigData& c) { return c.AlarmPowerLevel; }, 95},
  };
  for (const auto& c : cases) {
    LoadWith(c.edit);
    const TControlState st = StateOf(c.name);
    EXPECT_EQ(st.value, c.position) << c.name;
    EXPECT_EQ(st.text, c.label) << c.name;
    model.StoreData(items);
    EXPECT_EQ(c.field(Stored(items)), c.stored) << c.name;
  }
}

TEST_F(OptionsModel, RadioGroupsAndTheVoltageEdit) {
  LoadWith([](TConfigData& c) {
    c.gpsNavType = 9;
    c.gpsResolution = 7;
    c.Button2Cmd = 4;
    c.BatteryCharge = 118;
  });
  EXPECT_EQ(StateOf("rbSVN2").value, 1);
  EXPECT_EQ(StateOf("rbRoute2").value, 1);
  EXPECT_EQ(StateOf("rbBtn2Cmd3").value, 1);
  EXPECT_EQ(StateOf("eEngineVoltage").text, "11.8");
  model.SetExpertMode(true);
  EXPECT_EQ(model.Set("rbSVN0", "1"), "");
  EXPECT_EQ(StateOf("rbSVN2").value, 0) << "one radio button of a group is on";
  EXPECT_EQ(model.Set("rbSVN1", "0"), "переключатель можно только включить: 1");
  EXPECT_EQ(model.Set("eEngineVoltage", "25.6"), "допустимый диапазон: 0.0..25.5");
  EXPECT_EQ(model.Set("eEngineVoltage", "12.46"), "");
  model.StoreData(items);
  EXPECT_EQ(Stored(items).gpsNavType, 3);
  EXPECT_EQ(Stored(items).gpsResolution, 2);
  EXPECT_EQ(Stored(items).Button2Cmd, 3);
  EXPECT_EQ(Stored(items).BatteryCharge, 125);
  EXPECT_EQ(model.Set("eEngineVoltage", "12,5"), "") << "not a number: accepted, stored as 11.3 V";
  model.StoreData(items);
  EXPECT_EQ(Stored(items).BatteryCharge, options_text::kVoltageNotANumber);
}

TEST_F(OptionsModel, FlagsWithoutABoxAndBytesBeyondTheBlockAreKept) {
  items = FactoryItems(3);
  items[kRegionConfig].FData[300] = 0x5A;
  model.LoadData(items);
  model.SetExpertMode(true);
  env.hestorData = [] { return true; };
  for (const OptionFlag& f : kOptionFlags) {
    const std::string name = "bit" + std::to_string(f.flag);
    model.Change(static_cast<size_t>(model.Find(name)), 1);
  }
  const TConfigData before = Stored(items);
  model.StoreData(items);
  const TConfigData after = Stored(items);
  for (int n = 0; n < 256; ++n) {
    if (FindOptionFlag(n)) EXPECT_TRUE(after.Flag(n)) << n;
    else EXPECT_EQ(after.Flag(n), before.Flag(n)) << n;
  }
  EXPECT_TRUE(after.Flag(24) && after.Flag(25) && after.Flag(26));
  EXPECT_EQ(items[kRegionConfig].FData[300], 0x5A);
  EXPECT_EQ(model.Config().Bits, before.Bits) << "storing leaves the page's copy as loaded";
}

TEST_F(OptionsModel, UssdKeepsItsSixteenthByte) {
  LoadWith([](TConfigData& c) { c.USSD.fill(0xFF); });
  model.SetExpertMode(true);
  EXPECT_EQ(model.Set("eUSSD", "123456789012345"), "");
  EXPECT_EQ(model.Set("eUSSD", "1234567890123456"), "не более 15 символов");
  EXPECT_EQ(model.Set("eUSSD", "*100#Б"), "допустимы только латинские буквы, цифры и знаки ASCII");
  model.StoreData(items);
  EXPECT_EQ(Stored(items).USSD[14], '5');
  EXPECT_EQ(Stored(items).USSD[15], 0xFF) << "byte 15 keeps its value";
  model.LoadData(items);
  EXPECT_EQ(StateOf("eUSSD").text, "123456789012345я") << "0xFF reads as one more letter";

  EXPECT_EQ(model.Set("eUSSD", "*102#"), "");
  model.StoreData(items);
  EXPECT_EQ(Stored(items).USSD[5], 0);
  EXPECT_EQ(Stored(items).USSD[14], 0) << "zero-padded";
}

TEST_F(OptionsModel, StoreBeforeAnyLoadWritesTheDesignValues) {
  EXPECT_FALSE(model.PIN());
  items[kRegionConfig].FData.fill(0xEE);
  model.StoreData(items);
  const TConfigData c = Stored(items);
  EXPECT_EQ(c.gsmWaitAnswerTimeout, 120);
  EXPECT_EQ(c.gsmHangUpTimeout, 30);
  EXPECT_EQ(c.shockNSensivity, 5);
  EXPECT_EQ(c.ShockDisableTime, 40);
  EXPECT_EQ(c.SelfArmTime, 0);
  EXPECT_EQ(c.alarmTime, 20);
  EXPECT_EQ(c.AlarmPowerLevel, 115);
  EXPECT_EQ(c.Mic, 10);
  EXPECT_EQ(c.diagTime, 30);
  EXPECT_EQ(c.InRoadTimeout, 300);
  EXPECT_EQ(c.timeRStart, 25);
  EXPECT_EQ(c.timePit, 25);
  EXPECT_EQ(c.TempEngine, -15);
  EXPECT_EQ(c.TempCabinHigh, 50);
  EXPECT_EQ(c.BatteryCharge, 113) << "the design text \"11,3\" is not a number";
  EXPECT_EQ(c.Singature, 195);
  EXPECT_EQ(c.devID, 0u) << "fields without a control come from the zeroed copy";
  EXPECT_EQ(c.PIN, (TPIN{0, 0, 0, 0}));
  EXPECT_EQ(items[kRegionConfig].FData[257], 0xEE) << "bytes 257..511 are not touched";
}

TEST_F(OptionsModel, EnablingRules) {
  items = FactoryItems(1);
  model.LoadData(items);
  // Expert categories: their controls and their sub-pages.
  EXPECT_EQ(model.Set("tbAnswerTimeout", "60"), "элемент недоступен");
  EXPECT_FALSE(model.SubPageEnabled(6));
  EXPECT_EQ(model.SelectSubPage(7), page_text::kExpertOnly);
  EXPECT_EQ(model.CurrentSubPage(), 0);
  EXPECT_EQ(model.SelectSubPage(5), "");
  EXPECT_EQ(model.CurrentSubPage(), 5);
  model.SetExpertMode(true);
  EXPECT_EQ(model.SelectSubPage(11), "");
  EXPECT_EQ(model.CurrentSubPage(), 11);

  // Auto-start prohibition.
  ASSERT_EQ(model.Set("bit47", "1"), "");
  for (const char* name : {"bit41", "bit42", "bit43", "bit44", "tbTempEngine", "tbTempCabinLow", "tbTempCabinHigh",
                           "eEngineVoltage"}) {
    EXPECT_FALSE(StateOf(name).enabled) << name;
    EXPECT_EQ(model.Set(name, "0"), "элемент недоступен") << name;
  }
  ASSERT_EQ(model.Set("bit47", "0"), "");
  EXPECT_EQ(model.Set("tbTempEngine", "-20"), "");

  // Fixed in the form; arming boxes follow the catalogue's Hestor data.
  EXPECT_FALSE(StateOf("bit8").enabled);
  EXPECT_FALSE(StateOf("bit28").visible);
  EXPECT_FALSE(StateOf("tbAutoinfIn").visible);
  EXPECT_FALSE(StateOf("bit17").enabled);
  env.hestorData = [] { return true; };
  EXPECT_TRUE(StateOf("bit17").enabled);
  EXPECT_TRUE(StateOf("bit4").enabled);

  EXPECT_TRUE(StateOf("bit46").hint.empty());
  model.OnShow();
  EXPECT_EQ(StateOf("tbPitTime").hint, "Время, в течение которого двигатель будет работать в режиме пит-стоп");
  EXPECT_EQ(StateOf("bit46").hint.rfind("Опция может использоваться для автомобилей с кнопкой Старт/Стоп\r\n", 0), 0u);
}

TEST_F(OptionsModel, SynchronisationValues) {
  LoadWith([](TConfigData& c) {
    c.AlarmPowerLevel = 95;
    c.DAC = 16;
    c.ToGSM = 0;
    c.Speaker = 3;
    c.timePit = 0;
    c.InRoadTimeout = 600;
  });
  model.SetExpertMode(true);
  ASSERT_EQ(model.Set("eEngineVoltage", "11,3"), "");
  ASSERT_EQ(model.Set("eUSSD", "*1\"0/"), "");
  const json::Value s = Sync();
  EXPECT_EQ(s.size(), 75u);
  EXPECT_EQ(s.begin().key(), "shockdisabletime");
  EXPECT_EQ(s["batteryalarmlevel"], " 9.5");
  EXPECT_EQ(s["dac"], "  0.00");
  EXPECT_EQ(s["togsm"], "  0.0") << "a computed zero has no minus sign";
  EXPECT_EQ(s["speaker"], "-4.5");
  EXPECT_EQ(s["timepit"], 0);
  EXPECT_EQ(s["inroadtimeout"], 600);
  EXPECT_EQ(s["batterycharge"], "11.3");
  EXPECT_EQ(s["USSD"], "*1\"0/");
  EXPECT_EQ(s["cbrstartindisarm"], false);
  EXPECT_EQ(s["commonsensivity"], 0);
  EXPECT_NE(model.SyncMembers().find(R"("USSD":"*1\"0\/")"), std::string::npos) << "escaped like every string";
  ASSERT_EQ(model.Set("eEngineVoltage", "9.5"), "");
  EXPECT_EQ(Sync()["batterycharge"], " 9.5");
}

TEST(OptionsPages, LoadAndStoreOfEachFactoryImageChangeNoByte) {
  for (int image = 1; image <= 3; ++image) {
    TMemItems items = FactoryItems(image);
    const TMemItems before = items;
    TPageEnv env;
    TPageModels pages(env);
    pages.LoadData(items);
    pages.StoreData(items);
    for (int k : {kRegionInternet, kRegionConfig, kRegionDelivery})
      EXPECT_TRUE(std::equal(before[k].Bytes().begin(), before[k].Bytes().end(), items[k].Bytes().begin()))
          << "image " << image << ", region " << k;
    EXPECT_EQ(pages.ChangedRegions(), 0u);
    EXPECT_EQ(pages.OptionsPIN(), UpdateConfig(before[kRegionConfig].Bytes()).PIN);
  }
}

}  // namespace
}  // namespace orv
