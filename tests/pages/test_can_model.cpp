// The CAN page model: the name text and its items, the controls built from
// the block, storing back, the export, the show/report lines and the layout.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "pages/model/can_model.h"
#include "pages/model/page_models.h"
#include "settings/json_writer.h"
#include "settings/sms_text.h"

namespace orv {
namespace {

// A block with these counts and this name text (in the unit's 8-bit text).
TCanConfig Block(int bits, int values, int words, const std::string& text) {
  const std::vector<uint8_t> names = EncodeSmsText(text);
  TCanConfig c;
  c.bits_count = static_cast<uint8_t>(bits);
  c.values_count = static_cast<uint8_t>(values);
  c.words_count = static_cast<uint8_t>(words);
  std::copy_n(names.begin(), std::min(names.size(), c.names.size()), c.names.begin());
  return c;
}

class CanModel : public ::testing::Test {
 protected:
  void Load(const TCanConfig& c) {
    WriteCanConfig(c, items[kRegionCan].Bytes());
    model.LoadData(items);
  }
  TControlState StateOf(const std::string& name) {
    const int i = model.Find(name);
    EXPECT_GE(i, 0) << name;
    return model.State(static_cast<size_t>(std::max(i, 0)));
  }
  std::string Caption(const std::string& name) {
    const int i = model.Find(name);
    return i < 0 ? "<none>" : model.Controls()[static_cast<size_t>(i)].caption;
  }
  std::vector<std::string> Names() {
    std::vector<std::string> out;
    for (const TControl& c : model.Controls()) out.push_back(c.name);
    return out;
  }
  TCanConfig Stored() {
    model.StoreData(items);
    return ReadCanConfig(items[kRegionCan].Bytes());
  }

