// TCLFrame: the base of every settings page. A scrollable panel that converts
// between settings regions and its controls through a small set of virtual
// operations the main window calls: load, store, export, print, show, hide
// and expert mode.
#pragma once

#include <QColor>
#include <QScrollArea>
#include <QString>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

#include "settings/mem_items.h"

class QPainter;

namespace orv {

// Raised by an operation that a page does not provide.
class EAbstractError : public std::logic_error {
 public:
  EAbstractError() : std::logic_error("Abstract Error") {}
};

class TCLFrame : public QScrollArea {
  Q_OBJECT

 public:
  using Notify = std::function<void(TCLFrame* sender)>;

  // The page's name selects it (action "aCANFrame" selects "CANFrame").
  // `color` paints the page (invalid: the palette's), `addr` is kept in FLanAddr.
  TCLFrame(QWidget* parent, const QString& name, QColor color = {}, uint8_t addr = 0);
  ~TCLFrame() override;

  // The panel inside the scroll area that holds the page's controls.
  QWidget* Content() const { return content_; }

  virtual void AfterCreate();
  virtual void LoadData(const uint8_t* data, int maxSize);
  virtual void LoadData(TMemItems& data);
  virtual void StoreData(uint8_t* data, int maxSize);
  virtual void StoreData(TMemItems& data);
  virtual void SetExpertMode(bool value);
  virtual void Print(QPainter& printer, int& y, const QString& caption);
  virtual void OnShow();
  virtual void OnHide();
  // The page's export for the settings synchronisation: one JSON value.
  virtual std::string ToJSON();

  Notify OnShowFrame;
  Notify OnAfterCreate;
  Notify OnHideFrame;

 protected:
  // The unit was plugged in or unplugged (messages posted by the window).
  virtual void DoOnPlug() {}
  virtual void DoOnUnPlug() {}
  bool event(QEvent* e) override;

  uint8_t FLanAddr = 0;

 private:
  QWidget* content_;
};

}  // namespace orv
