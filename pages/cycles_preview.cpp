#include "pages/cycles_preview.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QToolTip>
#include <QVBoxLayout>

namespace orv {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

constexpr int kSideMargin = 40 + 20;  // column 1 minus the drawing width

}  // namespace

QColor PhaseColor(int phase) {
  switch (phase) {
    case 0: return QColor(0xDD, 0xF2, 0xDD);
    case 1: return QColor(0xFF, 0xE8, 0xCC);
    case 2: return QColor(0xDD, 0xE8, 0xFF);
    default: return QColor(0xEC, 0xEC, 0xEC);
  }
}

QPixmap WireSwatch(const TRSWireDef& wire, int w, int h) {
  QPixmap pm(w, h);
  pm.fill(QColor::fromRgb(wire.color));
  QPainter p(&pm);
  if (wire.stripe != 0xFFFFFFFF) p.fillRect(0, h / 3, w, h / 3, QColor::fromRgb(wire.stripe));
  p.setPen(Qt::darkGray);
  p.drawRect(0, 0, w - 1, h - 1);
  return pm;
}

TCycloGrid::TCycloGrid(QWidget* parent) : QWidget(parent) {
  setObjectName("dgCycles");
  setMouseTracking(true);
  setMinimumHeight(kRowHeight * kRSOutputs);
}

void TCycloGrid::SetData(const TRStartModel* model, const TSections* sections, const TSeqAllData* seqData) {
  model_ = model;
  sections_ = sections;
  data_ = seqData;
  hint_.clear();
  update();
}

QString TCycloGrid::HintAt(int x) const {
  if (!sections_) return {};
  try {
    const auto h = sections_->Hint(x);
    return h ? Q(*h) : QString();
  } catch (...) {
    return {};
  }
}

void TCycloGrid::mouseMoveEvent(QMouseEvent* e) {
  const QString h = HintAt(e->position().toPoint().x());
  if (h == hint_) return;
  hint_ = h;
  QToolTip::hideText();
  if (!h.isEmpty()) QToolTip::showText(e->globalPosition().toPoint(), h, this);
}

void TCycloGrid::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), QColor(0xF7, 0xF7, 0xF2));
  if (!sections_ || !model_ || !data_) return;
  for (int r = 0; r < kRSOutputs; ++r) {
    const int top = r * kRowHeight;
    p.save();
    p.translate(0, top);
    // Column 0: the output wire with its swatch, its assignment below.
    p.setPen(Qt::black);
    p.drawPixmap(4, 6, WireSwatch(RSOutputWires[static_cast<size_t>(r)]));
    // The longest wire names must fit the fixed column: the font shrinks.
    const QString wireName = QString::fromUtf8(RSOutputWires[static_cast<size_t>(r)].name);
    QFont f = font();
    f.setPointSizeF(f.pointSizeF() * 0.85);
    while (f.pointSizeF() > 5 && QFontMetrics(f).horizontalAdvance(wireName) > kNameWidth - 30)
      f.setPointSizeF(f.pointSizeF() - 0.5);
    p.setFont(f);
    p.drawText(QRect(26, 2, kNameWidth - 28, 20), Qt::AlignLeft | Qt::AlignVCenter, wireName);
    p.setPen(Qt::darkBlue);
    p.drawText(QRect(26, 22, kNameWidth - 28, 20), Qt::AlignLeft | Qt::AlignVCenter, Q(model_->OutputText(r)));
    // Background pass.
    for (int q = 0; q < kCycloSections; ++q) {
      const TSection& s = sections_->At(r, q);
      const QRect box(s.Bounds.left, 1, s.Bounds.Width(), kRowHeight - 2);
      const int phase = CycloPhase(q);
      if (phase >= 0) {
        p.fillRect(box, PhaseColor(phase));
        p.setPen(QPen(Qt::gray, 1, Qt::DotLine));
        for (int x : sections_->Ticks(q)) p.drawLine(x, 1, x, kRowHeight - 2);
      } else if (q == 1) {
        p.fillRect(box, sections_->AutoMark(r) ? QColor(0xFF, 0xD0, 0xD0) : QColor(0xFF, 0xF4, 0xB0));
      } else {
        p.fillRect(box, QColor(0xC8, 0xF0, 0xC8));
      }
    }
    // Line pass.
    for (const TCycloLine& l : sections_->RowLines(r, *data_)) {
      p.setPen(QPen(l.black ? Qt::black : Qt::gray, 3, Qt::SolidLine, Qt::FlatCap));
      p.drawLine(l.x1, l.y1, l.x2, l.y2);
    }
    p.setPen(QColor(0xC0, 0xC0, 0xC0));
    p.drawLine(0, kRowHeight - 1, width(), kRowHeight - 1);
    p.restore();
  }
}

TCyclesPreview::TCyclesPreview(QWidget* parent, const TRStartModel& model)
    : QDialog(parent), model_(model), grid_(new TCycloGrid(this)) {
  setObjectName("CyclesPreview");
  setWindowTitle("Просмотр циклограмм испульсов");
  setModal(true);
  resize(1300, 640);
  auto* v = new QVBoxLayout(this);
  auto* header = new QGridLayout;
  const char* captions[6] = {"Включение зажигания", "Задержка перед включением стартера",
                             "Включение стартера, не более", "Выключение стартера", "Двигатель работает",
                             "Выключение двигателя"};
  for (int i = 0; i < 6; ++i) {
    header->addWidget(new QLabel(QString::fromUtf8(captions[i]) + ":", this), i / 3, (i % 3) * 2);
    values_[i] = new QLabel(this);
    values_[i]->setObjectName(QString("lbCycleValue%1").arg(i));
    values_[i]->setMinimumWidth(70);
    header->addWidget(values_[i], i / 3, (i % 3) * 2 + 1);
  }
  v->addLayout(header);
  v->addWidget(grid_, 1);
  auto* close = new QPushButton("Закрыть", this);
  close->setObjectName("btnClose");
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  v->addWidget(close, 0, Qt::AlignRight);
}

TCyclesPreview::~TCyclesPreview() = default;

void TCyclesPreview::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  data_ = std::make_unique<TSeqAllData>(BuildSeqAllData(model_.Config()));
  const int column1 = std::max(grid_->width() - TCycloGrid::kNameWidth, 0);
  const TCycloOptions opt{model_.IsSSB(), model_.Ign2OffOnCrank(), model_.SSBOn() == TSSBOnType::kAuto};
  sections_ = std::make_unique<TSections>(model_.Config(), opt, TCycloGrid::kNameWidth + 1, column1 - kSideMargin,
                                          TCycloGrid::kRowHeight);
  const uint32_t delay = static_cast<uint32_t>(model_.GetSlider(TRStartModel::kTimeAfterKeyIn).pos) * 500;
  const auto header = CycloHeader(*data_, delay, runMinutes_);
  for (size_t i = 0; i < header.size() && i < 6; ++i) values_[i]->setText(Q(header[i].second));
  grid_->SetData(&model_, sections_.get(), data_.get());
}

void TCyclesPreview::hideEvent(QHideEvent* e) {
  grid_->SetData(nullptr, nullptr, nullptr);
  sections_.reset();
  data_.reset();
  QDialog::hideEvent(e);
}

}  // namespace orv
