// The remote-start page (region 14). It shows no controls yet.
#pragma once

#include "pages/cl_frame.h"

namespace orv {

class TRStartFrame : public TCLFrame {
 public:
  explicit TRStartFrame(QWidget* parent, QColor color = {}, uint8_t addr = 0) : TCLFrame(parent, "RStartFrame", color, addr) {}
};

}  // namespace orv
