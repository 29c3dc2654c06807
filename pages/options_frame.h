// The general options page (region 5). It shows no controls yet.
#pragma once

#include "pages/cl_frame.h"

namespace orv {

class TOptionsFrame : public TCLFrame {
 public:
  explicit TOptionsFrame(QWidget* parent, QColor color = {}, uint8_t addr = 0) : TCLFrame(parent, "OptionsFrame", color, addr) {}
  // No controls yet: there is no record to copy out or back.
  void LoadData(TMemItems&) override {}
  void StoreData(TMemItems&) override {}
  using TCLFrame::LoadData;
  using TCLFrame::StoreData;
};

}  // namespace orv
