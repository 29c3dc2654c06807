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

void TCursor::WrappedItem(std::string_view text, int x, int indent, std::string_view after) {
  const TFont normal{};
  int left = x;
  while (!text.empty()) {
    const int room = canvas_.PageWidth() - 200 - left;
    // The longest prefix ending before a blank that fits; the whole rest when it fits.
    size_t cut = text.size();
    if (canvas_.TextWidth(text, normal) > room) {
      size_t best = std::string_view::npos;
      for (size_t blank = text.find(' '); blank != std::string_view::npos; blank = text.find(' ', blank + 1)) {
        if (blank == 0 || !text.substr(0, blank).ends_with(after)) continue;
        if (canvas_.TextWidth(text.substr(0, blank), normal) > room) break;
        best = blank;
      }
      for (size_t blank = text.find(' ', 1); best == std::string_view::npos && blank != std::string_view::npos;
           blank = text.find(' ', blank + 1))
        if (text.substr(0, blank).ends_with(after)) best = blank;
      if (best != std::string_view::npos) cut = best;
    }
    Item(text.substr(0, cut), left);
    text.remove_prefix(cut);
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    left = x + indent;
  }
}

}  // namespace orv::report
