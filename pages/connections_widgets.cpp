#include "pages/connections_widgets.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPixmap>
#include <utility>
#include <vector>

namespace orv {

TLedLamp::TLedLamp(const QString& caption, QWidget* parent, QColor on) : QWidget(parent), caption_(caption), on_(on) {
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void TLedLamp::SetLit(bool lit) {
  if (lit == lit_) return;
  lit_ = lit;
  update();
}

void TLedLamp::SetCaption(const QString& caption) {
  caption_ = caption;
  updateGeometry();
  update();
}

QSize TLedLamp::sizeHint() const {
  const QFontMetrics fm(font());
  return {fm.height() + 6 + fm.horizontalAdvance(caption_), fm.height() + 4};
}

void TLedLamp::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QFontMetrics fm(font());
  const int d = fm.height() - 4;
  const QRect led(1, (height() - d) / 2, d, d);
  p.setPen(QColor(0x60, 0x60, 0x60));
  p.setBrush(lit_ ? on_ : QColor(0xD0, 0xD0, 0xD0));
  p.drawEllipse(led);
  p.setPen(palette().color(QPalette::WindowText));
  p.drawText(QRect(led.right() + 6, 0, width() - led.right() - 6, height()), Qt::AlignVCenter | Qt::AlignLeft,
             caption_);
}

std::vector<QColor> WireColours(const std::string& wireName) {
  static const std::pair<const char*, QColor> kNames[] = {
      {"желтый", QColor(0xF2, 0xD0, 0x00)},  {"черный", QColor(0x10, 0x10, 0x10)},
      {"красный", QColor(0xD0, 0x20, 0x20)}, {"белый", QColor(0xFA, 0xFA, 0xFA)},
      {"синий", QColor(0x20, 0x40, 0xD0)},   {"зеленый", QColor(0x20, 0xA0, 0x30)},
      {"серый", QColor(0x90, 0x90, 0x90)},   {"оранжевый", QColor(0xF0, 0x80, 0x10)},
      {"фиолетовый", QColor(0x80, 0x30, 0xB0)}, {"коричневый", QColor(0x80, 0x50, 0x20)},
  };
  std::vector<QColor> out;
  const size_t comma = wireName.find(", ");
  if (comma == std::string::npos) return out;
  std::string rest = wireName.substr(comma + 2);
  rest = rest.substr(0, rest.find(' '));
  size_t start = 0;
  while (start <= rest.size()) {
    const size_t slash = rest.find('/', start);
    const std::string word = rest.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    for (const auto& [name, colour] : kNames)
      if (word == name) out.push_back(colour);
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  return out;
}

QIcon WireSwatch(const std::string& wireName) {
  const std::vector<QColor> colours = WireColours(wireName);
  if (colours.empty()) return {};
  QPixmap pm(24, 12);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  const int w = 24 / static_cast<int>(colours.size());
  for (size_t i = 0; i < colours.size(); ++i)
    p.fillRect(static_cast<int>(i) * w, 0, i + 1 == colours.size() ? 24 - static_cast<int>(i) * w : w, 12, colours[i]);
  p.setPen(QColor(0x40, 0x40, 0x40));
  p.drawRect(0, 0, 23, 11);
  return QIcon(pm);
}

}  // namespace orv
