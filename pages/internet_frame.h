// The Internet page (region 0). It shows no controls yet.
#pragma once

#include "pages/cl_frame.h"

namespace orv {

class TInternetFrame : public TCLFrame {
 public:
  explicit TInternetFrame(QWidget* parent, QColor color = {}, uint8_t addr = 0) : TCLFrame(parent, "InternetFrame", color, addr) {}
  // No controls yet: there is no record to copy out or back.
  void LoadData(TMemItems&) override {}
  void StoreData(TMemItems&) override {}
  using TCLFrame::LoadData;
  using TCLFrame::StoreData;
};

}  // namespace orv
