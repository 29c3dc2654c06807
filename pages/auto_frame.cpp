#include "pages/auto_frame.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QStyledItemDelegate>
#include <QStylePainter>
#include <QVBoxLayout>

#include "server/can_choice.h"

namespace orv {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The summaries and the server's texts keep CR LF line ends; a label breaks
// lines at LF alone.
QString LabelText(const std::string& s) { return Q(s).replace("\r\n", "\n").trimmed(); }

constexpr int kDescriptionRole = Qt::UserRole + 1;
constexpr int kControlWidth = 520;     // at most: the lists grow no wider
constexpr int kControlMinWidth = 260;  // the page narrows before it scrolls
constexpr int kSectionListWidth = 230;

// A firmware item: the caption in bold, the description below it in the
// normal font, each on one line (elided; the whole text is the item's hint).
void DrawTwoLines(QPainter& p, const QRect& r, const QString& caption, const QString& description, QFont font,
                  const QColor& color) {
  p.save();
  p.setPen(color);
  QFont bold = font;
  bold.setBold(true);
  const QFontMetrics fb(bold), fn(font);
  const int total = fb.height() + (description.isEmpty() ? 0 : fn.height());
  int y = r.top() + std::max(0, (r.height() - total) / 2);
  p.setFont(bold);
  p.drawText(QRect(r.left(), y, r.width(), fb.height()), Qt::AlignLeft | Qt::AlignVCenter,
             fb.elidedText(caption, Qt::ElideRight, r.width()));
  y += fb.height();
  if (!description.isEmpty()) {
    p.setFont(font);
    p.drawText(QRect(r.left(), y, r.width(), fn.height()), Qt::AlignLeft | Qt::AlignVCenter,
               fn.elidedText(description, Qt::ElideRight, r.width()));
  }
  p.restore();
}

int TwoLineHeight(const QFont& font) {
  QFont bold = font;
  bold.setBold(true);
  return QFontMetrics(bold).height() + QFontMetrics(font).height();
}

class TwoLineDelegate final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyleOptionViewItem o(option);
    initStyleOption(&o, index);
    const QString caption = o.text;
    o.text.clear();
    const QWidget* w = o.widget;
    QStyle* style = w ? w->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &o, p, w);
    const bool selected = o.state & QStyle::State_Selected;
    DrawTwoLines(*p, o.rect.adjusted(6, 2, -6, -2), caption, index.data(kDescriptionRole).toString(), o.font,
                 o.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
  }
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize s = QStyledItemDelegate::sizeHint(option, index);
    s.setHeight(TwoLineHeight(option.font) + 6);
    return s;
  }
};

// cbFW: the closed list shows the chosen item as the popup does.
class TwoLineCombo final : public QComboBox {
 public:
  explicit TwoLineCombo(QWidget* parent) : QComboBox(parent) { setItemDelegate(new TwoLineDelegate(this)); }
  QSize sizeHint() const override { return Grown(QComboBox::sizeHint()); }
  QSize minimumSizeHint() const override { return Grown(QComboBox::minimumSizeHint()); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QStylePainter p(this);
    QStyleOptionComboBox opt;
    initStyleOption(&opt);
    opt.currentText.clear();
    opt.currentIcon = QIcon();
    p.drawComplexControl(QStyle::CC_ComboBox, opt);
    if (currentIndex() < 0) return;
    const QRect r = style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, this);
    DrawTwoLines(p, r.adjusted(4, 0, -2, 0), currentText(), currentData(kDescriptionRole).toString(), font(),
                 palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
  }

 private:
  QSize Grown(QSize s) const {
    s.setHeight(std::max(s.height(), TwoLineHeight(font()) + 10));
    return s;
  }
};

void Sized(QWidget* w) {
  w->setMinimumWidth(kControlMinWidth);
  w->setMaximumWidth(kControlWidth);
  w->setSizePolicy(QSizePolicy::Expanding, w->sizePolicy().verticalPolicy());
}

