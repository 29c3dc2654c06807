// The remote-start block and the page model: loading repairs and questions,
// storing, defaults, templates, assignment rules, sliders and the pulse editor.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "pages/model/rstart_model.h"
#include "settings/factory_images.h"
#include "settings/settings_stream.h"
#include "settings/settings_fixtures.h"

namespace orv {
namespace {

using test::RecordingStatus;
using test::ScriptedPrompts;
using Answer = Prompts::Answer;

constexpr TRStartUnit kModel3{true, 0x23};
constexpr TRStartUnit kModel2{true, 0x22};
constexpr TRStartUnit kOffline{false, 0x24};

uint16_t On(uint32_t ms) { return pulse::Make(true, ms); }
uint16_t Off(uint32_t ms) { return pulse::Make(false, ms); }
std::vector<uint16_t> Pulses(const TRSSeq& s) { return {s.Pulses.begin(), s.Pulses.begin() + s.Len()}; }

std::array<uint8_t, 448> Erased() {
  std::array<uint8_t, 448> b;
  b.fill(0xFF);
  return b;
}

// The factory block of a model-3 unit.
std::array<uint8_t, 448> FactoryBlock() {
  TMemItems items = CreateMemItems();
  const auto res = ReadOptionsFromStream(CreateOptStream(0x23, 18), nullptr, items);
  EXPECT_TRUE(res.Ok());
  std::array<uint8_t, 448> b{};
  std::copy_n(items[kRegionRStart].FData.begin(), 448, b.begin());
  return b;
}

// The bytes StoreData writes for the model.
std::array<uint8_t, 448> Stored(TRStartModel& m) {
  TMemItems items = CreateMemItems();
  m.StoreData(items);
  std::array<uint8_t, 448> b{};
  std::copy_n(items[kRegionRStart].FData.begin(), 448, b.begin());
  return b;
}

void ExpectDefaults(const TRStartModel& m) {
  const TRSConfig& c = m.Config();
  EXPECT_THAT(std::vector<uint8_t>(c.Outs.begin(), c.Outs.begin() + 10),
              testing::ElementsAre(1, 2, 3, 4, 5, 6, 7, 8, 0, 10));
  for (int i = 0; i < kRSInputs; ++i) EXPECT_EQ(c.Ins[i], RSInputs[i].digitalDefault) << i;
  for (int i = 0; i < kRSSteps; ++i) EXPECT_EQ(Pulses(c.Seqs[i]), RSSteps[i].pulses) << i;
  EXPECT_FALSE(m.IsSSB());
}

TEST(RSConfig, ParseSerializeRoundTripAndShortBlock) {
  auto b = FactoryBlock();
  for (size_t i = 0; i < b.size(); ++i) b[i] = static_cast<uint8_t>(i * 7 + 3);
  EXPECT_EQ(TRSConfig::Parse(b).Serialize(), b);
  EXPECT_THROW(TRSConfig::Parse(std::span<const uint8_t>(b.data(), 447)), std::out_of_range);
}

TEST(RSConfig, FindSeq) {
  int s = 0;
  EXPECT_TRUE(FindSeq(rsfn::kSSB, 3, s));
  EXPECT_EQ(s, 11);
  s = 0;
  EXPECT_FALSE(FindSeq(rsfn::kAccessories, 1, s));
  EXPECT_EQ(s, 0);
  s = 20;
  EXPECT_FALSE(FindSeq(rsfn::kImmoBypass, 0, s));
  // Walking the phases of one function keeps the index.
  s = 0;
  std::vector<int> found;
  for (uint8_t p = 0; p < 4; ++p)
    if (FindSeq(rsfn::kSSB, p, s)) found.push_back(s);
  EXPECT_THAT(found, testing::ElementsAre(9, 10, 11));
}

TEST(RStartLoad, FactoryBlockStoresUnchanged) {
  const auto factory = FactoryBlock();
  EXPECT_THAT(std::vector<uint8_t>(factory.begin(), factory.begin() + 16),
              testing::ElementsAre(0xFF, 0xFF, 0xFF, 0xFF, 0xB3, 0x7C, 0x61, 0xFF, 0xB0, 0x01, 0xFF, 0xFF, 0xFF, 0xFF,
                                   0xFF, 0xFF));
  TRStartModel m;
  ScriptedPrompts prompts;
  EXPECT_FALSE(m.LoadData(factory, kModel3, &prompts));
  EXPECT_TRUE(prompts.questions.empty());
  const auto once = Stored(m);
  EXPECT_EQ(once, factory);
  EXPECT_EQ(Stored(m), once);
}

TEST(RStartLoad, ErasedBlockLoadsAsDefaults) {
  TRStartModel m;
  ScriptedPrompts prompts;
  EXPECT_FALSE(m.LoadData(Erased(), kModel3, &prompts));
  EXPECT_TRUE(prompts.questions.empty());
  ExpectDefaults(m);
  const auto b = Stored(m);
  EXPECT_EQ(b[432], 0xC2);
  EXPECT_EQ(b[433], 0x00);
  // Erased slots past the steps become zeros, so the next load keeps the block.
  for (size_t i = 48 + 20 * 16; i < 432; ++i) EXPECT_EQ(b[i], 0) << i;
  TRStartModel again;
  again.LoadData(b, kModel3, nullptr);
  EXPECT_EQ(Stored(again), b);
  // Times and thresholds are the defaults too.
  const TRSConfig c = TRSConfig::Parse(b);
  EXPECT_EQ(c.StarterDelay, 5000);
  EXPECT_EQ(c.IgnSupportTime, 300);
  EXPECT_EQ(c.TurboTime, 120);
  EXPECT_EQ(c.EngineStartRPM, 7);
  EXPECT_EQ(c.EngineRunRPM, 5);
  EXPECT_EQ(c.TurboRPM, 25);
}

TEST(RStartLoad, RepairsOfPlantedBlocks) {
  struct Case {
    const char* what;
    size_t offset;
    uint8_t value;
    bool defaults;
  };
  const Case cases[] = {
      {"input 5 = 13 is cleared alone", 16 + 5, 13, false},
      {"input 3 = 12 is cleared alone", 16 + 3, 12, false},
      {"input 17 is invalid", 16 + 2, 17, true},
      {"output 19 is invalid", 32 + 4, 19, true},
      {"output 18 is kept", 32 + 4, 18, false},
      {"Count 8 in slot 3", 48 + 3 * 16, 8, true},
      {"Count 255 in slot 22", 48 + 22 * 16, 255, true},
      {"Count 9 in slot 21 is kept", 48 + 21 * 16, 9, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto b = FactoryBlock();
    // Something that the defaults change: input 0 on X2.2 and the key car's starter time.
    b[16] = 4;
    b[c.offset] = c.value;
    TRStartModel m;
    ScriptedPrompts prompts;
    m.LoadData(b, kModel3, &prompts);
    EXPECT_TRUE(prompts.questions.empty());
    if (c.defaults) {
      ExpectDefaults(m);
    } else {
      EXPECT_EQ(m.Config().Ins[0], 4);
      if (c.offset >= 16 && c.offset < 32) EXPECT_EQ(m.Config().Ins[c.offset - 16], 0);
      else if (c.offset < 48) EXPECT_EQ(m.Config().Outs[c.offset - 32], c.value);
      else EXPECT_EQ(m.Config().Seqs[(c.offset - 48) / 16].Count, c.value);
    }
  }
}

TEST(RStartLoad, WrongHashLoadsAndIsRecomputed) {
  auto b = FactoryBlock();
  b[4] ^= 0x55;
  TRStartModel m;
  m.LoadData(b, kModel3, nullptr);
  EXPECT_EQ(Stored(m), FactoryBlock());
}

TEST(RStartLoad, RelayQuestion) {
  struct Case {
    const char* what;
    uint8_t out7, out8;
    TRStartUnit unit;
    bool asks;
  };
  const Case cases[] = {
      {"starter on yellow, out 8 = lock", 7, 8, kModel3, false},
      {"starter on yellow, out 8 = 0", 7, 0, kModel3, false},
      {"starter on yellow, out 8 = ignition", 7, 5, kModel3, true},
      {"no starter on yellow, out 8 = lock", 8, 8, TRStartUnit{true, 0x24}, true},
      {"model 2 never asks", 8, 8, kModel2, false},
      {"offline never asks", 8, 8, kOffline, false},
  };
  for (const Case& c : cases) {
    for (Answer a : {Answer::kYes, Answer::kNo}) {
      SCOPED_TRACE(std::string(c.what) + (a == Answer::kYes ? " / Да" : " / Нет"));
      auto b = FactoryBlock();
      b[32 + 7] = c.out7;
      b[32 + 8] = c.out8;
      TRStartModel m;
      ScriptedPrompts prompts;
      prompts.answers = {a};
      const bool force = m.LoadData(b, c.unit, &prompts);
      EXPECT_EQ(prompts.questions.size(), c.asks ? 1u : 0u);
      if (c.asks) EXPECT_EQ(prompts.questions[0], rstext::kRelayQuestion);
      const bool cleared = c.asks && a == Answer::kYes;
      EXPECT_EQ(force, cleared);
      EXPECT_EQ(m.Config().Outs[8], cleared ? 0 : c.out8);
    }
  }
}

TEST(RStartLoad, ChangeDefaultsAsksOnceAndIsConsumed) {
  auto b = FactoryBlock();
  TRStartModel m;
  m.ChangeDefaults = true;
  m.AnalogConnection = true;
  ScriptedPrompts prompts;
  EXPECT_TRUE(m.LoadData(b, kModel3, &prompts));
  ASSERT_EQ(prompts.questions.size(), 1u);
  EXPECT_EQ(prompts.questions[0], rstext::kDefaultsQuestion);
  EXPECT_TRUE(m.AlreadyDefault());
  EXPECT_EQ(m.Config().Ins[0], 10);
  EXPECT_EQ(m.Config().Ins[3], 9);
  EXPECT_EQ(m.Config().Ins[4], 6);
  EXPECT_EQ(m.Config().Ins[11], 0);
  EXPECT_EQ(m.Config().Ins[2], 1);  // hidden: not restored
  EXPECT_FALSE(m.ChangeDefaults);
  prompts.questions.clear();
  m.LoadData(b, kModel3, &prompts);
  EXPECT_TRUE(prompts.questions.empty());

  // "Нет" keeps the inputs; inputs already at the defaults ask nothing.
  TRStartModel no;
  no.ChangeDefaults = true;
  no.AnalogConnection = true;
  prompts.answers = {Answer::kNo};
  EXPECT_FALSE(no.LoadData(b, kModel3, &prompts));
  EXPECT_EQ(no.Config().Ins[0], 1);
  TRStartModel digital;
  digital.ChangeDefaults = true;
  prompts.questions.clear();
  digital.LoadData(b, kModel3, &prompts);
  EXPECT_TRUE(prompts.questions.empty());
}

TEST(RStartLoad, SlidersFromTheRecord) {
  auto b = FactoryBlock();
  TRSConfig c = TRSConfig::Parse(b);
  c.Seqs[8] = MakeSeq({Off(1000), On(2550)});
  c.Seqs[10] = MakeSeq({Off(100), On(9000)});
  c.StarterDelay = 60000;   // above the range: 40
  c.IgnSupportTime = 10;    // below: 1
  c.EngineRunRPM = 8;
  c.EngineStartRPM = 4;     // run ≥ started: started = run + 1
  c.TurboRPM = 200;
  const auto bytes = c.Serialize();
  TRStartModel m;
  m.LoadData(bytes, kModel3, nullptr);
  EXPECT_EQ(m.GetSlider(TRStartModel::kStarterTime).pos, 25);
  EXPECT_EQ(Pulses(m.Config().Seqs[8]), (std::vector<uint16_t>{Off(1000), On(2500)}));
  EXPECT_EQ(m.GetSlider(TRStartModel::kSSBTime).pos, 80);
  EXPECT_EQ(Pulses(m.Config().Seqs[10]), (std::vector<uint16_t>{Off(100), On(8000)}));
  EXPECT_EQ(m.GetSlider(TRStartModel::kTimeAfterKeyIn).pos, 40);
  EXPECT_EQ(m.GetSlider(TRStartModel::kIgnSuppTime).pos, 1);
  EXPECT_EQ(m.GetSlider(TRStartModel::kEngineRunRPM).pos, 8);
  EXPECT_EQ(m.GetSlider(TRStartModel::kEngineStartRPM).pos, 9);
  EXPECT_EQ(m.GetSlider(TRStartModel::kTurboRPM).pos, 35);
}

TEST(RStartStore, ShortRegionFails) {
  TRStartModel m;
  TMemItems items = CreateMemItems();
  items[kRegionRStart] = TMemItem(kRegionRStart, kRegionAddr[kRegionRStart], 447);
  items[kRegionRStart].FData.fill(0x11);
  try {
    m.StoreData(items);
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), rstext::kSizeError);
  }
  EXPECT_EQ(items[kRegionRStart].FData[0], 0x11);
}

TEST(RStartStore, KeepsUnusedPartsAndFillsTheRest) {
  auto b = FactoryBlock();
  b[32 + 12] = 0x12;            // output 12
  b[48 + 21 * 16 + 5] = 0x37;   // slot 21
  b[443] = 0x99;                // filling
  b[432] = 0xFF;                // bits other than ours are written as 0
  TRStartModel m;
  m.LoadData(b, kModel2, nullptr);
  TMemItems items = CreateMemItems();
  m.StoreData(items);
  const auto& d = items[kRegionRStart].FData;
  EXPECT_EQ(d[32 + 12], 0x12);
  EXPECT_EQ(d[48 + 21 * 16 + 5], 0x37);
  EXPECT_EQ(d[443], 0x99);
  EXPECT_EQ(d[432], 0xFF);  // every defined bit of Bits[0] set on load → all set again
  EXPECT_EQ(d[433], 0x00);
  for (size_t i = 448; i < d.size(); ++i) ASSERT_EQ(d[i], 0xFF) << i;
  const TRSConfig c = TRSConfig::Parse(std::span<const uint8_t>(d.data(), 448));
  EXPECT_EQ(c.HeaderHash(), OneAtATimeHash(d.data() + 16, 432));
}

TEST(RStartOptions, BitsOfTheControls) {
  struct Case {
    const char* what;
    void (*edit)(TRStartModel&);
    uint8_t b0, b1;
  };
  const Case cases[] = {
      {"defaults", [](TRStartModel&) {}, 0xC2, 0x00},
      {"ssb, wake-up, triple",
       [](TRStartModel& m) {
         m.SetCarType(true);
         m.SetWakeupImpulse(true);
         m.SetSSBOn(TSSBOnType::kTriple);
       },
       0x91, 0x00},
      {"single, double off, ign2",
       [](TRStartModel& m) {
         m.SetSSBOn(TSSBOnType::kSingle);
         m.SetSSBOff(TSSBOffType::kDouble);
         m.SetIgn2OffOnCrank(true);
       },
       0x0C, 0x00},
      {"double on, auto off, bypass both, no check",
       [](TRStartModel& m) {
         m.SetSSBOn(TSSBOnType::kDouble);
         m.SetSSBOff(TSSBOffType::kAuto);
         m.SetImmoBypassMode(true);
         m.SetImmoOffAfterStart(true);
         m.SetNoCheckState(true);
       },
       0x22, 0x07},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TRStartModel m;
    m.LoadData(Erased(), kModel3, nullptr);
    c.edit(m);
    const auto b = Stored(m);
    EXPECT_EQ(b[432], c.b0);
    EXPECT_EQ(b[433], c.b1);
    // Loading the stored block shows the same controls.
    TRStartModel again;
    again.LoadData(b, kModel3, nullptr);
    const auto b2 = Stored(again);
    for (size_t i = 0; i < b.size(); ++i) EXPECT_EQ(b2[i], b[i]) << i;
  }
}

TEST(RStartOptions, LocalDefaultsKeepSomePulseTypes) {
  struct Case {
    TSSBOnType on, onAfter;
    TSSBOffType off, offAfter;
  };
  const Case cases[] = {
      {TSSBOnType::kDouble, TSSBOnType::kSingle, TSSBOffType::kAuto, TSSBOffType::kSingle},
      {TSSBOnType::kTriple, TSSBOnType::kTriple, TSSBOffType::kDouble, TSSBOffType::kDouble},
      {TSSBOnType::kAuto, TSSBOnType::kAuto, TSSBOffType::kSingle, TSSBOffType::kSingle},
  };
  for (const Case& c : cases) {
    TRStartModel m;
    m.SetCarType(true);
    m.SetSSBOn(c.on);
    m.SetSSBOff(c.off);
    m.SetImmoBypassMode(true);
    m.LoadLocalDefaults();
    EXPECT_EQ(m.SSBOn(), c.onAfter);
    EXPECT_EQ(m.SSBOff(), c.offAfter);
    EXPECT_FALSE(m.IsSSB());
    EXPECT_FALSE(m.ImmoBypassMode());
    EXPECT_EQ(m.GetSlider(TRStartModel::kSSBTime).pos, 30);
    EXPECT_EQ(m.Config().Seqs[10].Pulses[1], On(3000));
  }
}

TEST(RStartOptions, NoCheckStateAndAutomaticExcludeEachOther) {
  TRStartModel m;
  m.SetCarType(true);
  m.SetSSBOn(TSSBOnType::kSingle);
  m.SetNoCheckState(true);
  m.SetSSBOn(TSSBOnType::kAuto);
  EXPECT_FALSE(m.NoCheckState());
  m.SetNoCheckState(true);
  EXPECT_TRUE(m.NoCheckState());
  EXPECT_EQ(m.SSBOn(), TSSBOnType::kSingle);
}

TEST(RStartOptions, ThresholdCoupling) {
  TRStartModel m;
  m.SetSlider(TRStartModel::kEngineRunRPM, 8);
  EXPECT_EQ(m.GetSlider(TRStartModel::kEngineStartRPM).pos, 9);
  m.SetSlider(TRStartModel::kEngineStartRPM, 4);
  EXPECT_EQ(m.GetSlider(TRStartModel::kEngineRunRPM).pos, 3);
  m.SetSlider(TRStartModel::kEngineRunRPM, 3);
  EXPECT_EQ(m.GetSlider(TRStartModel::kEngineStartRPM).pos, 4);
  EXPECT_EQ(m.SliderText(TRStartModel::kEngineStartRPM), "40% обротов ХХ");
}

TEST(RStartOptions, SliderTexts) {
  TRStartModel m;
  EXPECT_EQ(m.SliderText(TRStartModel::kTimeAfterKeyIn), "5.0 c");
  m.SetSlider(TRStartModel::kTimeAfterKeyIn, 3);
  EXPECT_EQ(m.SliderText(TRStartModel::kTimeAfterKeyIn), "1.5 c");
  EXPECT_EQ(m.SliderText(TRStartModel::kTurbo), "120 сек");
  EXPECT_EQ(m.SliderText(TRStartModel::kIgnSuppTime), "5 мин");
  m.SetSlider(TRStartModel::kStarterTime, 5);
  EXPECT_EQ(m.SliderText(TRStartModel::kStarterTime), "0.5 c");
}

TEST(RStartOptions, StarterSliderFollowsStep8UntilItHasNoOnPulse) {
  TRStartModel m;
  m.LoadData(Erased(), kModel3, nullptr);
  m.SetSlider(TRStartModel::kStarterTime, 25);
  EXPECT_EQ(Pulses(m.Config().Seqs[8]), (std::vector<uint16_t>{Off(1000), On(2500)}));
  m.SelectPulse(8, 1);
  std::string t = "2.5";
  m.EditPulse(false, true, t);
  m.SetSlider(TRStartModel::kStarterTime, 40);
  EXPECT_EQ(Pulses(m.Config().Seqs[8]), (std::vector<uint16_t>{Off(1000), Off(2500)}));
}

TEST(RStartSteps, VisibleRowsByCarType) {
  TRStartModel m;
  EXPECT_EQ(m.VisibleSteps().size(), 17u);
  m.SetCarType(true);
  EXPECT_THAT(m.VisibleSteps(), testing::ElementsAre(0, 1, 5, 6, 9, 10, 11, 12, 13, 18, 19));
}

TEST(RStartSteps, TemplatesAndTheLogLine) {
  struct Case {
    bool wake;
    TSSBOnType on;
    TSSBOffType off;
    std::vector<uint16_t> step0, step9, step11;
  };
  const Case cases[] = {
      {true, TSSBOnType::kTriple, TSSBOffType::kSingle, {Off(2100), On(0)},
       {On(600), Off(2400), On(600), Off(1000), On(600), Off(1000), On(600)}, {Off(2100), On(600)}},
      {false, TSSBOnType::kDouble, TSSBOffType::kDouble, {Off(200), On(0)},
       {Off(1000), On(600), Off(1000), On(600)}, {Off(100), On(600), Off(1000), On(600)}},
      {true, TSSBOnType::kAuto, TSSBOffType::kAuto, {Off(2100), On(0)}, {On(600)}, {Off(1000), On(600)}},
  };
  for (const Case& c : cases) {
    TRStartModel m;
    RecordingStatus log;
    m.Log = &log;
    m.SetCarType(true);
    m.MutableConfig().Seqs[2] = MakeSeq({On(1)});
    m.SetWakeupImpulse(c.wake);
    m.SetSSBOn(c.on);
    m.SetSSBOff(c.off);
    EXPECT_EQ(Pulses(m.Config().Seqs[0]), c.step0);
    EXPECT_EQ(Pulses(m.Config().Seqs[9]), c.step9);
    EXPECT_EQ(Pulses(m.Config().Seqs[11]), c.step11);
    EXPECT_EQ(Pulses(m.Config().Seqs[2]), RSSteps[2].pulses);  // copied although unchanged in 0 and 9
  }
  // Only a difference in step 0 or 9 is logged.
  TRStartModel m;
  RecordingStatus log;
  m.Log = &log;
  m.SetCarType(true);
  m.SetSSBOn(TSSBOnType::kSingle);
  EXPECT_TRUE(log.Texts("log").empty());
  m.SetSSBOff(TSSBOffType::kDouble);
  EXPECT_TRUE(log.Texts("log").empty());
  m.SetWakeupImpulse(true);
  EXPECT_THAT(log.Texts("log"), testing::ElementsAre(rstext::kRestoredPulses));
  // The key car is never regenerated.
  TRStartModel key;
  key.MutableConfig().Seqs[9] = MakeSeq({On(5)});
  key.SetWakeupImpulse(true);
  key.SetSSBOn(TSSBOnType::kTriple);
  key.SetCarType(false);
  EXPECT_EQ(Pulses(key.Config().Seqs[9]), std::vector<uint16_t>{On(5)});
  // A pending wake-up regeneration runs when the Start/Stop type is chosen.
  key.SetCarType(true);
  EXPECT_EQ(key.Config().Seqs[9].Count, 7);
}

TEST(RStartAssign, InputsAndOutputsRules) {
  TRStartModel m;
  m.LoadData(Erased(), kModel3, nullptr);
  // Brake pedal on X2.1 clears output 3; output 3 shows the input use.
  ASSERT_TRUE(m.ChooseInputSource(3, 2 + 0));
  EXPECT_EQ(m.Config().Ins[3], 2);
  EXPECT_EQ(m.Config().Outs[3], 0);
  EXPECT_EQ(m.OutputText(3), rstext::kUsedAsInput);
  ASSERT_TRUE(m.ChooseOutput(3, rsfn::kAccessories + 1));
  EXPECT_EQ(m.Config().Ins[3], 0);
  EXPECT_EQ(m.OutputText(3), "Аксессуары");
  // Tachometer: X2.5 only.
  EXPECT_FALSE(m.ChooseInputSource(0, 2 + 1));
  EXPECT_TRUE(m.ChooseInputSource(0, 2 + 4));
  EXPECT_EQ(m.Config().Ins[0], 10);
  // One polarity per wire, both ways.
  ASSERT_TRUE(m.TogglePolarity(0));
  EXPECT_EQ(m.Config().Ins[0], 11);
  ASSERT_TRUE(m.ChooseInputSource(4, 2 + 4));
  EXPECT_EQ(m.Config().Ins[4], 10);
  EXPECT_EQ(m.Config().Ins[0], 10);
  ASSERT_TRUE(m.TogglePolarity(4));
  EXPECT_EQ(m.Config().Ins[0], 11);
  EXPECT_FALSE(m.TogglePolarity(1));  // main unit: no polarity
  EXPECT_TRUE(m.ChooseInputSource(1, 0));
  EXPECT_EQ(m.Config().Ins[1], 0);
  // Relay pair.
  EXPECT_FALSE(m.ChooseOutput(8, rsfn::kStarterLock + 1));
  ASSERT_TRUE(m.ChooseOutput(7, rsfn::kStarter + 1));
  EXPECT_EQ(m.Config().Outs[8], rsfn::kStarterLock + 1);
  EXPECT_FALSE(m.ChooseOutput(8, rsfn::kIgn1 + 1));
  ASSERT_TRUE(m.ChooseOutput(7, rsfn::kIgn1 + 1));
  EXPECT_EQ(m.Config().Outs[8], 0);
  EXPECT_FALSE(m.ChooseOutput(2, 11));
}

TEST(RStartAssign, OutputNumAndUnknownCodes) {
  TRStartModel m;
  auto b = FactoryBlock();
  b[32 + 2] = 11;
  b[32 + 5] = 18;
  m.LoadData(b, kModel2, nullptr);
  EXPECT_EQ(m.OutputNum(3), 255);
  EXPECT_EQ(m.OutputNum(6), 255);
  EXPECT_EQ(m.OutputNum(1), rsfn::kImmoBypass);
  EXPECT_EQ(m.OutputNum(0), 255);
  EXPECT_EQ(m.OutputNum(11), 255);
  EXPECT_EQ(m.OutputText(2), rstext::kNotAssigned);
  EXPECT_EQ(Stored(m)[32 + 5], 18);  // kept until changed
}

TEST(RStartPulses, EditorRules) {
  TRStartModel m;
  m.LoadData(Erased(), kModel3, nullptr);
  // A stored pulse shows as on/off and Импульс/Постоянно.
  auto v = m.SelectPulse(0, 1);
  ASSERT_TRUE(v);
  EXPECT_TRUE(v->on);
  EXPECT_FALSE(v->impulse);
  v = m.SelectPulse(0, 0);
  ASSERT_TRUE(v);
  EXPECT_FALSE(v->on);
  EXPECT_TRUE(v->impulse);
  EXPECT_EQ(v->time, "0.20");

  struct Case {
    const char* typed;
    const char* shownAfter;
    bool changes;
    uint16_t word;
  };
  const Case cases[] = {
      {"45", "30", true, Off(30000)},  {"0.25", "0.25", true, Off(250)}, {"abc", "abc", false, Off(200)},
      {"0.0004", "0.0004", false, Off(200)}, {"-1", "-1", false, Off(200)},  {"1,5", "1,5", false, Off(200)},
      {"12.3456", "12.3456", true, Off(12346)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    m.MutableConfig().Seqs[0] = DefaultSeq(0);
    m.SelectPulse(0, 0);
    std::string t = c.typed;
    EXPECT_EQ(m.EditPulse(false, true, t), c.changes);
    EXPECT_EQ(t, c.shownAfter);
    EXPECT_EQ(m.Config().Seqs[0].Pulses[0], c.word);
  }
  // "Постоянно" ignores the text.
  m.SelectPulse(0, 0);
  std::string t = "junk";
  EXPECT_TRUE(m.EditPulse(true, false, t));
  EXPECT_EQ(m.Config().Seqs[0].Pulses[0], On(0));
}

TEST(RStartPulses, AddRemoveAndGrowth) {
  TRStartModel m;
  m.LoadData(Erased(), kModel3, nullptr);
  m.SelectPulse(7, 1);  // step 7 has one pulse: the first empty cell
  EXPECT_TRUE(m.AddEnabled());
  EXPECT_FALSE(m.RemoveEnabled());
  EXPECT_TRUE(m.AddPulse());
  EXPECT_EQ(Pulses(m.Config().Seqs[7]), (std::vector<uint16_t>{On(0), 0}));
  m.SelectPulse(7, 0);
  EXPECT_FALSE(m.RemoveEnabled());  // only the last one
  m.SelectPulse(7, 1);
  EXPECT_TRUE(m.RemoveEnabled());
  EXPECT_TRUE(m.RemovePulse());
  EXPECT_EQ(m.Config().Seqs[7].Count, 1);
  // Editing beyond the end grows the sequence with zero pulses.
  m.SelectPulse(7, 4);
  EXPECT_FALSE(m.AddEnabled());
  std::string t = "1";
  EXPECT_TRUE(m.EditPulse(true, true, t));
  EXPECT_EQ(Pulses(m.Config().Seqs[7]), (std::vector<uint16_t>{On(0), 0, 0, 0, On(1000)}));
  // Seven pulses at most.
  m.MutableConfig().Seqs[7] = MakeSeq({1, 2, 3, 4, 5, 6, 7});
  m.SelectPulse(7, 7);
  EXPECT_FALSE(m.AddEnabled());
  EXPECT_FALSE(m.AddPulse());
}

TEST(RStartPulses, EditingStep8MovesItsSlider) {
  TRStartModel m;
  m.LoadData(Erased(), kModel3, nullptr);
  m.SelectPulse(8, 1);
  std::string t = "2.55";
  EXPECT_TRUE(m.EditPulse(true, true, t));
  EXPECT_EQ(m.GetSlider(TRStartModel::kStarterTime).pos, 25);
  EXPECT_EQ(m.Config().Seqs[8].Pulses[1], On(2500));
}

TEST(RStartPulses, DurationTexts) {
  EXPECT_EQ(TRStartModel::DurationText(600), "0.60");
  EXPECT_EQ(TRStartModel::DurationText(999), "1.00");
  EXPECT_EQ(TRStartModel::DurationText(1000), "1.0");
  EXPECT_EQ(TRStartModel::DurationText(9999), "10.0");
  EXPECT_EQ(TRStartModel::DurationText(10000), "10");
  EXPECT_EQ(TRStartModel::DurationText(30000), "30");
}

}  // namespace
}  // namespace orv