  TPageEnv env;
  TCanModel model{env};
  TMemItems items = CreateMemItems();
};

TEST(CanNames, DecodingTable) {
  const struct {
    std::vector<uint8_t> bytes;
    std::string text;
  } cases[] = {
      {{0xC0}, "А"},
      {{0xFF}, "я"},
      {{0xC0, 0xE0, 0xDF}, "АаЯ"},
      {{'a', 0x1F, 'b'}, "a"},       // a byte below 0x20 ends the text
      {{'a', 0x00, 'b'}, "a"},
      {{0x20, 0x7F}, " \x7F"},
      {{0x80}, "\xC2\x80"},          // U+0080: still "as is"
      {{0x81}, "\xCF\x91"},          // 0x81 + 0x350 = U+03D1
      {{'[', 'x', '|', 'y', ']'}, "[x|y]"},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeCanNames(c.bytes), c.text) << c.text;
  // Without a terminator the whole 232 bytes count, no more.
  std::vector<uint8_t> full(300, 0xC1);
  EXPECT_EQ(DecodeCanNames(full).size(), 2u * TCanConfig::kNamesSize);
}

TEST(CanNames, ItemsAndParts) {
  TCanNames n("xy[A][]");
  EXPECT_EQ(n.TakeItem(), "A");
  EXPECT_EQ(n.TakeItem(), "");
  EXPECT_EQ(n.TakeItem(), "xy");
  EXPECT_TRUE(n.Empty());
  EXPECT_EQ(n.TakeItem(), "");

  const struct {
    std::string text, item, rest;
  } items[] = {
      {"a]b[c]d", "c", "a]bd"},      // the "]" must follow the "["
      {"[open", "[open", ""},        // no pair: the whole text
      {"x]y", "x]y", ""},
      {"[a[b]c]", "a[b", "c]"},
  };
  for (const auto& c : items) {
    TCanNames n(c.text);
    EXPECT_EQ(n.TakeItem(), c.item) << c.text;
    EXPECT_EQ(n.Rest(), c.rest) << c.text;
  }

  const struct {
    std::string item, part, rest;
  } parts[] = {
      {"L|A|B", "L", "A|B"},
      {"B", "B", ""},
      {"|A|B", "|A|B", ""},  // a "|" at the front: the whole remaining text
      {"A||B", "A", "|B"},
      {"", "", ""},
  };
  for (const auto& c : parts) {
    std::string item = c.item;
    EXPECT_EQ(TakePart(item), c.part) << c.item;
    EXPECT_EQ(item, c.rest) << c.item;
  }
}

TEST_F(CanModel, BoxCaptionsFromItemsThenNumbers) {
  Load(Block(4, 0, 0, "xy[A][]"));
  EXPECT_EQ(Caption("cbcan0"), "A");
  EXPECT_EQ(Caption("cbcan1"), "") << "an empty item is a caption while text remains";
  EXPECT_EQ(Caption("cbcan2"), "xy");
  EXPECT_EQ(Caption("cbcan3"), "№4");
}

TEST_F(CanModel, FortyBitsGiveThirtyTwoBoxesAndGroupsReadFromItem33) {
  std::string names;
  for (int i = 0; i < 32; ++i) names += "[b" + std::to_string(i) + "]";
  names += "[G|x|y]";
  Load(Block(40, 1, 0, names));
  EXPECT_EQ(model.Boxes(), 32);
  EXPECT_EQ(model.Find("cbcan32"), -1);
  EXPECT_EQ(Caption("cbcan31"), "b31");
  EXPECT_EQ(Caption("lbcan0"), "G");
  EXPECT_EQ(Caption("rbcan0"), "x");
  EXPECT_EQ(Caption("rbcan1"), "y");
}

TEST_F(CanModel, GroupsButtonsOnlyForPartsAndMissingItems) {
  // Group 1 has a label and two choices; group 2's item is missing.
  Load(Block(0, 3, 0, "[A|a0|a1|a2|a3|a4][B|b0|b1]"));
  EXPECT_EQ(Names(), (std::vector<std::string>{"lbcan0", "rbcan0", "rbcan1", "rbcan2", "rbcan3", "lbcan1", "rbcan4",
                                               "rbcan5", "lbcan2", "secan0", "secan1", "secan2", "secan3",
                                               "ledOdometer", "ledFuelLevel", "ledFuelMeasured", "ledFuelConsumption",
                                               "ledRPM", "ledCoolantTemp", "ledAccelerator", "ledWheelAngle",
                                               "ledBrakeForce"}));
  EXPECT_EQ(Caption("rbcan3"), "a3") << "a fifth part is ignored";
  EXPECT_EQ(Caption("lbcan2"), "");
  EXPECT_EQ(model.Groups(), 3);
  EXPECT_EQ(model.Controls()[static_cast<size_t>(model.Find("rbcan5"))].group, "lbcan1");

  // A part that starts with "|" takes the rest of the item.
  Load(Block(0, 1, 0, "[L|x||z]"));
  EXPECT_EQ(Caption("rbcan0"), "x");
  EXPECT_EQ(Caption("rbcan1"), "|z");
  EXPECT_EQ(model.Find("rbcan2"), -1);
}

TEST_F(CanModel, ChoiceByteSelectsOneButtonPerGroup) {
  TCanConfig c = Block(0, 5, 0, "[A|0|1|2|3][B|0|1|2|3][C|0|1|2|3][D|0|1|2|3][E|0|1]");
  c.Values = {0x1B, 0x03, 0, 0};  // groups 0..3: 3, 2, 1, 0; group 4: 3 (no such button)
  Load(c);
  for (int j = 0; j < 4; ++j)
    for (int k = 0; k < 4; ++k)
      EXPECT_EQ(StateOf("rbcan" + std::to_string(4 * j + k)).value, k == 3 - j ? 1 : 0) << j << "/" << k;
  EXPECT_EQ(StateOf("rbcan16").value + StateOf("rbcan17").value, 0);
  EXPECT_EQ(Stored().Values, (std::array<uint8_t, 4>{0x1B, 0, 0, 0})) << "group 4 without a choice stores 0";

  EXPECT_EQ(model.Set("rbcan1", "1"), "");
  EXPECT_EQ(StateOf("rbcan1").value, 1);
  EXPECT_EQ(StateOf("rbcan3").value, 0) << "one choice per group";
  EXPECT_EQ(StateOf("rbcan6").value, 1) << "other groups keep theirs";
  EXPECT_NE(model.Set("rbcan1", "0"), "") << "a choice is never cleared alone";
  EXPECT_EQ(model.Set("rbcan17", "1"), "");
  EXPECT_EQ(Stored().Values, (std::array<uint8_t, 4>{0x19, 0x01, 0, 0}));
}

TEST_F(CanModel, LoadingTwiceRebuildsTheSameControls) {
  TCanConfig c = Block(3, 2, 2, "[a][b][c][G|x|y][H|z][v1][v2]");
  c.Bits = 0b101;
  c.Values = {0x04, 0, 0, 0};
  Load(c);
  const auto names = Names();
  std::vector<std::string> captions;
  for (const TControl& r : model.Controls()) captions.push_back(r.caption);
  std::vector<int> values;
  for (size_t i = 0; i < model.Controls().size(); ++i) values.push_back(model.State(i).value);
  const unsigned gen = model.Generation();

  ASSERT_EQ(model.Set("cbcan1", "1"), "");
  Load(c);
  EXPECT_EQ(Names(), names);
  std::vector<std::string> again;
  for (const TControl& r : model.Controls()) again.push_back(r.caption);
  EXPECT_EQ(again, captions);
  for (size_t i = 0; i < model.Controls().size(); ++i) EXPECT_EQ(model.State(i).value, values[i]) << names[i];
  EXPECT_NE(model.Generation(), gen);

  // A block with fewer controls leaves none of the old ones behind.
  Load(Block(1, 0, 0, ""));
  EXPECT_EQ(model.Find("cbcan2"), -1);
  EXPECT_EQ(model.Find("lbcan0"), -1);
  EXPECT_EQ(Caption("cbcan0"), "№1");
}

TEST_F(CanModel, ValueFieldsShowWordsAndStoreThemBigEndian) {
  TCanConfig c = Block(0, 0, 3, "[Скорость][]");
  c.Words = {0x1234, 7, 8, 65535};
  Load(c);
  EXPECT_EQ(StateOf("secan0").text, "4660");
  EXPECT_EQ(Caption("secan0"), "Скорость");
  EXPECT_EQ(Caption("secan1"), "№2") << "an empty caption shows the number";
  EXPECT_EQ(Caption("secan2"), "№3") << "no item left";
  EXPECT_FALSE(StateOf("secan3").visible);
  EXPECT_EQ(StateOf("secan3").text, "65535") << "a hidden field still shows its word";
  model.StoreData(items);
  EXPECT_EQ(items[kRegionCan].FData[12], 0x12);
  EXPECT_EQ(items[kRegionCan].FData[13], 0x34);
  EXPECT_EQ(Stored().Words, (std::array<uint16_t, 4>{0x1234, 7, 8, 65535})) << "hidden fields are stored too";

  const struct {
    const char* name;
    const char* value;
    bool ok;
  } sets[] = {
      {"secan0", "65535", true}, {"secan0", "0", true},      {"secan0", "65536", false}, {"secan0", "", false},
      {"secan0", "12a", false},  {"secan0", "-1", false},    {"secan0", "+5", false},    {"secan1", "00042", true},
      {"secan3", "1", false},  // hidden
  };
  for (const auto& s : sets) EXPECT_EQ(model.Set(s.name, s.value).empty(), s.ok) << s.name << "=" << s.value;
  EXPECT_EQ(model.Set("secan0", "x"), can_text::kBadValue);
  EXPECT_EQ(Stored().Words, (std::array<uint16_t, 4>{0, 42, 8, 65535}));
}

TEST(CanWords, FirstNonNumberEndsTheWords) {
  const struct {
    std::array<std::string, 4> texts;
    std::array<uint16_t, 4> words;
  } cases[] = {
      {{"1", "2", "3", "4"}, {1, 2, 3, 4}},
      {{"1", "x", "3", "4"}, {1, 0, 0, 0}},
      {{"", "2", "3", "4"}, {0, 0, 0, 0}},
      {{"65537", "-1", "+7", "2147483648"}, {1, 0xFFFF, 7, 0}},  // low 16 bits; beyond 32 bits is no number
      {{"1 ", "2", "3", "4"}, {0, 0, 0, 0}},
  };
  for (const auto& c : cases) EXPECT_EQ(StoreWords(c.texts), c.words) << c.texts[0] << "," << c.texts[1];
}

TEST_F(CanModel, StoreKeepsDescriptionAndRewritesOnlyTheEdits) {
  TCanConfig c = Block(2, 1, 1, "[a][b][G|x|y][v]");
  c.DataConfig = 0x12345678;
  c.Bits = 0xFFFF0001;  // bits beyond the two boxes are dropped
  c.pad = 0x5A;
  c.Values = {0x01, 0xFF, 0xFF, 0xFF};
  c.Words = {10, 20, 30, 40};
  for (size_t i = 20; i < c.names.size(); ++i) c.names[i] = static_cast<uint8_t>(i);  // bytes after the terminator
  Load(c);
  ASSERT_EQ(model.Set("cbcan1", "1"), "");
  ASSERT_EQ(model.Set("rbcan0", "1"), "");
  ASSERT_EQ(model.Set("secan0", "99"), "");
  const TCanConfig s = Stored();
  EXPECT_EQ(s.DataConfig, c.DataConfig);
  EXPECT_EQ(s.bits_count, 2);
  EXPECT_EQ(s.values_count, 1);
  EXPECT_EQ(s.words_count, 1);
  EXPECT_EQ(s.pad, 0x5A);
  EXPECT_EQ(s.names, c.names);
  EXPECT_EQ(s.Bits, 0b11u);
  EXPECT_EQ(s.Values, (std::array<uint8_t, 4>{0, 0, 0, 0}));
  EXPECT_EQ(s.Words, (std::array<uint16_t, 4>{99, 20, 30, 40}));
  EXPECT_EQ(model.FConfig().Bits, c.Bits) << "the page's copy changes only with a load";
}

TEST_F(CanModel, EmptyWhenAllCountsAreZero) {
  TCanConfig c = Block(0, 0, 0, "[a]");
  c.Bits = 0xFF;
  Load(c);
  EXPECT_TRUE(model.FIsEmpty());
  EXPECT_EQ(model.Boxes(), 0);
  Load(Block(0, 0, 1, ""));
  EXPECT_FALSE(model.FIsEmpty());
}

TEST_F(CanModel, ExportEscapesAndLeavesOutValuesAndGroupsWithoutChoice) {
  TCanConfig c = Block(2, 2, 1, "[a/b][say \"hi\"][Режим|x/y|z][H|p][v]");
  c.Bits = 0b10;
  c.Values = {0x01 | (0x02 << 2), 0, 0, 0};  // group 0 chooses "z"; group 1 chooses 2: no such button
  c.DataConfig = (1u << 0) | (1u << 5) | (1u << 9);
  Load(c);
  EXPECT_EQ(model.ToJSON(),
            R"({"can_user":{"cbcan0":{"key":"a\/b","value":false},"cbcan1":{"key":"say \"hi\"","value":true},)"
            R"("lbcan0":{"key":"Режим","value":"z"}},)"
            R"("can_opt":{"can_odometer":true,"can_fuellevel":false,"can_fuelmeasured":true,)"
            R"("can_fuelconsumption":false,"can_RPM":false,"can_coolanttemp":false,"can_Accelerator":true,)"
            R"("can_wheelangle":false,"can_brakeforce":false}})");

