#include "pages/model/rstart_cyclogram.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "pages/model/rstart_text.h"

namespace orv {

namespace {

constexpr int kPen = 3;  // level lines sit this far inside the row

uint16_t TotalTime(const uint16_t* pulses, int n) {
  uint16_t sum = 0;
  for (int i = 0; i < n; ++i) sum = static_cast<uint16_t>(sum + pulse::Duration(pulses[i]));
  return sum;
}

}  // namespace

int CycloPhase(int q) {
  switch (q) {
    case 0: return 0;
    case 2: return 1;
    case 3: return 2;
    case 5: return 3;
    default: return -1;
  }
}

uint8_t RSOutputFunction(const TRSConfig& cfg, int row) {
  if (row < 0 || row >= kRSOutputs) return rsfn::kNone;
  const uint8_t code = cfg.Outs[static_cast<size_t>(row)];
  return code >= 1 && code <= kRSFunctions ? static_cast<uint8_t>(code - 1) : rsfn::kNone;
}

bool TSeqAllData::UsedByAnyStep(int row) const {
  for (int p = 0; p < 4; ++p)
    if (flags[static_cast<size_t>(p)][static_cast<size_t>(row)] & 1u) return true;
  return false;
}

TSeqAllData BuildSeqAllData(const TRSConfig& cfg) {
  TSeqAllData d;
  for (int j = 0; j < kRSOutputs; ++j) {
    const uint8_t f = RSOutputFunction(cfg, j);
    if (f == rsfn::kNone) continue;
    int s = 0;
    for (uint8_t p = 0; p < 4; ++p) {
      if (!FindSeq(f, p, s)) continue;
      d.flags[p][static_cast<size_t>(j)] = 1;
      d.step[p][static_cast<size_t>(j)] = static_cast<uint8_t>(s);
      const uint32_t total = cfg.Seqs[static_cast<size_t>(s)].TotalTime();
      d.MaxAllTime[p] = std::max(d.MaxAllTime[p], total);
    }
  }
  return d;
}

TSections::TSections(const TRSConfig& cfg, const TCycloOptions& opt, int left, int width, int rowHeight)
    : FLeft(left), FHeight(rowHeight), opt_(opt) {
  // 1. Levels and steps, row by row.
  for (int r = 0; r < kRSOutputs; ++r) {
    const uint8_t f = RSOutputFunction(cfg, r);
    bool level = false;
    int s = 0;
    for (int q = 0; q < kCycloSections; ++q) {
      TSection& sec = FSections[static_cast<size_t>(r)][static_cast<size_t>(q)];
      sec.FID = q;
      sec.FRow = r;
      sec.FWire = f;
      if (f == rsfn::kNone) continue;
      sec.FState = level;
      const int phase = CycloPhase(q);
      if (phase >= 0 && FindSeq(f, static_cast<uint8_t>(phase), s)) {
        const TRSSeq& seq = cfg.Seqs[static_cast<size_t>(s)];
        sec.DataExist = true;
        sec.FDataLen = seq.Len();
        std::copy_n(seq.Pulses.begin(), sec.FDataLen, sec.FData.begin());
        if (sec.FDataLen > 0) {
          const uint16_t last = sec.FData[static_cast<size_t>(sec.FDataLen - 1)];
          level = pulse::On(last) && pulse::Duration(last) == 0;
        }
      }
      if (q == 2 && (f == rsfn::kSSB || f == rsfn::kStarter)) level = false;
    }
  }
  // 2. Longest section times and the scale.
  uint64_t total = 0;
  for (int q = 0; q < kCycloSections; ++q) {
    if (CycloPhase(q) < 0) continue;
    uint32_t m = 100;
    for (int r = 0; r < kRSOutputs; ++r) {
      const TSection& sec = At(r, q);
      if (sec.DataExist) m = std::max<uint32_t>(m, TotalTime(sec.FData.data(), sec.FDataLen));
    }
    FMaxTime[static_cast<size_t>(q)] = m;
    total += m;
  }
  FScale = std::max(width, 0) / static_cast<double>(total);
  // 3. Bounds, the same for every row.
  std::array<std::pair<int, int>, kCycloSections> xs{};
  int x = left;
  for (int q = 0; q < kCycloSections; ++q) {
    int w = 0;
    switch (q) {
      case 0: case 2: case 3: case 5:
        w = static_cast<int>(std::lround(FMaxTime[static_cast<size_t>(q)] * FScale));
        break;
      case 1: w = kCycloDelayWidth; break;
      case 4: w = kCycloRunningWidth; break;
      default: throw std::logic_error("CyclesPreview: Invalid section number");
    }
    xs[static_cast<size_t>(q)] = {x, x + w};
    x += w;
  }
  for (auto& row : FSections)
    for (auto& sec : row) {
      sec.Bounds = {xs[static_cast<size_t>(sec.FID)].first, 0, xs[static_cast<size_t>(sec.FID)].second, rowHeight};
      sec.FScale = FScale;
    }
  // 4. Accessories (and ignition 2 when asked) are off while the starter runs.
  const uint8_t cranker = opt.ssbCar ? rsfn::kSSB : rsfn::kStarter;
  for (int r = 0; r < kRSOutputs; ++r) {
    if (RSOutputFunction(cfg, r) != cranker) continue;
    const TSection& crank = At(r, 2);
    if (!crank.DataExist) break;
    uint32_t before = 0;
    for (int i = 0; i < crank.FDataLen && !pulse::On(crank.FData[static_cast<size_t>(i)]); ++i)
      before += pulse::Duration(crank.FData[static_cast<size_t>(i)]);
    const uint32_t sMs = std::min<uint32_t>(before, pulse::kDurationMask);
    const uint32_t rest = std::min<uint32_t>(FMaxTime[2] > sMs ? FMaxTime[2] - sMs : 0, pulse::kDurationMask);
    for (int k = 0; k < kRSOutputs; ++k) {
      const uint8_t f = RSOutputFunction(cfg, k);
      if (f != rsfn::kAccessories && !(f == rsfn::kIgn2 && opt.ign2OffOnCrank)) continue;
      TSection& sec = FSections[static_cast<size_t>(k)][2];
      sec.DataExist = true;
      sec.FDataLen = 3;
      sec.FData = {};
      sec.FData[0] = pulse::Make(true, sMs);
      sec.FData[1] = pulse::Make(false, rest);
      sec.FData[2] = pulse::Make(true, 0);
    }
    break;
  }
}

std::vector<TCycloLine> TSections::RowLines(int row, const TSeqAllData& data) const {
  std::vector<TCycloLine> out;
  if (row < 0 || row >= kRSOutputs) return out;
  const int high = kPen, low = FHeight - kPen;
  auto y = [&](bool level) { return level ? high : low; };
  const bool black = data.UsedByAnyStep(row);
  for (const TSection& sec : FSections[static_cast<size_t>(row)]) {
    const int l = sec.Bounds.left, r = sec.Bounds.right;
    if (sec.FID == 1 || sec.FID == 4 || !sec.DataExist) {
      out.push_back({l, y(sec.FState), r, y(sec.FState), false});
      continue;
    }
    const int end = r - 2;
    int x = sec.FID == 0 ? l + 1 : l;
    bool level = sec.FState;
    bool held = false;  // the last pulse holds its level to the end
    for (int i = 0; i < sec.FDataLen; ++i) {
      const uint16_t w = sec.FData[static_cast<size_t>(i)];
      const bool lv = pulse::On(w);
      if (lv != level) out.push_back({x, y(level), x, y(lv), black});
      level = lv;
      int x2 = x + static_cast<int>(std::lround(pulse::Duration(w) * FScale));
      const bool last = i == sec.FDataLen - 1;
      if (last && pulse::Duration(w) == 0) {
        x2 = end;
        held = true;
      }
      x2 = std::min(x2, end);
      if (x2 < x) x2 = x;
      out.push_back({x, y(level), x2, y(level), black});
      x = x2;
    }
    if (sec.FDataLen == 0) {
      out.push_back({x, y(level), end, y(level), black});
    } else if (!held) {
      if (level) out.push_back({x, y(true), x, y(false), black});
      out.push_back({x, y(false), std::max(x, end), y(false), black});
    }
  }
  return out;
}

std::vector<int> TSections::Ticks(int q) const {
  std::vector<int> xs;
  if (CycloPhase(q) < 0 || FScale <= 0) return xs;
  const TCycloRect& b = At(0, q).Bounds;
  for (int k = 1;; ++k) {
    const double x = b.left + k * 100 * FScale;
    if (x > b.right) break;
    xs.push_back(static_cast<int>(std::lround(x)));
  }
  return xs;
}

bool TSections::AutoMark(int row) const {
  return opt_.ssbOnAuto && At(row, 1).FWire == rsfn::kSSB;
}

std::optional<std::string> TSections::Hint(int x) const {
  for (const TSection& sec : FSections[0]) {
    if (x < sec.Bounds.left || x >= sec.Bounds.right) continue;
    if (sec.FID == 1 || sec.FID == 4 || FScale <= 0.01) return std::nullopt;
    const double ms = (x - sec.Bounds.left) / FScale;
    return CycloTimeText(static_cast<uint32_t>(std::lround(ms)));
  }
  return std::nullopt;
}

std::string CycloTimeText(uint32_t ms) {
  const double tenths = std::round(ms / 100.0);
  return rsfmt::Fixed(tenths * 100 / 1000.0, 4, 1) + " c";
}

std::vector<std::pair<std::string, std::string>> CycloHeader(const TSeqAllData& data, uint32_t starterDelayMs,
                                                             int runMinutes) {
  return {
      {"Включение зажигания", CycloTimeText(data.MaxAllTime[0])},
      {"Задержка перед включением стартера", CycloTimeText(starterDelayMs)},
      {"Включение стартера, не более", CycloTimeText(data.MaxAllTime[1])},
      {"Выключение стартера", CycloTimeText(data.MaxAllTime[2])},
      {"Двигатель работает", std::to_string(runMinutes) + " мин"},
      {"Выключение двигателя", CycloTimeText(data.MaxAllTime[3])},
  };
}

}  // namespace orv
