// The settings report without Qt: a canvas (the printer or a PDF, measured in
// printer units, y = top of a line) and a cursor that every page's Print moves
// down it. The cursor owns the report's rules: the columns, the line step and
// the page break, so the pages only say what to print and at which level.
//
// Columns: section captions at x = 200, group captions at 300, lines at 400.
// Line step L = 1.5 × the height of "Y" in the normal font, rounded. After
// every advance, when the page height is less than Y + 100, a new page starts
// and Y becomes 100.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orv::report {

struct TFont {
  bool bold = false;
  int sizeDelta = 0;  // points above the report's normal size
};

// Where the report is drawn. Texts are UTF-8.
class TCanvas {
 public:
  virtual ~TCanvas() = default;
  virtual int PageWidth() const = 0;
  virtual int PageHeight() const = 0;
  // Height of the text "Y" and width of a text in that font.
  virtual int TextHeight(const TFont& font) const = 0;
  virtual int TextWidth(std::string_view text, const TFont& font) const = 0;
  // Draws text whose top is at y.
  virtual void Text(int x, int y, std::string_view text, const TFont& font) = 0;
  virtual void Line(int x1, int y1, int x2, int y2) = 0;
  // A filled rectangle (a wire's colour swatch); rgb = 0xRRGGBB.
  virtual void Fill(int x, int y, int w, int h, uint32_t rgb) = 0;
  virtual void NewPage() = 0;
};

// State words of on/off items.
inline constexpr const char* kOn = "ВКЛ";
inline constexpr const char* kOff = "выкл";
inline const char* OnOff(bool on) { return on ? kOn : kOff; }

class TCursor {
 public:
  static constexpr int kCaptionX = 200;
  static constexpr int kGroupX = 300;
  static constexpr int kLineX = 400;
  static constexpr int kBottomRoom = 100;  // a page ends when less than this remains below Y
  static constexpr int kTopAfterBreak = 100;

  explicit TCursor(TCanvas& canvas, int y = 200) : canvas_(canvas), y_(y) {}

  TCanvas& Canvas() { return canvas_; }
  int Y() const { return y_; }
  void SetY(int y) { y_ = y; }
  // L: 1.5 × the height of "Y" in the normal font, rounded.
  int Step() const;

  // Y += L, then the page-break rule.
  void Advance();
  // Starts a new page at `top` when fewer than `room` units remain below Y.
  void KeepRoom(int room, int top = kTopAfterBreak);

  // A section caption (bold, two points larger) at 200, then an advance.
  void Caption(std::string_view text);
  // A group caption (bold) at 300, then an advance.
  void Group(std::string_view text);
  // A line of text at x (400 unless said), then an advance.
  void Item(std::string_view text, int x = kLineX);
  // A line that may be wider than the page: cut at blanks so that each piece
  // ends 200 units before the right edge; the pieces after the first start
  // `indent` further right. With `after`, only blanks that follow it are cut
  // at (" | " lists keep their items whole). A piece wider than the room
  // stays whole.
  void WrappedItem(std::string_view text, int x = kLineX, int indent = 100, std::string_view after = {});

 private:
  TCanvas& canvas_;
  int y_;
};

}  // namespace orv::report
