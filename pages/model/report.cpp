#include "pages/model/report.h"

#include <cmath>

namespace orv::report {

int TCursor::Step() const { return static_cast<int>(std::lround(1.5 * canvas_.TextHeight(TFont{}))); }

void TCursor::Advance() {
  y_ += Step();
  KeepRoom(kBottomRoom);
}

void TCursor::KeepRoom(int room, int top) {
  if (canvas_.PageHeight() < y_ + room) {
    canvas_.NewPage();
    y_ = top;
  }
}

void TCursor::Caption(std::string_view text) {
  canvas_.Text(kCaptionX, y_, text, TFont{true, 2});
  Advance();
}

void TCursor::Group(std::string_view text) {
  canvas_.Text(kGroupX, y_, text, TFont{true, 0});
  Advance();
}

void TCursor::Item(std::string_view text, int x) {
  canvas_.Text(x, y_, text, TFont{});
  Advance();
}

}  // namespace orv::report
