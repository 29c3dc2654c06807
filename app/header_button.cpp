#include "app/header_button.h"

#include <QPainter>
#include <QPainterPath>

namespace orv {

HeaderButton::HeaderButton(const QString& name, const QString& text, QWidget* parent) : QAbstractButton(parent) {
  setObjectName(name);
  setText(text);
  setCursor(Qt::PointingHandCursor);
  setFocusPolicy(Qt::TabFocus);
}

QSize HeaderButton::sizeHint() const { return {112, 54}; }

void HeaderButton::enterEvent(QEnterEvent* e) {
  hover_ = true;
  update();
  QAbstractButton::enterEvent(e);
}

void HeaderButton::leaveEvent(QEvent* e) {
  hover_ = false;
  update();
  QAbstractButton::leaveEvent(e);
}

void HeaderButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  QColor fill = isEnabled() ? QColor(62, 96, 130) : QColor(70, 82, 94);
  if (isEnabled() && hover_) fill = fill.lighter(120);
  if (isDown()) fill = fill.darker(120);
  QPainterPath path;
  path.addRoundedRect(r, 5, 5);
  p.fillPath(path, fill);
  p.setPen(QColor(255, 255, 255, isEnabled() ? 70 : 30));
  p.drawPath(path);
  if (hasFocus()) {
    // Bright enough to be seen on the dark header.
    p.setPen(QPen(QColor(255, 190, 60), 2));
    p.drawRoundedRect(r.adjusted(1.5, 1.5, -1.5, -1.5), 4, 4);
  }
  p.setPen(isEnabled() ? QColor(255, 255, 255) : QColor(150, 160, 170));
  QFont f = font();
  f.setPointSizeF(f.pointSizeF() * 0.85);
  p.setFont(f);
  p.drawText(rect().adjusted(4, 2, -4, -2), Qt::AlignCenter | Qt::TextWordWrap, text());
}

}  // namespace orv
