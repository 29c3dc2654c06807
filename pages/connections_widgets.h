// Small drawn controls of the connections and impulses pages: a lamp with its
// caption, and the colour swatch of a wire (drawn from the colours its name
// lists, "желтый/черный").
#pragma once

#include <QIcon>
#include <QWidget>
#include <string>

namespace orv {

class TLedLamp : public QWidget {
  Q_OBJECT

 public:
  TLedLamp(const QString& caption, QWidget* parent = nullptr, QColor on = QColor(0x2E, 0xB8, 0x2E));
  void SetLit(bool lit);
  bool Lit() const { return lit_; }
  void SetCaption(const QString& caption);
  QString Caption() const { return caption_; }
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  QString caption_;
  QColor on_;
  bool lit_ = false;
};

// The swatch of a wire name ("CN10.1, желтый/черный \"-\""); a null icon for
// a name without known colours.
QIcon WireSwatch(const std::string& wireName);
// Its colours, for drawing into a report.
std::vector<QColor> WireColours(const std::string& wireName);

}  // namespace orv
