#include "pages/page_container.h"

#include <QApplication>
#include <QStackedLayout>

namespace orv {

namespace {
// Hourglass while a page is switched, restored on every path.
struct BusyCursor {
  BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { Restore(); }
  void Restore() {
    if (set) QApplication::restoreOverrideCursor();
    set = false;
  }
  bool set = true;
};

template <typename Fn>
void Swallow(Fn fn) {
  try {
    fn();
  } catch (...) {
    // A page that fails to refresh on being shown must not stop the switch.
  }
}
}  // namespace

TPageContainer::TPageContainer(QWidget* parent) : QWidget(parent), stack_(new QStackedLayout(this)) {
  setObjectName("LeftPanel");
  stack_->setContentsMargins(0, 0, 0, 0);
}

void TPageContainer::AddPage(TCLFrame* page) {
  stack_->addWidget(page);  // only the layout's current page is visible
  page->AfterCreate();
}

TCLFrame* TPageContainer::Page(const QString& name) const {
  return findChild<TCLFrame*>(name, Qt::FindDirectChildrenOnly);
}

bool TPageContainer::SelectFrame(const QString& actionName, bool expertMode) {
  BusyCursor cursor;
  if (FCurFrame) Swallow([&] { FCurFrame->OnHide(); });
  TCLFrame* page = Page(actionName.mid(1));
  if (!page) return false;
  stack_->setCurrentWidget(page);
  page->raise();
  cursor.Restore();
  FCurFrame = page;
  Swallow([&] { page->OnShow(); });
  Swallow([&] { page->SetExpertMode(expertMode); });
  emit frameSelected(page->objectName());
  return true;
}

void TPageContainer::SetExpertMode(bool expertMode) {
  if (FCurFrame) Swallow([&] { FCurFrame->SetExpertMode(expertMode); });
}

}  // namespace orv