QLabel* Caption(const char* text, QWidget* parent) {
  auto* l = new QLabel(QString::fromUtf8(text), parent);
  l->setTextFormat(Qt::PlainText);
  return l;
}

QLabel* Value(const char* name, QWidget* parent) {
  auto* l = new QLabel(parent);
  l->setObjectName(name);
  l->setTextFormat(Qt::PlainText);
  l->setWordWrap(true);
  l->setTextInteractionFlags(Qt::TextSelectableByMouse);
  QFont f = l->font();
  f.setBold(true);
  l->setFont(f);
  return l;
}

QPushButton* Button(const char* name, const char* text, QWidget* parent) {
  auto* b = new QPushButton(QString::fromUtf8(text), parent);
  b->setObjectName(name);
  return b;
}

QCheckBox* CheckBox(const char* name, const char* text, const char* hint, QWidget* parent) {
  auto* c = new QCheckBox(QString::fromUtf8(text), parent);
  c->setObjectName(name);
  if (hint) c->setToolTip(QString::fromUtf8(hint));
  return c;
}

}  // namespace

TAutoFrame::TAutoFrame(QWidget* parent, QColor color, uint8_t addr) : TCLFrame(parent, "AutoFrame", color, addr) {
  auto* h = new QHBoxLayout(Content());
  list_ = new QListWidget(Content());
  list_->setObjectName("AutoFrameList");
  list_->setFixedWidth(kSectionListWidth);
  list_->addItem(auto_text::kSectionCan);
  list_->addItem(auto_text::kSectionUpdates);
  stack_ = new QStackedWidget(Content());
  stack_->addWidget(BuildCanSection());
  stack_->addWidget(BuildUpdatesSection());
  h->addWidget(list_);
  h->addWidget(stack_, 1);
  connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row < 0) return;
    model_.Select(row);
    Refresh();
  });
  Refresh();
}

