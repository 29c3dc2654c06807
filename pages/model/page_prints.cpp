// The report sections of the connections, impulses and remote-start pages,
// drawn through the report cursor from what the pages show now.
#include <algorithm>

#include "pages/model/connections_page.h"
#include "pages/model/impulses_page.h"
#include "pages/model/rstart_page.h"
#include "settings/rs_config.h"

namespace orv {

namespace {

using report::TCanvas;
using report::TCursor;
using report::TFont;

// Squares of `size` side by side, one per colour, each outlined.
void Swatch(TCanvas& canvas, int x, int y, int size, const std::vector<uint32_t>& colours) {
  for (uint32_t rgb : colours) {
    canvas.Fill(x, y, size, size, rgb);
    canvas.Line(x, y, x + size, y);
    canvas.Line(x + size, y, x + size, y + size);
    canvas.Line(x + size, y + size, x, y + size);
    canvas.Line(x, y + size, x, y);
    x += size;
  }
}

}  // namespace

std::vector<uint32_t> WireRGB(std::string_view wireName) {
  static const std::pair<const char*, uint32_t> kNames[] = {
      {"желтый", 0xF2D000},  {"черный", 0x101010},    {"красный", 0xD02020},    {"белый", 0xFAFAFA},
      {"синий", 0x2040D0},   {"зеленый", 0x20A030},   {"серый", 0x909090},      {"оранжевый", 0xF08010},
      {"фиолетовый", 0x8030B0}, {"коричневый", 0x805020},
  };
  std::vector<uint32_t> out;
  const size_t comma = wireName.find(", ");
  if (comma == std::string_view::npos) return out;
  std::string_view rest = wireName.substr(comma + 2);
  rest = rest.substr(0, rest.find(' '));
  size_t start = 0;
  while (start <= rest.size()) {
    const size_t slash = rest.find('/', start);
    const std::string_view word = rest.substr(start, slash == std::string_view::npos ? std::string_view::npos : slash - start);
    for (const auto& [name, rgb] : kNames)
      if (word == name) out.push_back(rgb);
    if (slash == std::string_view::npos) break;
    start = slash + 1;
  }
  return out;
}

void TConnectionsPageModel::Print(TCursor& cursor, const std::string& caption) const {
  const TConnectionsModel& m = Conn();
  const TConnUnit unit = Unit();
  TCanvas& canvas = cursor.Canvas();
  const TFont normal{};
  const int lineHeight = canvas.TextHeight(normal);
  cursor.Caption(caption);
  auto list = [&](const char* title, int count, bool input) {
    cursor.Group(title);
    auto name = [&](int i) {
      return input ? TConnectionsModel::InputNames()[static_cast<size_t>(i)]
                   : TConnectionsModel::OutputNames()[static_cast<size_t>(i)];
    };
    auto source = [&](int i) { return input ? m.InputGridText(i) : m.OutputGridText(i); };
    int nameWidth = 0, sourceWidth = 0;
    for (int i = 0; i < count; ++i) {
      nameWidth = std::max(nameWidth, canvas.TextWidth(name(i), normal));
      sourceWidth = std::max(sourceWidth, canvas.TextWidth(source(i), normal));
    }
    const int sourceX = TCursor::kLineX + nameWidth + lineHeight;
    const int swatchX = sourceX + sourceWidth + lineHeight;
    for (int i = 0; i < count; ++i) {
      const TConnEntry& e = input ? m.Input(i) : m.Output(i);
      canvas.Text(TCursor::kLineX, cursor.Y(), name(i), normal);
      canvas.Text(sourceX, cursor.Y(), source(i), normal);
      if (e.Source() == csMain) {
        const std::string wire = input ? TConnectionsModel::InputWireName(e.b1 >= 8 && e.b1 <= 9 ? e.b1 - 5 : e.b1, unit)
                                       : TConnectionsModel::OutputWireName(e.b1, unit);
        Swatch(canvas, swatchX, cursor.Y(), lineHeight, WireRGB(wire));
      }
      cursor.Advance();
    }
  };
  list(conn_page_text::kInputs, TConnectionsModel::kInputs, true);
  list(conn_page_text::kOutputs, TConnectionsModel::kOutputs, false);
}

void TImpulsesPageModel::Print(TCursor& cursor, const std::string& caption) const {
  cursor.Caption(caption);
  for (int k = 0; k < TImpulsesModel::kPatterns; ++k)
    cursor.WrappedItem(imp_.Seq(k).Caption + " " + imp_.SeqToString(k), TCursor::kLineX, 100, "|");
}

namespace {

// A pulse without a duration lasts until the next step: drawn as one second.
constexpr int kOpenPulseMs = 1000;
constexpr int kGridMs = 100;

int DrawnMs(uint16_t word) {
  const int ms = pulse::Duration(word);
  return ms == 0 ? kOpenPulseMs : ms;
}

int DrawnLength(const TRSSeq& seq) {
  int total = 0;
  for (int k = 0; k < seq.Len(); ++k) total += DrawnMs(seq.Pulses[static_cast<size_t>(k)]);
  return total;
}

std::string PulseWords(const TRSSeq& seq) {
  std::string v;
  for (int k = 0; k < seq.Len(); ++k) {
    const uint16_t w = seq.Pulses[static_cast<size_t>(k)];
    v += k ? ", " : "";
    v += pulse::On(w) ? report::kOn : report::kOff;
    if (pulse::Duration(w) != 0) v += "(" + TRStartModel::DurationText(pulse::Duration(w)) + ")";
  }
  return v;
}

// The waveform of one step on a grid of 100 ms, `longestMs` spanning the
// width from the lines column to 200 units before the right edge.
void Waveform(TCursor& cursor, const TRSSeq& seq, int longestMs) {
  TCanvas& canvas = cursor.Canvas();
  const int h = canvas.TextHeight(TFont{});
  const int left = TCursor::kLineX;
  const int width = std::max(canvas.PageWidth() - 200 - left, 1);
  cursor.KeepRoom(h + TCursor::kBottomRoom);
  const int top = cursor.Y(), bottom = top + h;
  auto at = [&](long ms) { return left + static_cast<int>(ms * width / std::max(longestMs, 1)); };
  // The grid: a tick every 100 ms where the ticks stay apart.
  canvas.Line(left, bottom, at(longestMs), bottom);
  if (longestMs / kGridMs > 0 && width / (longestMs / kGridMs) >= 4)
    for (int t = 0; t <= longestMs; t += kGridMs) canvas.Line(at(t), bottom, at(t), bottom - h / 4);
  long t = 0;
  bool level = false;
  for (int k = 0; k < seq.Len(); ++k) {
    const uint16_t w = seq.Pulses[static_cast<size_t>(k)];
    const bool on = pulse::On(w);
    if (on != level) canvas.Line(at(t), top, at(t), bottom);
    level = on;
    const long end = t + DrawnMs(w);
    const int y = level ? top : bottom;
    canvas.Line(at(t), y, at(end), y);
    t = end;
  }
  if (level) canvas.Line(at(t), top, at(t), bottom);
  cursor.SetY(bottom);
  cursor.Advance();
}

}  // namespace

void TRStartPageModel::Print(TCursor& cursor, const std::string& caption) const {
  TCanvas& canvas = cursor.Canvas();
  const TFont normal{};
  const int lineHeight = canvas.TextHeight(normal);
  const std::vector<TRStartReportSection> report = model_.Report();
  cursor.Caption(caption);

  // Settings: the lines the page shows.
  cursor.Group(report.at(0).caption);
  for (const std::string& l : report[0].lines) cursor.WrappedItem(l);

  // Inputs and outputs: "name: source" and the wire's swatch after the widest line.
  auto wired = [&](const TRStartReportSection& s, const std::vector<std::vector<uint32_t>>& swatches) {
    cursor.Group(s.caption);
    int widest = 0;
    for (const std::string& l : s.lines) widest = std::max(widest, canvas.TextWidth(l, normal));
    for (size_t i = 0; i < s.lines.size(); ++i) {
      canvas.Text(TCursor::kLineX, cursor.Y(), s.lines[i], normal);
      if (i < swatches.size()) Swatch(canvas, TCursor::kLineX + widest + lineHeight, cursor.Y(), lineHeight, swatches[i]);
      cursor.Advance();
    }
  };
  std::vector<std::vector<uint32_t>> in;
  for (int i : RSVisibleInputs) {
    const uint8_t code = model_.Config().Ins[static_cast<size_t>(i)];
    if (code >= 2 && code < 2 + 2 * kRSInputWires) {
      const TRSWireDef& w = RSInputWires[static_cast<size_t>((code - 2) / 2)];
      in.push_back({w.color, w.stripe});
    } else {
      in.emplace_back();
    }
  }
  wired(report.at(1), in);
  std::vector<std::vector<uint32_t>> out;
  for (const TRSWireDef& w : RSOutputWires) out.push_back({w.color, w.stripe});
  wired(report.at(2), out);

  // Pulses: per visible step its name, its pulses and their waveform, all on
  // one time scale (the longest step fills the width).
  cursor.Group(report.at(3).caption);
  int longest = 0;
  for (int i = 0; i < kRSSteps; ++i) longest = std::max(longest, DrawnLength(model_.Config().Seqs[static_cast<size_t>(i)]));
  for (int i : model_.VisibleSteps()) {
    const TRSSeq& seq = model_.Config().Seqs[static_cast<size_t>(i)];
    cursor.Item(RSSteps[static_cast<size_t>(i)].name);
    cursor.WrappedItem(PulseWords(seq), TCursor::kLineX, 100, ",");
    if (seq.Len() > 0) Waveform(cursor, seq, longest);
  }
}

}  // namespace orv
