#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "pages/model/connections_model.h"
#include "pages/model/impulses_model.h"
#include "connections/page_test_support.h"

namespace orv {
namespace {

using test::AnswerAll;
using test::PutBytes;

// Region 4 holding the built-in table, so loading asks nothing.
TMemItems BuiltInImage() {
  TMemItems items = CreateMemItems();
  TImpulsesModel m;
  m.StoreData(items);
  return items;
}

TImpulsesModel Loaded(const TMemItems& items) {
  TImpulsesModel m;
  AnswerAll no;
  bool force = false;
  m.LoadData(items, no, force, nullptr);
  return m;
}

void PutRecord(TMemItems& items, size_t k, std::initializer_list<uint8_t> bytes) {
  PutBytes(items, kRegionImpulses, k * 32, bytes);
}

TEST(ImpulsesModel, TablesHoldTheirPatterns) {
  const auto& w = TImpulsesModel::BuiltIn();
  const auto& s = TImpulsesModel::Standard();
  EXPECT_EQ(w[5].Header, 0x0082);
  EXPECT_EQ(w[33].Count(), 14);
  EXPECT_EQ(w[33].Data[13], 0x0000);
  EXPECT_EQ(w[32].Count(), 12);
  EXPECT_EQ(w[40].Data, w[32].Data);
  EXPECT_EQ(w[41].Caption, "Сигнал имитации открытия двери (трев. по дв. блокир. до конца циклограммы) ");
  EXPECT_EQ(s[41].Caption, "Сигнал имитации открытия двери");
  EXPECT_EQ(w[24].Caption, "Программа: №1");
  EXPECT_EQ(w[47].Caption, "Резерв [47]");
  EXPECT_EQ(s[39].Count(), 1);
  EXPECT_EQ(s[39].Data[0], 0x8000 | 30);
  EXPECT_EQ(s[38].Header, 0x0082);
  int differ = 0;
  for (int k = 0; k < 48; ++k)
    differ += w[static_cast<size_t>(k)].Header != s[static_cast<size_t>(k)].Header ||
              w[static_cast<size_t>(k)].Data != s[static_cast<size_t>(k)].Data ||
              w[static_cast<size_t>(k)].Caption != s[static_cast<size_t>(k)].Caption;
  EXPECT_EQ(differ, 7);  // 35..41
}

TEST(ImpulsesModel, ZeroedRegionRestoresStandardTableAndHorn) {
  struct Case {
    Prompts::Answer answer;
    uint8_t otherWire;  // an output on unit wire 2 (page wire 4) when not 0
    uint8_t horn;       // output 24 before
    std::vector<uint8_t> wantHorn;
  };
  const Case cases[] = {
      {Prompts::Answer::kYes, 0, 0, {0x02, 0x02}},
      {Prompts::Answer::kYes, 1, 0, {0x00, 0x00}},        // wire 4 taken
      {Prompts::Answer::kYes, 0, 0x01, {0x01, 0x00}},     // horn already on CAN
      {Prompts::Answer::kNo, 0, 0, {0x00, 0x00}},
  };
  for (const auto& c : cases) {
    TMemItems items = CreateMemItems();
    PutBytes(items, kRegionInputs, 0, {0x03, 0, 0x03, 0});
    PutBytes(items, kRegionInputs, 48, {0x01, 0, 0x01, 0});
    if (c.otherWire) PutBytes(items, kRegionOutputs, 2 * 3, {0x02, 0x02});
    PutBytes(items, kRegionOutputs, 2 * 24, {c.horn, 0});
    AnswerAll prompts(c.answer);
    bool force = false;
    TConnectionsModel conn;
    conn.LoadData(items, prompts, force);
    ASSERT_TRUE(prompts.questions.empty());
    TImpulsesModel m;
    m.CANFWChanged = true;
    EXPECT_EQ(m.MissingCount(), 0);
    m.LoadData(items, prompts, force, &conn);
    ASSERT_EQ(prompts.questions, std::vector<std::string>{imp_text::kMissingQuestion});
    EXPECT_FALSE(m.CANFWChanged);
    const bool yes = c.answer == Prompts::Answer::kYes;
    EXPECT_EQ(force, yes);
    EXPECT_EQ(m.MissingCount(), yes ? 0 : 36);
    for (int k = 0; k < 48; ++k) {
      const TImpSeq& want = yes ? TImpulsesModel::Standard()[static_cast<size_t>(k)] : TImpulsesModel::BuiltIn()[static_cast<size_t>(k)];
      EXPECT_EQ(m.Seq(k).Caption, want.Caption) << k;
      if (yes) EXPECT_EQ(m.Seq(k).Header, want.Header) << k;
      else EXPECT_EQ(m.Seq(k).Count(), 0) << k;
    }
    conn.StoreData(items);
    EXPECT_EQ(std::vector<uint8_t>(items[kRegionOutputs].FData.begin() + 48, items[kRegionOutputs].FData.begin() + 50),
              c.wantHorn);
  }
}

TEST(ImpulsesModel, MissingMeansNoPulsesWhereTheStandardHasSome) {
  TMemItems items = BuiltInImage();
  PutRecord(items, 3, {0x00, 0x08});  // eight pulses: present
  PutRecord(items, 1, {0x00, 0x00});  // the standard has none either
  AnswerAll prompts(Prompts::Answer::kYes);
  bool force = false;
  TImpulsesModel m;
  m.LoadData(items, prompts, force, nullptr);
  EXPECT_TRUE(prompts.questions.empty());
  EXPECT_FALSE(force);
  EXPECT_EQ(m.Seq(3).Count(), 8);
}

TEST(ImpulsesModel, ReadThenWriteIsByteIdenticalAndDeletedWordsBecomeZero) {
  TMemItems items = BuiltInImage();
  // Pattern 2: header with bits 4..6 and 8..15 set, three pulses, foreign words after them.
  PutRecord(items, 2, {0xAB, 0x73, 0x83, 0x20, 0x01, 0xF4, 0x83, 0x20, 0xDE, 0xAD, 0xBE, 0xEF});
  PutBytes(items, kRegionImpulses, 2 * 32 + 30, {0x12, 0x34});
  TImpulsesModel m = Loaded(items);
  TMemItems out = items;
  m.StoreData(out);
  EXPECT_EQ(out[kRegionImpulses].FData, items[kRegionImpulses].FData);

  ASSERT_TRUE(m.DeletePulse(2, 2));
  m.StoreData(out);
  const auto& d = out[kRegionImpulses].FData;
  EXPECT_EQ(d[64], 0x00);  // bits 8..15 cleared on a count change
  EXPECT_EQ(d[65], 0x72);  // bits 4..7 kept
  EXPECT_EQ(d[70], 0x00);  // the deleted pulse's word
  EXPECT_EQ(d[71], 0x00);
  EXPECT_EQ(d[72], 0xDE);  // beyond: the region's bytes
  EXPECT_EQ(d[94], 0x12);
}

TEST(ImpulsesModel, EditsFollowThePageRules) {
  TImpulsesModel m = Loaded(BuiltInImage());
  m.ToggleCyclic(5);
  TMemItems out = BuiltInImage();
  m.StoreData(out);
  EXPECT_EQ(out[kRegionImpulses].FData[5 * 32], 0x00);
  EXPECT_EQ(out[kRegionImpulses].FData[5 * 32 + 1], 0x02);
  m.ToggleCyclic(5);
  EXPECT_EQ(m.Seq(5).Header, 0x0082);

  EXPECT_FALSE(m.AddPulse(0, 0));
  EXPECT_FALSE(m.AddPulse(0, 2));
  EXPECT_FALSE(m.DeletePulse(0, 1));
  ASSERT_TRUE(m.AddPulse(0, 1));
  EXPECT_EQ(m.Seq(0).Count(), 2);
  EXPECT_EQ(m.Seq(0).Data[1], 0);
  EXPECT_EQ(m.SeqToString(0), "| импульс 0.80 c | выкл | ");
  EXPECT_FALSE(m.DeletePulse(0, 0));
  ASSERT_TRUE(m.DeletePulse(0, 1));
  EXPECT_FALSE(m.DeletePulse(1, 0));  // no pulses
  ASSERT_TRUE(m.AddPulse(1, 0));

  EXPECT_TRUE(m.AddPulse(33, 14));
  EXPECT_FALSE(m.AddPulse(33, 15));
  EXPECT_EQ(m.Seq(33).Count(), 15);
  EXPECT_FALSE(m.CanAdd(33, 15));

  // A word beyond the count is neither shown nor stored.
  m.SetPulse(0, 5, 0x8123);
  EXPECT_EQ(m.SeqToString(0), "| импульс 0.80 c | ");
  m.StoreData(out);
  EXPECT_EQ(out[kRegionImpulses].FData[12], 0x00);
}

TEST(ImpulsesModel, EditorWordFromTheDurationField) {
  struct Case {
    bool on, permanent;
    const char* text;
    std::optional<uint16_t> word;
    const char* after;
  };
  const Case cases[] = {
      {true, false, "1,5", 0x8000 | 1500, "1,5"}, {false, false, "0.25", 250, "0.25"},
      {true, false, "31", 0x8000 | 30000, "30"},  {true, false, "30", 0x8000 | 30000, "30"},
      {false, false, "abc", std::nullopt, "abc"}, {false, false, "", std::nullopt, ""},
      {true, true, "abc", 0x8000, "abc"},         {false, true, "5", 0, "5"},
      {true, false, "0.0004", 0x8000, "0.0004"},  {true, false, "2.0006", 0x8000 | 2001, "2.0006"},
  };
  for (const auto& c : cases) {
    std::string text = c.text;
    EXPECT_EQ(TImpulsesModel::EditorWord(c.on, c.permanent, text), c.word) << c.text;
    EXPECT_EQ(text, c.after);
  }
}

TEST(ImpulsesModel, DurationTextsAndHints) {
  const std::pair<uint16_t, const char*> cases[] = {
      {1, "0.00"}, {20, "0.02"}, {999, "1.00"}, {1000, "1.0"}, {9999, "10.0"}, {10000, "10"}, {30000, "30"},
      {0x8000 | 500, "0.50"},
  };
  for (const auto& [ms, text] : cases) EXPECT_EQ(TImpulsesModel::DurationText(ms), text) << ms;

  TImpulsesModel m = Loaded(BuiltInImage());
  EXPECT_EQ(m.SeqToString(9), "| импульс 0.50 c | выкл | ");
  EXPECT_EQ(m.SeqToString(8), "| пауза 0.50 c | ВКЛ | ");
  EXPECT_EQ(m.SeqToString(1), "");
  EXPECT_EQ(m.PulseHint(9, 0), "Всего импульсов: 2. Импульс #1: включить на 500 мс");
  EXPECT_EQ(m.PulseHint(9, 1), "Всего мпульсов: 2. Импульс #2: выключить до отмены");
  EXPECT_EQ(m.PulseHint(8, 0), "Всего мпульсов: 2. Импульс #1: выключить на 500 мс");
  EXPECT_EQ(m.PulseHint(6, 0), "Всего мпульсов: 1. Импульс #1: включить до отмены");
  EXPECT_EQ(m.PulseHint(6, 1), "");
}

TEST(ImpulsesModel, ExportIsByteExact) {
  TMemItems items = CreateMemItems();
  PutRecord(items, 0, {0x00, 0x01, 0x83, 0x20});
  PutRecord(items, 5, {0x00, 0x82, 0x81, 0xF4, 0x01, 0xF4});
  PutRecord(items, 7, {0x00, 0x80});  // cyclic without pulses
  TImpulsesModel m = Loaded(items);
  std::string want = "[";
  for (int k = 0; k < 48; ++k) {
    if (k) want += ",";
    want += "{\"seq" + std::to_string(k) + "\":";
    if (k == 0) want += "{\"len\":1,\"cycle\":false,\"items\":[800],\"onoff\":[true]}}";
    else if (k == 5) want += "{\"len\":2,\"cycle\":true,\"items\":[500,500],\"onoff\":[true,false]}}";
    else if (k == 7) want += "{\"len\":0,\"cycle\":true}}";
    else want += "{\"len\":0,\"cycle\":false}}";
  }
  want += "]";
  EXPECT_EQ(m.ToJSON(), want);
  EXPECT_TRUE(nlohmann::ordered_json::parse(m.ToJSON()).is_array());
}

}  // namespace
}  // namespace orv
