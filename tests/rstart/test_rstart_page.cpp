// The remote-start page as a page-table row: sub-pages, the control table,
// show lines, the load questions through the page environment, and the
// diagnostics view of one record.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "diag/diag_record.h"
#include "pages/model/page_models.h"
#include "pages/model/rstart_diag.h"
#include "pages/model/rstart_page.h"
#include "settings/factory_images.h"
#include "settings/settings_fixtures.h"
#include "settings/settings_stream.h"

namespace orv {
namespace {

TMemItems Factory() {
  TMemItems items = CreateMemItems();
  EXPECT_TRUE(ReadOptionsFromStream(CreateOptStream(0x23, 18), nullptr, items).Ok());
  return items;
}

TEST(RStartPage, SubPagesFollowExpertMode) {
  TPageEnv env;
  TRStartPageModel m(env);
  EXPECT_THAT(m.SubPages(), testing::ElementsAre("Настройки", "Входы", "Выходы", "Импульсы", "Доп. настройки",
                                                 "Диагностика"));
  for (int i = 1; i < 6; ++i) {
    EXPECT_FALSE(m.SubPageEnabled(i));
    m.SelectSubPage(i);
    EXPECT_EQ(m.CurrentSubPage(), 0);
  }
  m.SetExpertMode(true);
  m.SelectSubPage(5);
  EXPECT_EQ(m.CurrentSubPage(), 5);
  EXPECT_TRUE(m.DiagWanted(true, true));
  EXPECT_FALSE(m.DiagWanted(false, true));
  EXPECT_FALSE(m.DiagWanted(true, false));
  m.SetExpertMode(false);
  EXPECT_EQ(m.CurrentSubPage(), 0);
  // Thresholds are expert-only.
  EXPECT_EQ(m.Set("tbEngineRunRPM", "6"), "элемент недоступен");
}

TEST(RStartPage, ControlTableDrivesTheModel) {
  TPageEnv env;
  TRStartPageModel m(env);
  m.SetExpertMode(true);
  EXPECT_EQ(m.Set("cbWakeupImpulse", "1"), "элемент скрыт");  // key car
  EXPECT_EQ(m.Set("rbSSB", "1"), "");
  EXPECT_EQ(m.Set("cbWakeupImpulse", "1"), "");
  EXPECT_EQ(m.Set("rbSSBOnT", "1"), "");
  EXPECT_EQ(m.Model().Config().Seqs[9].Count, 7);
  EXPECT_EQ(m.Set("tbStarterTime", "20"), "элемент скрыт");
  EXPECT_EQ(m.Set("tbSSBTime", "81"), "допустимый диапазон: 1..80");
  EXPECT_EQ(m.Set("tbEngineRunRPM", "8"), "");
  EXPECT_EQ(m.State(TRStartPageModel::tbEngineStartRPM).value, 9);
  EXPECT_EQ(m.State(TRStartPageModel::tbEngineStartRPM).text, "90% обротов ХХ");
  EXPECT_EQ(m.State(TRStartPageModel::rbSSBOnA).value, 0);
  EXPECT_EQ(m.Set("rbSSBOnA", "1"), "");
  EXPECT_EQ(m.Set("cbNoCheckState", "1"), "");
  EXPECT_EQ(m.State(TRStartPageModel::rbSSBonS).value, 1);
  TMemItems items = CreateMemItems();
  m.StoreData(items);
  EXPECT_EQ(items[kRegionRStart].FData[432], 0x11);  // SSB, single, wake-up
  EXPECT_EQ(items[kRegionRStart].FData[433], 0x04);
}

TEST(RStartPage, ShowLinesAndLoadQuestionsThroughThePageTable) {
  TPageEnv env;
  test::ScriptedPrompts prompts;
  prompts.answers = {Prompts::Answer::kYes};
  env.prompts = &prompts;
  TPageModels pages(env);
  auto* rs = pages.ModelAs<TRStartPageModel>("RStartFrame");
  ASSERT_NE(rs, nullptr);
  rs->UnitInfo = [] { return TRStartUnit{true, 0x24}; };
  TMemItems items = Factory();
  items[kRegionRStart].FData[32 + 8] = 5;  // output 8 with ignition 2
  pages.LoadData(items);
  EXPECT_THAT(prompts.questions, testing::ElementsAre(rstext::kRelayQuestion));
  EXPECT_TRUE(pages.TakeForceSave());
  EXPECT_EQ(rs->Model().Config().Outs[8], 0);

  const auto lines = rs->Show();
  EXPECT_EQ(lines.front(), "  Настройки");
  EXPECT_THAT(lines, testing::Contains("  Доп. настройки"));
  EXPECT_THAT(lines, testing::Contains("    Стартер: включить: выкл(1.0), ВКЛ(3.0)"));
  EXPECT_THAT(lines, testing::Contains("    Релейный блок, желтый/черный (+25А): Не назначен"));
  EXPECT_NE(pages.Configuration(TSDate::At(0)).find("\"rstart\":{\"rs_opt\""), std::string::npos);
}

TDiagBytes Record(int kind, std::initializer_list<int> bits, uint8_t flags4 = 0) {
  TDiagBytes b{};
  b[TExtendDiagRec::kKindOffset] = static_cast<uint8_t>(kind);
  // Flags0..Flags3 at 96..99, Flags4 at 102.
  for (int bit : bits) {
    const int byte = bit / 8;
    const size_t at = byte < 4 ? 96 + static_cast<size_t>(byte) : 102;
    b[at] |= static_cast<uint8_t>(1u << (bit % 8));
  }
  b[102] |= flags4;
  return b;
}

TEST(RStartDiagView, LampsTextsAndRadio) {
  // Kind 0 lights nothing, not even the brake-control lamp.
  const auto zero = TRStartDiagView::From(TDiagBytes{});
  for (int g = 0; g < 3; ++g) EXPECT_TRUE(zero.LitCaptions(g).empty()) << g;
  EXPECT_FALSE(zero.radioVisible);

  const auto v = TRStartDiagView::From(Record(1, {2, 13, 25, 32}));
  EXPECT_THAT(v.LitCaptions(0), testing::ElementsAre("Связь с модулем", "Двигатель работает"));
  EXPECT_THAT(v.LitCaptions(1), testing::ElementsAre("Зажигание"));
  EXPECT_THAT(v.LitCaptions(2), testing::ElementsAre("Кнопка Старт/Стоп", "Контроль педали тормоза"));
  EXPECT_TRUE(v.radioVisible);  // engine running and the module online (Flags4 bit 0 = bit 32)

  struct Case {
    int rssi, quality;
    const char* word;
  };
  // Level (Flags4 bits 4..7) × quality (bits 1..3): 35, 70, 72, 30.
  for (const Case& c : {Case{5, 7, "среднее"}, Case{14, 5, "среднее"}, Case{12, 6, "хорошее"}, Case{6, 5, "плохое"}}) {
    const auto r = TRStartDiagView::From(Record(1, {25, 32}, static_cast<uint8_t>((c.rssi << 4) | (c.quality << 1))));
    EXPECT_EQ(r.radio.word, c.word) << c.rssi << "/" << c.quality;
    EXPECT_EQ(r.radio.pair, std::to_string(c.rssi) + "/" + std::to_string(c.quality));
  }
  // Without a running engine the note is shown instead.
  EXPECT_FALSE(TRStartDiagView::From(Record(1, {32}, 0x52)).radioVisible);
}

}  // namespace
}  // namespace orv
