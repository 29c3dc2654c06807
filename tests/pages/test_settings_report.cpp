// The settings report without a printer: the frame, the options and vehicle
// sections, the page break and long lines, drawn on a canvas of fixed
// metrics (text 100 units high, so the line step is 150; 50 units a letter).
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "pages/model/options_model.h"
#include "pages/model/page_models.h"
#include "pages/model/connections_page.h"
#include "pages/model/settings_report.h"
#include "settings/factory_images.h"
#include "settings/option_flags.h"
#include "settings/rs_config.h"
#include "settings/settings_stream.h"

namespace orv {
namespace {

using report::TCursor;
using report::TFont;

struct Op {
  enum Kind { kText, kLine, kFill, kPage } kind;
  int x = 0, y = 0, x2 = 0, y2 = 0;
  std::string text;
  TFont font;
};

class FakeCanvas final : public report::TCanvas {
 public:
  explicit FakeCanvas(int height = 7016, int width = 4961) : width_(width), height_(height) {}
  int PageWidth() const override { return width_; }
  int PageHeight() const override { return height_; }
  int TextHeight(const TFont& font) const override { return font.sizeDelta ? 120 : 100; }
  int TextWidth(std::string_view text, const TFont&) const override {
    int letters = 0;
    for (unsigned char c : text) letters += (c & 0xC0) != 0x80;
    return 50 * letters;
  }
  void Text(int x, int y, std::string_view text, const TFont& font) override {
    ops.push_back({Op::kText, x, y, 0, 0, std::string(text), font});
  }
  void Line(int x1, int y1, int x2, int y2) override { ops.push_back({Op::kLine, x1, y1, x2, y2, {}, {}}); }
  void Fill(int x, int y, int w, int h, uint32_t) override { ops.push_back({Op::kFill, x, y, x + w, y + h, {}, {}}); }
  void NewPage() override { ops.push_back({Op::kPage, 0, 0, 0, 0, {}, {}}); }

  std::vector<Op> ops;

  std::vector<Op> Texts() const {
    std::vector<Op> t;
    for (const Op& o : ops)
      if (o.kind == Op::kText) t.push_back(o);
    return t;
  }
  // The text drawn exactly so, or nullptr.
  const Op* Find(const std::string& text) const {
    for (const Op& o : ops)
      if (o.kind == Op::kText && o.text == text) return &o;
    return nullptr;
  }

 private:
  int width_, height_;
};

// A CAN page stand-in: its caption and one group, as every section begins.
class StubCan final : public TPageModel {
 public:
  using TPageModel::TPageModel;
  void LoadData(TMemItems&) override {}
  void StoreData(TMemItems&) override {}
  TControlState State(size_t) const override { return {}; }
  void Print(TCursor& cursor, const std::string& caption) const override {
    if (fail) throw std::runtime_error("принтер недоступен");
    cursor.Caption(caption);
    cursor.Group("Опции");
  }
  static inline bool fail = false;

