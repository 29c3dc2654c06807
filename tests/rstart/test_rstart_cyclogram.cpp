// The start cyclogram: derived tables, the section matrix, row lines, hints.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pages/model/rstart_cyclogram.h"
#include "pages/model/rstart_model.h"

namespace orv {
namespace {

uint16_t On(uint32_t ms) { return pulse::Make(true, ms); }
uint16_t Off(uint32_t ms) { return pulse::Make(false, ms); }

TRSConfig DefaultKeyCar() {
  TRStartModel m;
  m.LoadLocalDefaults();
  return m.Config();
}

std::vector<uint16_t> Data(const TSection& s) { return {s.FData.begin(), s.FData.begin() + s.FDataLen}; }

TEST(Cyclogram, DefaultKeyCarAtWidth990) {
  const TRSConfig cfg = DefaultKeyCar();
  const TSeqAllData d = BuildSeqAllData(cfg);
  EXPECT_THAT(d.MaxAllTime, testing::ElementsAre(1600, 5500, 100, 2700));
  // The Start/Stop button output keeps its steps 9, 10, 11 on a key car.
  EXPECT_EQ(d.step[0][1], 9);
  EXPECT_EQ(d.step[3][1], 11);
  EXPECT_FALSE(d.UsedByAnyStep(8));

  const TSections s(cfg, {}, 215, 990, 46);
  std::vector<std::pair<int, int>> bounds;
  for (int q = 0; q < 6; ++q) bounds.emplace_back(s.At(0, q).Bounds.left, s.At(0, q).Bounds.right);
  EXPECT_THAT(bounds, testing::ElementsAre(std::pair(215, 375), std::pair(375, 395), std::pair(395, 945),
                                           std::pair(945, 955), std::pair(955, 995), std::pair(995, 1265)));
  EXPECT_DOUBLE_EQ(s.FScale, 0.1);

  // Starter (output 6): low 1000, high 3000, then low; off after section 2.
  EXPECT_EQ(Data(s.At(6, 2)), (std::vector<uint16_t>{Off(1000), On(3000)}));
  EXPECT_FALSE(s.At(6, 3).FState);
  // Accessories (output 3) are off while the starter runs.
  EXPECT_EQ(Data(s.At(3, 2)), (std::vector<uint16_t>{On(1000), Off(4500), On(0)}));
  EXPECT_TRUE(s.At(3, 2).FState);
  // Ignition 2 only with its option.
  EXPECT_FALSE(s.At(5, 2).DataExist);
  const TSections withIgn2(cfg, {false, true, false}, 215, 990, 46);
  EXPECT_EQ(Data(withIgn2.At(5, 2)), (std::vector<uint16_t>{On(1000), Off(4500), On(0)}));

  const auto header = CycloHeader(d, 5000, 20);
  ASSERT_EQ(header.size(), 6u);
  EXPECT_EQ(header[0].second, " 1.6 c");
  EXPECT_EQ(header[1].second, " 5.0 c");
  EXPECT_EQ(header[4].first + "=" + header[4].second, "Двигатель работает=20 мин");
  EXPECT_EQ(header[5].first + "=" + header[5].second, "Выключение двигателя= 2.7 c");
}

TEST(Cyclogram, RowLines) {
  const TRSConfig cfg = DefaultKeyCar();
  const TSeqAllData d = BuildSeqAllData(cfg);
  const TSections s(cfg, {}, 215, 990, 46);
  const int high = 3, low = 43;
  // Starter section 2 from x 395: low 100 px, edge, high 300 px, drop, low to 943.
  std::vector<TCycloLine> sec2;
  for (const auto& l : s.RowLines(6, d))
    if (l.x1 >= 395 && l.x2 <= 945 && !(l.x1 == 945)) sec2.push_back(l);
  ASSERT_GE(sec2.size(), 5u);
  EXPECT_EQ(sec2[0].x1, 395);
  EXPECT_EQ(sec2[0].x2, 495);
  EXPECT_EQ(sec2[0].y1, low);
  EXPECT_EQ(sec2[1].x1, 495);
  EXPECT_EQ(sec2[1].y2, high);
  EXPECT_EQ(sec2[2].x2, 795);
  EXPECT_EQ(sec2[4].x2, 943);
  EXPECT_EQ(sec2[4].y1, low);
  for (const auto& l : sec2) EXPECT_TRUE(l.black);

  // An unassigned output: grey low lines through all six sections.
  const auto unassigned = s.RowLines(8, d);
  ASSERT_EQ(unassigned.size(), 6u);
  for (const auto& l : unassigned) {
    EXPECT_FALSE(l.black);
    EXPECT_EQ(l.y1, low);
    EXPECT_EQ(l.y2, low);
  }
}

TEST(Cyclogram, LevelsCarriedBetweenSections) {
  struct Case {
    const char* what;
    std::vector<uint16_t> step3;  // Зажигание 1: включить
    bool levelAfter;
  };
  const Case cases[] = {
      {"last on unlimited keeps it high", {Off(500), On(0)}, true},
      {"last on 4096 ms ends low", {Off(500), On(4096)}, false},
      {"no pulses keep the level before", {}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TRSConfig cfg = DefaultKeyCar();
    cfg.Seqs[3] = MakeSeq(c.step3);
    const TSections s(cfg, {}, 0, 1000, 46);
    EXPECT_TRUE(s.At(4, 0).DataExist);
    EXPECT_EQ(s.At(4, 1).FState, c.levelAfter);
    EXPECT_EQ(s.At(4, 2).FState, c.levelAfter);
  }
  // A step without pulses in a later section keeps the level it had.
  TRSConfig cfg = DefaultKeyCar();
  cfg.Seqs[16] = MakeSeq({});
  const TSections s(cfg, {}, 0, 1000, 46);
  EXPECT_TRUE(s.At(4, 5).FState);
  EXPECT_TRUE(s.At(4, 5).DataExist);
}

TEST(Cyclogram, StartStopCarOverlayAndHints) {
  TRStartModel m;
  m.LoadLocalDefaults();
  m.SetCarType(true);
  const TRSConfig cfg = m.Config();
  const TSections s(cfg, {true, false, true}, 215, 990, 46);
  // The Start/Stop button (output 1) cranks: off 2500 before its first on-pulse.
  EXPECT_EQ(Data(s.At(3, 2)), (std::vector<uint16_t>{On(2500), Off(3000), On(0)}));
  EXPECT_FALSE(s.At(1, 3).FState);
  EXPECT_TRUE(s.AutoMark(1));
  EXPECT_FALSE(s.AutoMark(6));

  EXPECT_FALSE(s.Hint(380));   // delay section
  EXPECT_FALSE(s.Hint(960));   // engine running
  EXPECT_FALSE(s.Hint(100));   // left of the sections
  EXPECT_EQ(s.Hint(215), " 0.0 c");
  EXPECT_EQ(s.Hint(300), " 0.9 c");  // 850 ms, rounded to tenths
  EXPECT_EQ(s.Hint(995 + 134), " 1.3 c");
  EXPECT_EQ(s.Ticks(3).size(), 1u);  // 100 ms section: one whole step
  EXPECT_EQ(s.Ticks(0).size(), 16u);
}

TEST(Cyclogram, ZeroWidthAndHugeSequencesStayInBounds) {
  TRSConfig cfg = DefaultKeyCar();
  cfg.Seqs[8] = MakeSeq({Off(32767), On(32767), Off(32767), On(32767), Off(32767), On(32767), Off(32767)});
  for (int w : {0, 5, 990}) {
    const TSections s(cfg, {}, 10, w, 46);
    const TSeqAllData d = BuildSeqAllData(cfg);
    for (int r = 0; r < kRSOutputs; ++r)
      for (const auto& l : s.RowLines(r, d)) {
        EXPECT_GE(l.x1, 10);
        EXPECT_LE(l.x2, s.At(r, 5).Bounds.right);
      }
    EXPECT_FALSE(s.Hint(20).has_value() && w == 0);
  }
}

}  // namespace
}  // namespace orv
