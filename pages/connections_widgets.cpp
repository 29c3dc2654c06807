#include "pages/connections_widgets.h"

#include "pages/model/connections_page.h"

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
  std::vector<QColor> out;
  for (uint32_t rgb : WireRGB(wireName)) out.push_back(QColor::fromRgb(rgb));
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