QWidget* TAutoFrame::BuildCanSection() {
  auto* page = new QWidget(stack_);
  page->setObjectName("AutoFramePage0");
  auto* v = new QVBoxLayout(page);
  v->setContentsMargins(16, 12, 16, 12);
  v->setSpacing(4);
  auto combo = [&](const char* name, const char* caption) {
    v->addWidget(Caption(caption, page));
    auto* c = new QComboBox(page);
    c->setObjectName(name);
    Sized(c);
    v->addWidget(c);
    v->addSpacing(6);
    return c;
  };
  cbCarBrend = combo("cbCarBrend", auto_text::kMake);
  cbCarBrend->setToolTip(auto_text::kMakeHint);
  cbCarBrend->setMaxVisibleItems(24);
  cbCarModel = combo("cbCarModel", auto_text::kModel);
  cbYear = combo("cbYear", auto_text::kPeriod);

  Label8 = new QLabel(page);
  Label8->setObjectName("Label8");
  Label8->setTextFormat(Qt::PlainText);
  v->addWidget(Label8);
  cbFW = new TwoLineCombo(page);
  cbFW->setObjectName("cbFW");
  Sized(cbFW);
  v->addWidget(cbFW);
  v->addSpacing(10);

  lbCanFwInfoCaption = Caption(auto_text::kInstalled, page);
  lbCanFwInfoCaption->setObjectName("lbCanFwInfoCaption");
  v->addWidget(lbCanFwInfoCaption);
  lbCanFwInfo = Value("lbCanFwInfo", page);
  lbCanFwInfo->setMaximumWidth(kControlWidth);
  v->addWidget(lbCanFwInfo);
  v->addSpacing(10);

  btnGetCanFW = Button("btnGetCanFW", auto_text::kGetCanFW, page);
  v->addWidget(btnGetCanFW, 0, Qt::AlignLeft);
  v->addSpacing(6);

  auto* manual = new QHBoxLayout;
  btnLoadManual = Button("btnLoadManual", auto_text::kLoadManual, page);
  cbOpenPDF = CheckBox("cbOpenPDF", auto_text::kOpenPDF, auto_text::kOpenPDFHint, page);
  cbOpenPDF->setChecked(true);
  manual->addWidget(btnLoadManual);
  manual->addWidget(cbOpenPDF);
  manual->addStretch(1);
  v->addLayout(manual);

  URLEdit = new QLineEdit(page);
  URLEdit->setObjectName("URLEdit");
  Sized(URLEdit);
  URLEdit->installEventFilter(this);
  v->addWidget(URLEdit);
  v->addStretch(1);

  auto chosen = [this](void (can::CanChoice::*choose)(int)) {
    return [this, choose](int i) {
      if (filling_ || !choice_) return;
      (choice_->*choose)(i);
      RefillLists();
    };
  };
  connect(cbCarBrend, &QComboBox::currentIndexChanged, this, chosen(&can::CanChoice::ChooseMake));
  connect(cbCarModel, &QComboBox::currentIndexChanged, this, chosen(&can::CanChoice::ChooseModel));
  connect(cbYear, &QComboBox::currentIndexChanged, this, chosen(&can::CanChoice::ChoosePeriod));
  connect(cbFW, &QComboBox::currentIndexChanged, this, [this](int i) {
    if (filling_ || !choice_ || i < 0) return;
    if (!choice_->ChooseFirmware(i))
      QMessageBox::warning(this, window()->windowTitle(), Q(choice_->Error()));
    Refresh();
  });
  connect(btnGetCanFW, &QPushButton::clicked, this, &TAutoFrame::getCanFWClicked);
  connect(btnLoadManual, &QPushButton::clicked, this, [this] { emit loadManualClicked(cbOpenPDF->isChecked()); });
  connect(cbOpenPDF, &QCheckBox::toggled, this, &TAutoFrame::openPDFToggled);
  connect(URLEdit, &QLineEdit::textEdited, this, &TAutoFrame::urlEdited);
  return page;
}

QWidget* TAutoFrame::BuildUpdatesSection() {
  auto* page = new QWidget(stack_);
  page->setObjectName("AutoFramePage1");
  auto* v = new QVBoxLayout(page);
  v->setContentsMargins(16, 12, 16, 12);
  v->setSpacing(4);
  v->addWidget(Caption(auto_text::kAvailable, page));
  lbAv = Value("lbAv", page);
  v->addWidget(lbAv);
  v->addSpacing(10);
  v->addWidget(Caption(auto_text::kInstalled, page));
  lbSet = Value("lbSet", page);
  v->addWidget(lbSet);
  v->addSpacing(10);

  auto* row = new QHBoxLayout;
  btnCheckFWUpdates = Button("btnCheckFWUpdates", auto_text::kCheckFW, page);
  btnGetCore = Button("btnGetCore", "", page);
  btnGetCore->setEnabled(false);
  row->addWidget(btnCheckFWUpdates);
  row->addWidget(btnGetCore);
  row->addStretch(1);
  v->addLayout(row);
  btnCheckSoundFiles = Button("btnCheckSoundFiles", auto_text::kSounds, page);
  v->addWidget(btnCheckSoundFiles, 0, Qt::AlignLeft);
  v->addSpacing(10);

  cbCheckForSelfUpdate =
      CheckBox("cbCheckForSelfUpdate", auto_text::kSelfAtStart, auto_text::kSelfAtStartHint, page);
  cbCheckForSelfUpdate->setChecked(true);
  v->addWidget(cbCheckForSelfUpdate);
  Button2 = Button("Button2", auto_text::kCheckNow, page);
  v->addWidget(Button2, 0, Qt::AlignLeft);
  v->addSpacing(10);

  cbForceUpdate = CheckBox("cbForceUpdate", auto_text::kForce, auto_text::kForceHint, page);
  v->addWidget(cbForceUpdate);
  auto* boxes = new QVBoxLayout;
  boxes->setContentsMargins(24, 0, 0, 0);
  const auto& table = SkipBoxes();
  for (size_t i = 0; i < table.size(); ++i) {
    auto* c = CheckBox(table[i].name, table[i].caption, table[i].hint, page);
    boxes->addWidget(c);
    skipBoxes_.push_back(c);
    connect(c, &QCheckBox::toggled, this, [this, i](bool on) {
      model_.SetSkip(i, on);
      emit forceUpdateChanged();
    });
  }
  v->addLayout(boxes);
  v->addStretch(1);

  connect(btnCheckFWUpdates, &QPushButton::clicked, this, &TAutoFrame::checkFWUpdatesClicked);
  connect(btnGetCore, &QPushButton::clicked, this, [this] {
    if (coreUpdate_) coreUpdate_->trigger();
  });
  connect(btnCheckSoundFiles, &QPushButton::clicked, this, &TAutoFrame::soundsClicked);
  connect(Button2, &QPushButton::clicked, this, &TAutoFrame::checkSelfUpdateClicked);
  connect(cbCheckForSelfUpdate, &QCheckBox::toggled, this, &TAutoFrame::checkForSelfUpdateToggled);
  connect(cbForceUpdate, &QCheckBox::toggled, this, [this](bool on) {
    model_.SetForceUpdate(on);
    Refresh();
    emit forceUpdateChanged();
  });
  return page;
}

