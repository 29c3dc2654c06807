// The remote-start page (region 14). It shows no controls yet.
#pragma once

#include "pages/cl_frame.h"

namespace orv {

class TRStartFrame : public TCLFrame {
 public:
  explicit TRStartFrame(QWidget* parent, QColor color = {}, uint8_t addr = 0) : TCLFrame(parent, "RStartFrame", color, addr) {}
  // No controls yet: there is no record to copy out or back. (It loads from
  // the bytes of its region and stores into the region array.)
  void LoadData(const uint8_t*, int) override {}
  void StoreData(TMemItems&) override {}
  using TCLFrame::LoadData;
  using TCLFrame::StoreData;
};

}  // namespace orv