 protected:
  void Apply(size_t, int, const std::string&) override {}
};

std::unique_ptr<TPageModel> CreateStubCan(TPageEnv& env) { return std::make_unique<StubCan>(env); }

std::vector<TPageEntry> TableWithStubCan() {
  std::vector<TPageEntry> table(PageTable().begin(), PageTable().end());
  for (TPageEntry& e : table)
    if (std::string(e.name) == "CANFrame") e.create = &CreateStubCan;
  return table;
}

TMemItems FactoryItems(int image) {
  TMemItems items = CreateMemItems();
  EXPECT_TRUE(ReadOptionsFromStream(FactoryImage(image), nullptr, items).Ok());
  return items;
}

class SettingsReport : public ::testing::Test {
 protected:
  void SetUp() override { StubCan::fail = false; }
  void TearDown() override { StubCan::fail = false; }
  std::vector<TPageEntry> table = TableWithStubCan();
  TPageEnv env;
  TPageModels pages{env, table};
  TReportHeader header{"01.02.2026 10:00:00", "SN 0000001234"};
};

TEST_F(SettingsReport, HeaderRuleAndTheSixSectionsInOrder) {
  TMemItems items = FactoryItems(1);
  pages.LoadData(items);
  FakeCanvas canvas;
  PrintSettingsReport(canvas, pages, header, TVehicleReport{});

  const Op& first = canvas.ops.at(0);
  EXPECT_EQ(first.text, "Дата отчета: 01.02.2026 10:00:00. Серийный номер устройства: SN 0000001234");
  EXPECT_EQ(first.x, 200);
  EXPECT_EQ(first.y, 200);
  // Y += 150 + 10; the rule across the page less 200 on each side; Y += 100.
  const Op& rule = canvas.ops.at(1);
  EXPECT_EQ(rule.kind, Op::kLine);
  EXPECT_EQ((std::vector<int>{rule.x, rule.y, rule.x2, rule.y2}), (std::vector<int>{200, 360, 4761, 360}));
  const Op& vehicle = canvas.ops.at(2);
  EXPECT_EQ(vehicle.text, report_text::kVehicle);
  EXPECT_EQ(vehicle.y, 460);

  std::vector<std::string> captions;
  for (const Op& o : canvas.Texts())
    if (o.font.bold && o.font.sizeDelta == 2) {
      EXPECT_EQ(o.x, 200) << o.text;
      captions.push_back(o.text);
    }
  EXPECT_EQ(captions, (std::vector<std::string>{"Программное обеспечение", "Настройки", "Подключение", "Импульсы",
                                                "CAN", "Модуль запуска"}));
  // Groups at 300 in bold, lines at 400 in the normal font, the line step 150 apart.
  const Op* group = canvas.Find("Блокировка двигателя");
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->x, 300);
  EXPECT_TRUE(group->font.bold);
  const Op* line = canvas.Find(std::string(FindOptionFlag(7)->caption) + ": выкл");
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(line->x, 400);
  EXPECT_EQ(line->y, group->y + 150);
  EXPECT_FALSE(line->font.bold);
}

TEST_F(SettingsReport, AnErrorInASectionLeavesTheReportUnfinished) {
  StubCan::fail = true;
  FakeCanvas canvas;
  EXPECT_THROW(PrintSettingsReport(canvas, pages, header, TVehicleReport{}), std::runtime_error);
  EXPECT_EQ(canvas.Find("Модуль запуска"), nullptr) << "nothing after the failed section";
}

TEST_F(SettingsReport, ASectionReachingTheBottomGoesOnAtOneHundredOnANewPage) {
  TMemItems items = FactoryItems(1);
  pages.LoadData(items);
  FakeCanvas canvas(1600);
  PrintSettingsReport(canvas, pages, header, TVehicleReport{});
  int breaks = 0;
  for (size_t i = 0; i < canvas.ops.size(); ++i) {
    const Op& o = canvas.ops[i];
    if (o.kind == Op::kText) EXPECT_LE(o.y + 100, 1600) << "below the margin: " << o.text;
    if (o.kind != Op::kPage) continue;
    ++breaks;
    // The new page's first line (or pulse drawing) has its top at 100.
    int top = 1600;
    for (size_t j = i + 1; j < canvas.ops.size() && canvas.ops[j].kind != Op::kPage; ++j) {
      top = std::min({top, canvas.ops[j].y, canvas.ops[j].kind == Op::kLine ? canvas.ops[j].y2 : top});
      if (canvas.ops[j].kind == Op::kText) break;
    }
    EXPECT_EQ(top, 100) << "after break " << breaks;
  }
  EXPECT_GT(breaks, 10);
}

// The options section's rules, one edit each, and the line it gives.
TEST(OptionsReport, ThresholdsChoicesAndHiddenSlidersPrintAsThePageShowsThem) {
  TPageEnv env;
  TOptionsModel model(env);
  TMemItems items = FactoryItems(1);
  model.LoadData(items);
  model.SetExpertMode(true);
  for (const char* set : {"bit41=1", "bit43=1", "bit44=1", "bit42=0", "eEngineVoltage=11.3", "tbTempEngine=-20",
                          "tbTempCabinHigh=55", "rbBtn2Cmd3=1", "rbRoute2=1", "rbSVN2=1"}) {
    const std::string s = set;
    const size_t eq = s.find('=');
    ASSERT_EQ(model.Set(s.substr(0, eq), s.substr(eq + 1)), "") << set;
  }
  FakeCanvas canvas;
  TCursor cursor(canvas);
  model.Print(cursor, "Настройки");

  auto flag = [](int n) { return std::string(FindOptionFlag(n)->caption); };
  const std::vector<std::string> expected = {
      flag(44) + ": <11.3 В",
      flag(41) + ": <-20 °С",
      flag(43) + ": >55 °С",
      flag(42) + ": выкл",
      "Действие при удержании кнопки \"#\" брелка: Управление автозапуском",
      "Детализация маршрута: Черновик",
      "Минимальное число спутников: 7",
      "USSD-запрос баланса: " + model.Text("eUSSD"),
      "Усиление сигнала GSM-модема: " + model.State(static_cast<size_t>(model.Find("tbSpeakerOut"))).text,
      "Усиление голосовых сообщений: " + model.State(static_cast<size_t>(model.Find("tbAutoinfIn"))).text,
      "Усиление выхода на GSM-модем: " + model.State(static_cast<size_t>(model.Find("tbPhoneOut"))).text,
      "Работа двигателя в режиме пит-стоп: " + model.State(static_cast<size_t>(model.Find("tbPitTime"))).text,
  };
  for (const std::string& e : expected) {
    const Op* op = canvas.Find(e);
    ASSERT_NE(op, nullptr) << e;
    EXPECT_EQ(op->x, 400) << e;
  }
  // Every flag box once, hidden ones included; twelve categories.
  int flags = 0, groups = 0;
  for (const Op& o : canvas.Texts()) {
    if (o.x == 300) ++groups;
    for (const OptionFlag& f : kOptionFlags)
      if (o.text.rfind(std::string(f.caption) + ": ", 0) == 0) ++flags;
  }
  EXPECT_EQ(flags, static_cast<int>(kOptionFlags.size()));
  EXPECT_EQ(groups, 12);
  // The settling slider is not a value line of the report.
  for (const Op& o : canvas.Texts()) EXPECT_EQ(o.text.find("Успокоение датчика удара"), std::string::npos);
}

TEST(VehicleReport, WithoutAMakeOnlyTheCaption) {
  FakeCanvas canvas;
  TCursor cursor(canvas);
  PrintVehicle(cursor, report_text::kVehicle, TVehicleReport{false, "CAN v1", "Ядро: 1.0"});
  ASSERT_EQ(canvas.ops.size(), 1u);
  EXPECT_EQ(canvas.ops[0].text, report_text::kVehicle);
  EXPECT_EQ(cursor.Y(), 350);
}

TEST(VehicleReport, TheSoftwareLineNeedsTwoHundredUnitsOrStartsANewPageAtTwoHundred) {
  const TVehicleReport vehicle{true, "Audi A4 2008-2015", "Ядро: 1.0\nCAN: 2.0\r\nМодули: 3.0\n"};
  for (int start : {400, 600}) {
    FakeCanvas canvas(1000);
    TCursor cursor(canvas, start);
    PrintVehicle(cursor, report_text::kVehicle, vehicle);
    const Op* can = canvas.Find("CAN-прошивка: Audi A4 2008-2015");
    const Op* software = canvas.Find("Программное обеспечение: Ядро: 1.0");
    ASSERT_TRUE(can && software);
    EXPECT_EQ(can->x, 200);
    EXPECT_EQ(software->x, 200);
    EXPECT_EQ(can->y, start + 150);
    const bool broke = canvas.ops.size() > 2 && canvas.ops[2].kind == Op::kPage;
    if (start == 400) {
      // Y = 700 after the CAN line: 300 units are left.
      EXPECT_FALSE(broke);
      EXPECT_EQ(software->y, 700);
    } else {
      // Y = 900: 100 left, fewer than 200; the default break (100 left) would not start one.
      EXPECT_TRUE(broke);
      EXPECT_EQ(software->y, 200);
    }
    // One line per slot of the summary, under the first one.
    const int indent = 200 + 50 * 25;  // "Программное обеспечение: "
    const Op* second = canvas.Find("CAN: 2.0");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->x, indent);
    EXPECT_EQ(second->y, software->y + 150);
    EXPECT_NE(canvas.Find("Модули: 3.0"), nullptr);
    EXPECT_EQ(canvas.Texts().size(), 5u) << "no empty slot after the last line break";
  }
}

