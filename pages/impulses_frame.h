// The impulses page (region 4). It shows no controls yet.
#pragma once

#include "pages/cl_frame.h"

namespace orv {

class TImpulsesFrame : public TCLFrame {
 public:
  explicit TImpulsesFrame(QWidget* parent, QColor color = {}, uint8_t addr = 0) : TCLFrame(parent, "ImpulsesFrame", color, addr) {}
  // No controls yet: there is no record to copy out or back.
  void LoadData(TMemItems&) override {}
  void StoreData(TMemItems&) override {}
  using TCLFrame::LoadData;
  using TCLFrame::StoreData;
};

}  // namespace orv