  // The page's member in the configuration object.
  TPageModels pages(env);
  pages.Model("CANFrame")->LoadData(items);
  const json::Value conf = json::Parse(pages.Configuration(TSDate::At(0)));
  EXPECT_EQ(conf["can"]["can_user"]["cbcan1"]["value"], true);
}

TEST_F(CanModel, ShowAndReportSayTheSameLines) {
  TCanConfig c = Block(2, 2, 2, "[Автозапуск][Замки][Режим|Лето|Зима][Свет][Время][Порог]");
  c.Bits = 0b01;
  c.Values = {0x01, 0, 0, 0};
  c.Words = {15, 300, 0, 0};
  c.DataConfig = (1u << 5);  // the accelerator only
  Load(c);
  const std::vector<std::string> expected = {
      "  Опции",
      "    Одометр: выкл",
      "    Уровень топлива: выкл",
      "    Уровень топлива в литрах: выкл",
      "    Расход топлива: выкл",
      "    Обороты двигателя: выкл",
      "    Тепература охлаждающей жидкости: выкл",
      "    Угол поворота руля: выкл",
      "    Нажатие на акселератор: ВКЛ",
      "    Степень нажатия на тормоз: выкл",
      "  Настройки",
      "    Автозапуск: ВКЛ",
      "    Замки: выкл",
      "  Функции",
      "    Режим: Зима",
      "    Свет",
      "  Значения",
      "    Время: 15",
      "    Порог: 300",
  };
  EXPECT_EQ(model.Show(), expected);

  // The report draws the same texts: the caption at 200, groups at 300, lines at 400.
  struct Canvas : report::TCanvas {
    int PageWidth() const override { return 4000; }
    int PageHeight() const override { return 6000; }
    int TextHeight(const report::TFont&) const override { return 40; }
    int TextWidth(std::string_view t, const report::TFont&) const override { return static_cast<int>(t.size()) * 20; }
    void Text(int x, int y, std::string_view t, const report::TFont&) override {
      drawn.push_back(std::to_string(x) + ":" + std::to_string(y) + ":" + std::string(t));
    }
    void Line(int, int, int, int) override {}
    void Fill(int, int, int, int, uint32_t) override {}
    void NewPage() override {}
    std::vector<std::string> drawn;
  } canvas;
  report::TCursor cursor(canvas, 1000);
  model.Print(cursor, "CAN");
  ASSERT_EQ(canvas.drawn.size(), expected.size() + 1);
  EXPECT_EQ(canvas.drawn[0], "200:1000:CAN");
  for (size_t i = 0; i < expected.size(); ++i) {
    const bool group = expected[i].rfind("    ", 0) != 0;
    const std::string text = expected[i].substr(group ? 2 : 4);
    EXPECT_EQ(canvas.drawn[i + 1], (group ? "300:" : "400:") + std::to_string(1060 + 60 * static_cast<int>(i)) + ":" + text);
  }
  EXPECT_EQ(cursor.Y(), 1000 + 60 * static_cast<int>(expected.size() + 1));
}