TEST(ReportCursor, ALongLineIsCutAfterItsSeparatorsWithinThePage) {
  FakeCanvas canvas(7016, 2400);  // 1800 units (36 letters) of room at 400, 34 at 500
  TCursor cursor(canvas);
  cursor.WrappedItem("Свет: тревога | импульс 0.50 c | пауза 0.50 c | импульс 0.50 c |", TCursor::kLineX, 100, "|");
  const std::vector<Op> t = canvas.Texts();
  ASSERT_EQ(t.size(), 2u);
  EXPECT_EQ(t[0].text, "Свет: тревога | импульс 0.50 c |");
  EXPECT_EQ(t[0].x, 400);
  EXPECT_EQ(t[1].text, "пауза 0.50 c | импульс 0.50 c |");
  EXPECT_EQ(t[1].x, 500);
  EXPECT_EQ(t[1].y, t[0].y + 150);
  for (const Op& o : t) EXPECT_LE(o.x + canvas.TextWidth(o.text, {}), 2200) << o.text;
  // A piece wider than the room stays whole rather than being lost.
  FakeCanvas narrow(7016, 700);
  TCursor c2(narrow);
  c2.WrappedItem("Резерв [47]", TCursor::kLineX, 100, "|");
  ASSERT_EQ(narrow.Texts().size(), 1u);
  EXPECT_EQ(narrow.Texts()[0].text, "Резерв [47]");
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

// The remote-start section: its four sub-pages in order, the outputs with
// their wire colours, and each step's waveform on one time scale that the
// longest step fills.
TEST_F(SettingsReport, RemoteStartSectionDrawsWiresAndPulsesWithinThePage) {
  TMemItems items = FactoryItems(1);
  pages.LoadData(items);
  FakeCanvas canvas;
  TCursor cursor(canvas);
  pages.Model("RStartFrame")->Print(cursor, "Модуль запуска");

  std::vector<std::string> groups;
  for (const Op& o : canvas.Texts())
    if (o.x == 300) groups.push_back(o.text);
  EXPECT_EQ(groups, (std::vector<std::string>{"Настройки", "Входы", "Выходы", "Импульсы"}));
  int swatches = 0, right = 0;
  for (const Op& o : canvas.ops) {
    if (o.kind == Op::kFill) ++swatches;
    if (o.kind == Op::kLine && o.y == o.y2) {
      EXPECT_GE(std::min(o.x, o.x2), 400);
      EXPECT_LE(std::max(o.x, o.x2), 4961 - 200);
      right = std::max(right, std::max(o.x, o.x2));
    }
  }
  EXPECT_GE(swatches, 2 * kRSOutputs) << "two colours per output wire";
  EXPECT_EQ(right, 4961 - 200) << "the longest step fills the width";
}

// The wire colours a connections line carries come from the wire's name;
// without a unit the names hold no colours and no swatch is drawn.
TEST_F(SettingsReport, ConnectionsSwatchesFollowTheWireNames) {
  EXPECT_EQ(WireRGB("CN1.6, белый/синий"), (std::vector<uint32_t>{0xFAFAFA, 0x2040D0}));
  EXPECT_EQ(WireRGB("CN2.4, фиолетовый"), (std::vector<uint32_t>{0x8030B0}));
  EXPECT_TRUE(WireRGB("Вход 3").empty());
  TMemItems items = FactoryItems(1);
  pages.LoadData(items);
  FakeCanvas canvas;
  TCursor cursor(canvas);
  pages.Model("ConnectionsFrame")->Print(cursor, "Подключение");
  for (const Op& o : canvas.ops) EXPECT_NE(o.kind, Op::kFill);
  ASSERT_NE(canvas.Find("Входные сигналы"), nullptr);
  EXPECT_EQ(canvas.Find("Входные сигналы")->x, 300);
  ASSERT_NE(canvas.Find("Выходные сигналы"), nullptr);
}

}  // namespace
}  // namespace orv