void TAutoFrame::SetChoice(can::CanChoice* choice) {
  choice_ = choice;
  model_.SetChoice(choice);
  RefillLists();
}

void TAutoFrame::RefillLists() {
  filling_ = true;
  auto fill = [](QComboBox* box, const std::vector<std::string>& items, int current, bool enabled) {
    box->clear();
    for (const auto& s : items) box->addItem(Q(s));
    box->setCurrentIndex(current);
    box->setEnabled(enabled);
  };
  if (choice_) {
    fill(cbCarBrend, choice_->Makes(), choice_->MakeIndex(), !choice_->Makes().empty());
    fill(cbCarModel, choice_->Models(), choice_->ModelIndex(), choice_->ModelsEnabled());
    fill(cbYear, choice_->Periods(), choice_->PeriodIndex(), choice_->PeriodsEnabled());
  } else {
    for (QComboBox* box : {cbCarBrend, cbCarModel, cbYear}) fill(box, {}, -1, false);
  }
  filling_ = false;
  FillFirmware();
}

void TAutoFrame::FillFirmware() {
  filling_ = true;
  cbFW->clear();
  if (choice_) {
    // The server's texts are shown as they are: plain text, never markup.
    for (const auto& [caption, description] : choice_->Firmware()) {
      cbFW->addItem(Q(caption));
      const int i = cbFW->count() - 1;
      cbFW->setItemData(i, Q(description), kDescriptionRole);
      cbFW->setItemData(i, Q(description.empty() ? caption : caption + "\n" + description), Qt::ToolTipRole);
    }
    cbFW->setCurrentIndex(choice_->FirmwareIndex());
  }
  filling_ = false;
  UpdateCANFWInfo();
}

void TAutoFrame::UpdateCANFWInfo() {
  model_.UpdateCANFWInfo();
  Refresh();
}

void TAutoFrame::ShowUpdatePage() {
  model_.ShowUpdatePage();
  Refresh();
}

void TAutoFrame::SetUnitState(bool online, bool allowed, bool running) {
  model_.SetUnitState(online, allowed, running);
  Refresh();
}

void TAutoFrame::SetServerNamed(bool named) {
  model_.SetServerNamed(named);
  Refresh();
}

void TAutoFrame::SetCanFwInfo(const std::string& text) {
  model_.SetCanFwInfo(text);
  Refresh();
}

void TAutoFrame::SetFWInfo(const FWInfo& info) {
  model_.SetFWInfo(info);
  Refresh();
}

