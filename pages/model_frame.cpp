#include "pages/model_frame.h"

#include "pages/report_painter.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace orv {

TModelFrame::TModelFrame(QWidget* parent, const QString& name, TPageModel& model, QColor color, bool bindRows)
    : TCLFrame(parent, name, color), model_(model), binder_(new TControlBinder(model, this)) {
  const std::vector<std::string> subPages = model_.SubPages();
  if (subPages.empty()) {
    areas_.push_back(new QWidget(Content()));
    auto* v = new QVBoxLayout(Content());
    v->addWidget(areas_.front());
    if (bindRows) binder_->Build(areas_.front(), -1);
  } else {
    auto* h = new QHBoxLayout(Content());
    list_ = new QListWidget(Content());
    list_->setObjectName(name + "List");
    list_->setFixedWidth(230);
    stack_ = new QStackedWidget(Content());
    for (size_t i = 0; i < subPages.size(); ++i) {
      list_->addItem(QString::fromStdString(subPages[i]));
      auto* area = new QWidget(stack_);
      area->setObjectName(name + "Page" + QString::number(i));
      stack_->addWidget(area);
      areas_.push_back(area);
      if (bindRows) binder_->Build(area, static_cast<int>(i));
    }
    h->addWidget(list_);
    h->addWidget(stack_, 1);
    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) { ListClicked(row); });
  }
  model_.OnChanged = [this] { Refresh(); };
  Refresh();
}

TModelFrame::~TModelFrame() { model_.OnChanged = nullptr; }  // the model may outlive the view

QWidget* TModelFrame::SubPageArea(int i) const {
  return i >= 0 && i < static_cast<int>(areas_.size()) ? areas_[static_cast<size_t>(i)] : nullptr;
}

void TModelFrame::ListClicked(int row) {
  if (row < 0 || row == model_.CurrentSubPage()) return;
  const std::string message = model_.SelectSubPage(row);
  if (!message.empty()) QMessageBox::information(this, windowTitle(), QString::fromStdString(message));
  Refresh();
}

void TModelFrame::Refresh() {
  binder_->Refresh();
  if (!list_) return;
  const QSignalBlocker block(list_);
  for (int i = 0; i < list_->count(); ++i) {
    QListWidgetItem* item = list_->item(i);
    // Shown disabled but still selectable: selecting one tells the user why.
    item->setForeground(model_.SubPageEnabled(i) ? palette().color(QPalette::Active, QPalette::Text)
                                                 : palette().color(QPalette::Disabled, QPalette::Text));
  }
  list_->setCurrentRow(model_.CurrentSubPage());
  stack_->setCurrentIndex(model_.CurrentSubPage());
}

void TModelFrame::AfterCreate() {
  TCLFrame::AfterCreate();
  Refresh();
}

void TModelFrame::LoadData(TMemItems& items) { model_.LoadData(items); }
void TModelFrame::StoreData(TMemItems& items) { model_.StoreData(items); }

void TModelFrame::SetExpertMode(bool value) { model_.SetExpertMode(value); }

void TModelFrame::OnShow() {
  model_.OnShow();
  TCLFrame::OnShow();
  Refresh();
}

void TModelFrame::OnHide() {
  model_.OnHide();
  TCLFrame::OnHide();
}

std::string TModelFrame::ToJSON() { return model_.ToJSON(); }

void TModelFrame::Print(QPainter& printer, int& y, const QString& caption) {
  PrintSection(printer, y, [&](report::TCursor& c) { model_.Print(c, caption.toStdString()); });
}

}  // namespace orv
