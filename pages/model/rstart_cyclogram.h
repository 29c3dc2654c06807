// The start cyclogram without widgets: the derived tables of the remote-start
// page (seq_all_data, MaxAllTime) and the 10 × 6 matrix of sections TSections
// that the preview window paints. A row is one physical output of the start
// module, a section one stage of a remote start (ignition on, delay, starter
// on, starter off, engine running, engine stop). Everything a painter needs
// (bounds, levels, the lines of a row, the 100 ms ticks, the hover hint) is
// computed here; the window only draws it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "settings/rs_config.h"

namespace orv {

constexpr int kCycloSections = 6;
constexpr int kCycloDelayWidth = 20;    // section 1
constexpr int kCycloRunningWidth = 40;  // section 4

// Function index of output `row` (0..9): 255 when unassigned or not a function.
uint8_t RSOutputFunction(const TRSConfig& cfg, int row);

// seq_all_data and MaxAllTime of the page.
struct TSeqAllData {
  std::array<std::array<uint8_t, kRSOutputs>, 4> flags{};  // bit 0: a step drives the output in this phase
  std::array<std::array<uint8_t, kRSOutputs>, 4> step{};
  std::array<uint32_t, 4> MaxAllTime{100, 100, 100, 100};
  bool UsedByAnyStep(int row) const;
};
TSeqAllData BuildSeqAllData(const TRSConfig& cfg);

struct TCycloRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
};

struct TSection {
  TCycloRect Bounds;
  bool DataExist = false;
  bool FState = false;  // level when the section begins
  int FID = 0;
  double FScale = 0;
  int FRow = 0;
  uint8_t FWire = 255;
  int FDataLen = 0;
  std::array<uint16_t, kRSMaxPulses> FData{};
};

// One straight piece of a row's waveform, in row coordinates (top = 0).
struct TCycloLine {
  int x1, y1, x2, y2;
  bool black;  // black for an output some step uses, grey otherwise
};

struct TCycloOptions {
  bool ssbCar = false;
  bool ign2OffOnCrank = false;
  bool ssbOnAuto = false;  // the switch-on type is "Автоматически"
};

class TSections {
 public:
  TSections(const TRSConfig& cfg, const TCycloOptions& opt, int left, int width, int rowHeight);

  const TSection& At(int row, int q) const { return FSections[static_cast<size_t>(row)][static_cast<size_t>(q)]; }
  // The level lines of one row: the painter draws them with a 3-pixel pen.
  std::vector<TCycloLine> RowLines(int row, const TSeqAllData& data) const;
  // The x positions of the dotted 100 ms lines of a proportional section.
  std::vector<int> Ticks(int q) const;
  // Section 1 of this row shows the mark of an automatic Start/Stop switch-on.
  bool AutoMark(int row) const;
  // The hint over x (time offset into the section), none over sections 1, 4.
  std::optional<std::string> Hint(int x) const;

  std::array<std::array<TSection, kCycloSections>, kRSOutputs> FSections{};
  std::array<uint32_t, kCycloSections> FMaxTime{};
  double FScale = 0;
  int FLeft = 0;
  int FHeight = 0;

 private:
  TCycloOptions opt_;
};

// "%4.1f c" of a time rounded to tenths of a second.
std::string CycloTimeText(uint32_t ms);
// The six header captions of the window with their values.
std::vector<std::pair<std::string, std::string>> CycloHeader(const TSeqAllData& data, uint32_t starterDelayMs,
                                                             int runMinutes);

// The section of a proportional section number (0, 2, 3, 5) that is a phase;
// -1 for sections 1 and 4.
int CycloPhase(int q);

}  // namespace orv