void TAutoFrame::ShowURLEdit() {
  model_.ShowURLEdit();
  Refresh();
}

void TAutoFrame::ShowForceUpdate() {
  model_.ShowForceUpdate();
  Refresh();
}

void TAutoFrame::SetCoreUpdateAction(QAction* action) {
  coreUpdate_ = action;
  if (!action) return;
  btnGetCore->setText(action->text());
  connect(action, &QAction::changed, btnGetCore, [this] { Refresh(); });
  Refresh();
}

void TAutoFrame::SetServerAddress(const QString& url) { URLEdit->setText(url); }

void TAutoFrame::SetCheckForSelfUpdate(bool on) {
  const QSignalBlocker block(cbCheckForSelfUpdate);
  cbCheckForSelfUpdate->setChecked(on);
}

void TAutoFrame::SetOpenPDF(bool on) {
  const QSignalBlocker block(cbOpenPDF);
  cbOpenPDF->setChecked(on);
}

bool TAutoFrame::OpenPDF() const { return cbOpenPDF->isChecked(); }

void TAutoFrame::SetExpertMode(bool value) {
  TCLFrame::SetExpertMode(value);
  // Both sections whatever the mode.
  for (int i = 0; i < list_->count(); ++i) list_->item(i)->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
}

void TAutoFrame::OnShow() {
  model_.OnShow();
  TCLFrame::OnShow();
  Refresh();
}

bool TAutoFrame::eventFilter(QObject* watched, QEvent* e) {
  // Leaving the field for another control, not the window losing the focus
  // or a popup taking it for a moment.
  if (watched == URLEdit && e->type() == QEvent::FocusOut && model_.URLEditVisible()) {
    const Qt::FocusReason why = static_cast<QFocusEvent*>(e)->reason();
    if (why != Qt::ActiveWindowFocusReason && why != Qt::PopupFocusReason) emit urlLeft(URLEdit->text());
  }
  return TCLFrame::eventFilter(watched, e);
}

void TAutoFrame::Refresh() {
  {
    const QSignalBlocker block(list_);
    list_->setCurrentRow(model_.Current());
  }
  if (model_.Current() != AutoModel::kNoSection) stack_->setCurrentIndex(model_.Current());

  Label8->setText(Q(model_.Label8()));
  cbFW->setEnabled(model_.FirmwareListEnabled());
  const bool manual = model_.ManualVisible();
  btnLoadManual->setVisible(manual);
  cbOpenPDF->setVisible(manual);
  lbCanFwInfoCaption->setVisible(model_.CanFwInfoVisible());
  lbCanFwInfo->setVisible(model_.CanFwInfoVisible());
  lbCanFwInfo->setText(LabelText(model_.CanFwInfo()));
  btnGetCanFW->setEnabled(model_.GetCanFwEnabled());
  URLEdit->setVisible(model_.URLEditVisible());

  lbAv->setText(LabelText(model_.Available()));
  lbSet->setText(LabelText(model_.Installed()));
  btnCheckFWUpdates->setEnabled(model_.CheckFWEnabled());
  btnCheckSoundFiles->setEnabled(model_.UnitButtonsEnabled());
  Button2->setEnabled(model_.CheckSelfEnabled());
  btnGetCore->setEnabled(coreUpdate_ && coreUpdate_->isEnabled());
  cbForceUpdate->setVisible(model_.ForceUpdateVisible());
  {
    const QSignalBlocker block(cbForceUpdate);
    cbForceUpdate->setChecked(model_.Force().cbForceUpdate);
  }
  for (size_t i = 0; i < skipBoxes_.size(); ++i) {
    const QSignalBlocker block(skipBoxes_[i]);
    skipBoxes_[i]->setChecked(model_.Skip(i));
    skipBoxes_[i]->setVisible(model_.SkipBoxesVisible());
  }
}

}  // namespace orv
