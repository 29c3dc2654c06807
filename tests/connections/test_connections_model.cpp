#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "pages/model/connections_model.h"
#include "connections/page_test_support.h"

namespace orv {
namespace {

using test::AnswerAll;
using test::PutBytes;

constexpr TConnUnit kUnit11{true, 0x23, 0x11};

// A model loaded from `items` without questions answered "Да".
TConnectionsModel Loaded(const TMemItems& items, TConnUnit unit = kUnit11) {
  TConnectionsModel m;
  m.SetUnit(unit);
  AnswerAll no;
  bool force = false;
  m.LoadData(items, no, force);
  return m;
}

// Inputs 0, 1, 24 and 25 assigned, so loading asks nothing.
TMemItems Quiet() {
  TMemItems items = CreateMemItems();
  PutBytes(items, kRegionInputs, 0, {0x03, 0x00, 0x03, 0x00});
  PutBytes(items, kRegionInputs, 48, {0x01, 0x00, 0x01, 0x00});
  return items;
}

struct WireCase {
  uint8_t page, stored;
};

TEST(ConnectionsModel, InputWiresConvertBothWaysForEveryIndex) {
  const WireCase cases[] = {{0, 0}, {1, 2}, {2, 4}, {3, 6}, {4, 7}, {5, 5}, {6, 3},
                            {7, 1}, {8, 8}, {9, 9}, {10, 10}, {200, 200}};
  for (const auto& c : cases) {
    TMemItems items = Quiet();
    PutBytes(items, kRegionInputs, 2 * 9, {0x02, c.stored});
    TConnectionsModel m = Loaded(items);
    EXPECT_EQ(m.Input(9).b1, c.page) << int{c.stored};
    TMemItems out = CreateMemItems();
    m.StoreData(out);
    EXPECT_EQ(out[kRegionInputs].FData[19], c.stored) << int{c.page};
    EXPECT_EQ(TConnectionsModel::InputWireToUnit(c.page), c.stored);
  }
}

TEST(ConnectionsModel, OutputWiresConvertBothWaysForEveryIndex) {
  const WireCase cases[] = {{0, 6}, {1, 5}, {2, 4}, {3, 3}, {4, 2}, {5, 1}, {6, 0}, {7, 7}, {8, 8}, {77, 77}};
  for (const auto& c : cases) {
    TMemItems items = Quiet();
    PutBytes(items, kRegionOutputs, 2 * 27, {0x02, c.stored});
    TConnectionsModel m = Loaded(items);
    EXPECT_EQ(m.Output(27).b1, c.page) << int{c.stored};
    TMemItems out = CreateMemItems();
    m.StoreData(out);
    EXPECT_EQ(out[kRegionOutputs].FData[55], c.stored) << int{c.page};
  }
}

TEST(ConnectionsModel, StoredWireThreeReadsAsWireSixAndNamesItByBoard) {
  TMemItems items = Quiet();
  PutBytes(items, kRegionInputs, 2 * 5, {0x02, 0x03});
  PutBytes(items, kRegionOutputs, 0, {0x02, 0x00});
  TConnectionsModel m = Loaded(items);
  EXPECT_EQ(m.InputSourceText(5), "Главный модуль, CN10.7, оранжевый \"-\"");
  EXPECT_EQ(m.OutputSourceText(0), "Главный модуль, CN9.7, фиолетовый");
  m.SetUnit({true, 0x23, 0x12});
  EXPECT_EQ(m.InputSourceText(5), "Главный модуль, CN1.2, оранжевый \"-\"");
  m.SetUnit({true, 0x23, 0x13});  // the wire tables use the second column for 0x12 only
  EXPECT_EQ(m.InputSourceText(5), "Главный модуль, CN10.7, оранжевый \"-\"");
  m.SetUnit({});
  EXPECT_EQ(m.InputSourceText(5), "Главный модуль, n/a");
}

TEST(ConnectionsModel, WireNamesAndCaptionsByBoard) {
  const TConnUnit off{}, b17{true, 0x21, 0x11}, b18{true, 0x21, 0x12}, b19{true, 0x21, 0x13};
  EXPECT_EQ(TConnectionsModel::InputWireName(7, b18), "CN1.4, желтый/зеленый \"-\" ");
  EXPECT_EQ(TConnectionsModel::InputWireName(9, b17), "CN10.5, белый/зеленый (импульсный) \"+\"");
  EXPECT_EQ(TConnectionsModel::InputWireName(10, b17), "n/a");
  EXPECT_EQ(TConnectionsModel::InputWireName(0, off), "n/a");
  EXPECT_EQ(TConnectionsModel::OutputWireName(4, b17), "CN9.5, желтый/белый");
  EXPECT_EQ(TConnectionsModel::OutputWireName(8, b18), "n/a");
  EXPECT_EQ(TConnectionsModel::CaptionInputWireName(3, b19), "CN1.5, белый/черный \"+\"");
  EXPECT_EQ(TConnectionsModel::CaptionInputWireName(3, b17), "CN10.4, белый/черный \"+\"");
  EXPECT_EQ(TConnectionsModel::CaptionOutputWireName(7, b19), "CN2.10, коричневый");
}

TEST(ConnectionsModel, LoadClearsWireByteOfSourcesWithoutWireAndKeepsForeignBytes) {
  TMemItems items = Quiet();
  for (int r : {kRegionInputs, kRegionThresholds, kRegionOutputs})
    for (size_t i = 0; i < items[static_cast<size_t>(r)].Size(); ++i) items[static_cast<size_t>(r)].FData[i] = 0xA5;
  PutBytes(items, kRegionInputs, 0, {0x03, 0x00, 0x03, 0x00});
  PutBytes(items, kRegionInputs, 48, {0x01, 0x00, 0x01, 0x00});
  PutBytes(items, kRegionInputs, 4, {0x01, 0x07, 0x03, 0x07, 0x04, 0x07, 0x05, 0x07, 0x00, 0x07, 0xC6, 0x07});
  TConnectionsModel m = Loaded(items);
  EXPECT_EQ(m.InputSourceText(4), "");  // source 4 has no text
  EXPECT_EQ(m.InputGridText(4), "04 00");
  EXPECT_EQ(m.InputSourceText(5), "Сумма входов дверей");
  EXPECT_TRUE(m.Input(7).Inverted());
  EXPECT_TRUE(m.Input(7).Fixed());

  TMemItems out = items;
  m.StoreData(out);
  const std::vector<uint8_t> want = {0x01, 0x00, 0x03, 0x00, 0x04, 0x00, 0x05, 0x07, 0x00, 0x07, 0xC6, 0x07};
  EXPECT_EQ(std::vector<uint8_t>(out[kRegionInputs].FData.begin() + 4, out[kRegionInputs].FData.begin() + 16), want);
  for (size_t i = 58; i < 64; ++i) EXPECT_EQ(out[kRegionInputs].FData[i], 0xA5);
  for (size_t i = 4; i < 8; ++i) EXPECT_EQ(out[kRegionThresholds].FData[i], 0xA5);
  for (size_t i = 56; i < 64; ++i) EXPECT_EQ(out[kRegionOutputs].FData[i], 0xA5);
  // Entries with source 0xA5 & 0x0F = 5 on outputs have no text and are stored as loaded.
  EXPECT_EQ(m.OutputSourceText(3), "");
  EXPECT_EQ(out[kRegionOutputs].FData[6], 0xA5);
  EXPECT_EQ(out[kRegionOutputs].FData[7], 0xA5);
}

TEST(ConnectionsModel, LoadQuestionsRestoreFactorySourcesOnYes) {
  struct Case {
    uint8_t kind;
    Prompts::Answer answer;
    size_t questions;
    uint8_t in0, in24;
    bool force;
  };
  const Case cases[] = {
      {0x23, Prompts::Answer::kYes, 2, 0x03, 0x01, true},
      {0x24, Prompts::Answer::kNo, 2, 0x00, 0x00, false},
      {0x22, Prompts::Answer::kYes, 1, 0x00, 0x01, true},  // models 1 and 2: turn signals only
  };
  for (const auto& c : cases) {
    TMemItems items = CreateMemItems();
    PutBytes(items, kRegionInputs, 2, {0x80, 0x00});  // input 1 fixed, not assigned: not "entirely zero"
    TConnectionsModel m;
    m.SetUnit({true, c.kind, 18});
    AnswerAll prompts(c.answer);
    bool force = false;
    m.LoadData(items, prompts, force);
    ASSERT_EQ(prompts.questions.size(), c.questions) << int{c.kind};
    EXPECT_EQ(prompts.questions.back(), conn_text::kTurnQuestion);
    EXPECT_EQ(m.Input(0).b0, c.in0);
    EXPECT_EQ(m.Input(1).b0, 0x80);
    EXPECT_EQ(m.Input(24).b0, c.in24);
    EXPECT_EQ(m.Input(25).b0, c.in24);
    EXPECT_EQ(force, c.force);
  }
}

TEST(ConnectionsModel, MainWireMovesFromTheInputThatHadIt) {
  TMemItems items = Quiet();
  PutBytes(items, kRegionInputs, 2 * 3, {0x42, TConnectionsModel::InputWireToUnit(2)});
  PutBytes(items, kRegionInputs, 2 * 5, {0x01, 0x00});
  TConnectionsModel m = Loaded(items);
  ASSERT_TRUE(m.ChooseInput(5, csMain, 2).ok);
  EXPECT_EQ(m.Input(5), (TConnEntry{0x02, 2}));
  EXPECT_EQ(m.Input(3), (TConnEntry{0x40, 0}));  // inversion kept, wire freed

  // Input 3 fixed on the wire: input 5 keeps its source.
  PutBytes(items, kRegionInputs, 2 * 3, {0x82, TConnectionsModel::InputWireToUnit(2)});
  m = Loaded(items);
  const TConnEdit e = m.ChooseInput(5, csMain, 2);
  EXPECT_FALSE(e.ok);
  EXPECT_EQ(e.message, "Изменение затрагивает фиксированный вход \"Вход постановки/снятия\" не может быть выполнено");
  EXPECT_EQ(m.Input(5), (TConnEntry{0x01, 0}));
  EXPECT_EQ(m.Input(3), (TConnEntry{0x82, 2}));
}

TEST(ConnectionsModel, FixedEntriesRefuseEveryEdit) {
  TMemItems items = Quiet();
  PutBytes(items, kRegionInputs, 2 * 7, {0x81, 0x00});
  PutBytes(items, kRegionOutputs, 2 * 14, {0x82, 0x06});  // "Сирена" on wire 0
  PutBytes(items, kRegionOutputs, 2 * 1, {0x02, 0x05});   // "Фары" on wire 1
  TConnectionsModel m = Loaded(items);
  const std::string in = "Назначение входа \"Датчик включения зажигания\" не может быть изменено";
  EXPECT_EQ(m.ChooseInput(7, csNone).message, in);
  EXPECT_EQ(m.ChooseInput(7, csCan).message, in);
  EXPECT_EQ(m.ToggleInvert(7).message, in);
  EXPECT_EQ(m.Input(7), (TConnEntry{0x81, 0}));
  EXPECT_EQ(m.ChooseOutput(14, csCan).message, "Назначение выхода \"Сирена\" не может быть изменено");
  EXPECT_EQ(m.ChooseOutput(2, csMain, 0).message,
            "Изменение затрагивает фиксированный выход \"Сирена\" не может быть выполнено");
  EXPECT_EQ(m.Output(2).b0, 0);
  // A free wire moves between outputs.
  ASSERT_TRUE(m.ChooseOutput(2, csMain, 1).ok);
  EXPECT_EQ(m.Output(1), (TConnEntry{0, 0}));
  EXPECT_EQ(m.Output(2), (TConnEntry{0x02, 1}));
}

TEST(ConnectionsModel, MenusOfferOnlyTheirItems) {
  TConnectionsModel m = Loaded(Quiet());
  EXPECT_EQ(TConnectionsModel::InputMenuWires(8), (std::vector<int>{3, 4, 8, 9}));
  EXPECT_FALSE(m.ChooseInput(8, csMain, 0).ok);
  EXPECT_TRUE(m.ChooseInput(8, csMain, 9).ok);
  EXPECT_FALSE(m.ChooseInput(2, csMain, 8).ok);
  for (int i = 0; i < TConnectionsModel::kInputs; ++i)
    EXPECT_EQ(m.ChooseInput(i, csStart).ok, i == 0 || i == 1 || i == 5) << i;
  EXPECT_FALSE(m.ChooseOutput(0, csStart).ok);
  EXPECT_FALSE(m.ChooseOutput(0, csDoors).ok);
  ASSERT_TRUE(m.ToggleInvert(2).ok);
  EXPECT_TRUE(m.Input(2).Inverted());
  ASSERT_TRUE(m.ToggleInvert(2).ok);
  EXPECT_FALSE(m.Input(2).Inverted());
}

TEST(ConnectionsModel, ThresholdsStayOrderedWithinTheirRange) {
  struct Case {
    int off, on;       // before
    bool moveOn;       // which bar moves
    int to;            // where to
    int wantOff, wantOn;
  };
  const Case cases[] = {
      {12, 50, true, 10, 9, 10},    {120, 130, false, 200, 200, 201}, {5, 9, true, 0, 0, 0},
      {0, 9, false, 255, 255, 255}, {12, 50, true, 12, 12, 12},       {3, 4, true, 300, 3, 255},
  };
  for (const auto& c : cases) {
    TMemItems items = Quiet();
    PutBytes(items, kRegionThresholds, 2, {static_cast<uint8_t>(c.off), static_cast<uint8_t>(c.on)});
    TConnectionsModel m = Loaded(items);
    if (c.moveOn) m.SetOnThreshold(1, c.to);
    else m.SetOffThreshold(1, c.to);
    EXPECT_EQ(m.OffThreshold(1), c.wantOff) << c.off << " " << c.on << " " << c.to;
    EXPECT_EQ(m.OnThreshold(1), c.wantOn) << c.off << " " << c.on << " " << c.to;
    TMemItems out = CreateMemItems();
    m.StoreData(out);
    EXPECT_EQ(out[kRegionThresholds].FData[2], c.wantOff);
    EXPECT_EQ(out[kRegionThresholds].FData[3], c.wantOn);
  }
  // Loading keeps a reversed pair as stored.
  TMemItems items = Quiet();
  PutBytes(items, kRegionThresholds, 0, {200, 100});
  TConnectionsModel m = Loaded(items);
  EXPECT_EQ(m.OffThreshold(0), 200);
  EXPECT_EQ(m.OnThreshold(0), 100);
}

TEST(ConnectionsModel, ThresholdTextBothWays) {
  const std::pair<const char*, std::optional<int>> typed[] = {
      {"12,3", 123}, {"12.3", 123}, {"25.5 В", 255}, {" 0.0 В", 0}, {"99", 255},
      {"1.25", 12},  {"abc", std::nullopt}, {"", std::nullopt}, {"1.2.3", std::nullopt}, {"В", std::nullopt},
  };
  for (const auto& [text, want] : typed) EXPECT_EQ(TConnectionsModel::ThresholdFromText(text), want) << text;
  EXPECT_EQ(TConnectionsModel::ThresholdText(0), " 0.0 В");
  EXPECT_EQ(TConnectionsModel::ThresholdText(123), "12.3 В");
  EXPECT_EQ(TConnectionsModel::ThresholdText(255), "25.5 В");
  TConnectionsModel m;
  EXPECT_EQ(m.ThresholdCaption(0), "Вход n/a");
  m.SetUnit({true, 0x23, 0x13});
  EXPECT_EQ(m.ThresholdCaption(1), "Вход CN1.7, белый/зеленый \"+\"");
}

TEST(ConnectionsModel, HornHelpers) {
  TMemItems items = Quiet();
  PutBytes(items, kRegionOutputs, 2 * 10, {0x02, 0x02});  // wire 4 in the unit's order is 2
  TConnectionsModel m = Loaded(items);
  EXPECT_FALSE(m.HorOutIsFree());
  EXPECT_FALSE(m.OutIsAssigned(24));
  m.ChooseOutput(10, csNone);
  EXPECT_TRUE(m.HorOutIsFree());
  m.SetHornDef();
  EXPECT_TRUE(m.OutIsAssigned(24));
  EXPECT_EQ(m.OutputSourceText(24), "Главный модуль, CN9.5, желтый/белый");
  EXPECT_EQ(m.StoredOutput(24), (TConnEntry{0x02, 0x02}));
}

TEST(ConnectionsModel, ExportIsByteExact) {
  TMemItems items = Quiet();
  PutBytes(items, kRegionInputs, 2 * 2, {0x42, 0x00});                  // wire 0, inverted
  PutBytes(items, kRegionInputs, 2 * 4, {0x05, 0x00, 0x04, 0x00});       // doors; source 4
  PutBytes(items, kRegionOutputs, 0, {0x01, 0x00, 0x02, 0x02});          // CAN; wire 4
  PutBytes(items, kRegionThresholds, 0, {12, 123, 0, 255});
  TConnectionsModel m = Loaded(items, {true, 0x23, 0x11});
  std::string want = "{\"conn_ins\":[";
  const char* ins[] = {"Модуль запуска", "Модуль запуска", "Главный модуль, CN10.1, желтый\\/черный -", "Не назначен",
                       "Сумма входов дверей", ""};
  for (int i = 0; i < 29; ++i) {
    const std::string text = i < 6 ? ins[i] : i == 24 || i == 25 ? "CAN" : "Не назначен";
    want += std::string(i ? "," : "") + "{\"conn_i" + std::to_string(i) + "\":\"" + text + "\",\"inv\":" +
            (i == 2 ? "true" : "false") + "}";
  }
  want += "],\"conn_outs\":[";
  for (int o = 0; o < 28; ++o) {
    const std::string text = o == 0 ? "CAN" : o == 1 ? "Главный модуль, CN9.5, желтый\\/белый" : "Не назначен";
    want += std::string(o ? "," : "") + "{\"conn_o" + std::to_string(o) + "\":\"" + text + "\"}";
  }
  want +=
      "],\"conn_threshold\":{"
      "\"conn_a1off\":{\"Выключение, Вход CN10.4, белый\\/черный +\":\" 1.2 В\",\"key\":\"Выключение, Вход CN10.4, "
      "белый\\/черный +\",\"value\":\" 1.2 В\"},"
      "\"conn_a1on\":{\"Включение, Вход CN10.4, белый\\/черный +\":\"12.3 В\",\"key\":\"Включение, Вход CN10.4, "
      "белый\\/черный +\",\"value\":\"12.3 В\"},"
      "\"conn_a2off\":{\"Выключение, Вход CN10.5, белый\\/зеленый +\":\" 0.0 В\",\"key\":\"Выключение, Вход CN10.5, "
      "белый\\/зеленый +\",\"value\":\" 0.0 В\"},"
      "\"conn_a2on\":{\"Включение, Вход CN10.5, белый\\/зеленый +\":\"25.5 В\",\"key\":\"Включение, Вход CN10.5, "
      "белый\\/зеленый +\",\"value\":\"25.5 В\"}}}";
  EXPECT_EQ(m.ToJSON(), want);
  EXPECT_TRUE(nlohmann::ordered_json::parse(m.ToJSON()).is_object());
}

}  // namespace
}  // namespace orv
