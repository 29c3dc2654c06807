#include "pages/cl_frame.h"

#include <QPalette>
#include <QScrollBar>

#include "pages/plug_message.h"

namespace orv {

TCLFrame::TCLFrame(QWidget* parent, const QString& name, QColor color, uint8_t addr)
    : QScrollArea(parent), FLanAddr(addr), content_(new QWidget) {
  setObjectName(name);
  setWidgetResizable(true);
  setFrameShape(QFrame::NoFrame);
  verticalScrollBar()->setTracking(true);
  content_->setObjectName(name + "Content");
  setWidget(content_);
  if (color.isValid()) {
    QPalette pal = palette();
    pal.setColor(QPalette::Window, color);
    setPalette(pal);
    content_->setPalette(pal);
    content_->setAutoFillBackground(true);
  }
}

TCLFrame::~TCLFrame() = default;

void TCLFrame::AfterCreate() {
  if (OnAfterCreate) OnAfterCreate(this);
}

void TCLFrame::LoadData(const uint8_t*, int) { throw EAbstractError(); }
void TCLFrame::LoadData(TMemItems&) { throw EAbstractError(); }
void TCLFrame::StoreData(uint8_t*, int) { throw EAbstractError(); }
void TCLFrame::StoreData(TMemItems&) { throw EAbstractError(); }
void TCLFrame::SetExpertMode(bool) {}
void TCLFrame::Print(QPainter&, int&, const QString&) {}

void TCLFrame::OnShow() {
  if (OnShowFrame) OnShowFrame(this);
}

void TCLFrame::OnHide() {
  if (OnHideFrame) OnHideFrame(this);
}

std::string TCLFrame::ToJSON() { return "{}"; }

bool TCLFrame::event(QEvent* e) {
  if (e->type() == PlugMessageEvent::EventType()) {
    if (static_cast<PlugMessageEvent*>(e)->Msg() == PlugMsg::kPlugged)
      DoOnPlug();
    else
      DoOnUnPlug();
    return true;
  }
  return QScrollArea::event(e);
}

}  // namespace orv
