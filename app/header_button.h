// A top-bar button whose caption wraps onto several lines.
#pragma once

#include <QAbstractButton>

namespace orv {

class HeaderButton : public QAbstractButton {
  Q_OBJECT

 public:
  HeaderButton(const QString& name, const QString& text, QWidget* parent);
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* e) override;
  void enterEvent(QEnterEvent* e) override;
  void leaveEvent(QEvent* e) override;

 private:
  bool hover_ = false;
};

}  // namespace orv