TEST_F(CanModel, LampsAreReadOnlyIndicators) {
  TCanConfig c = Block(0, 0, 0, "");
  c.DataConfig = (1u << 9) | (1u << 6);
  Load(c);
  for (const TCanLamp& l : kCanLamps) {
    const TControlState st = StateOf(l.name);
    EXPECT_EQ(st.value, l.bit == 9 || l.bit == 6) << l.name;
    EXPECT_FALSE(st.enabled);
    EXPECT_EQ(model.Controls()[static_cast<size_t>(model.Find(l.name))].hint, l.hint);
  }
  EXPECT_NE(model.Set("ledOdometer", "1"), "");
  EXPECT_STREQ(kCanLamps[5].caption, "Тепература охлаждающей жидкости");
}

TEST_F(CanModel, LayoutOnTheGrid) {
  // Captions of 10 px per byte: "a" is 34 wide with its box, "bbbbbbbbbb" 124.
  Load(Block(9, 2, 0, "[a][bbbbbbbbbb][a][a][a][a][a][a][a][L|x|yy][M]"));
  const auto width = [](const std::string& s) { return static_cast<int>(s.size()) * 10; };
  const std::vector<TCanRect> boxes = model.BoxLayout(width);
  ASSERT_EQ(boxes.size(), 9u);
  const int xs[] = {12, 76, 204, 268, 332, 396, 460, 524, 588};
  for (size_t i = 0; i < boxes.size(); ++i) {
    EXPECT_EQ(boxes[i].x, xs[i]) << i;
    EXPECT_EQ(boxes[i].y, 12) << i;
    EXPECT_EQ(boxes[i].h, 20);
  }
  EXPECT_EQ(boxes[1].w, 124);
  EXPECT_EQ(boxes[2].x, 204) << "76 + 124 = 200: the next column is 204";

  Load(Block(12, 0, 0, "[a][a][a][a][a][a][a][a][a][a][a][a]"));
  const std::vector<TCanRect> row = model.BoxLayout(width);
  EXPECT_EQ(row[10].x, 652) << "the last column still fits";
  EXPECT_EQ(row[10].y, 12);
  EXPECT_EQ(row[11].x, 12) << "a column beyond 652 opens a new row";
  EXPECT_EQ(row[11].y, 48);

  Load(Block(0, 2, 0, "[L|x|yy][Mmmmm]"));
  const std::vector<TCanGroupPlace> groups = model.GroupLayout(width);
  ASSERT_EQ(groups.size(), 2u);
  EXPECT_EQ(groups[0].label.x, 12);
  EXPECT_EQ(groups[0].label.w, 44) << "widest caption + 24";
  ASSERT_EQ(groups[0].buttons.size(), 2u);
  EXPECT_EQ(groups[0].buttons[0].y, 48);
  EXPECT_EQ(groups[0].buttons[1].y, 84);
  EXPECT_EQ(groups[1].label.x, 76);
  EXPECT_TRUE(groups[1].buttons.empty());
}

}  // namespace
}  // namespace orv
