// The window's left area: holds every settings page for the whole run and
// shows one of them at a time.
#pragma once

#include <QWidget>

#include "pages/cl_frame.h"

class QStackedLayout;

namespace orv {

class TPageContainer : public QWidget {
  Q_OBJECT

 public:
  explicit TPageContainer(QWidget* parent = nullptr);

  // Takes the page (parent: this container), keeps it hidden and runs its
  // AfterCreate.
  void AddPage(TCLFrame* page);
  // The page of that name among the container's own pages, or null.
  TCLFrame* Page(const QString& name) const;
  TCLFrame* CurrentFrame() const { return FCurFrame; }

  // Shows the page named like the action without its first letter. The page
  // shown before gets OnHide; the new one OnShow and SetExpertMode. Errors
  // raised by those two are ignored. Returns whether the page was found.
  bool SelectFrame(const QString& actionName, bool expertMode);
  // Expert mode changed: only the current page hears of it now.
  void SetExpertMode(bool expertMode);

 signals:
  void frameSelected(const QString& name);

 private:
  QStackedLayout* stack_;
  TCLFrame* FCurFrame = nullptr;
};

}  // namespace orv
