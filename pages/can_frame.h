// The CAN page (region 6). It shows no controls yet.
#pragma once

#include "pages/cl_frame.h"

namespace orv {

class TCANFrame : public TCLFrame {
 public:
  explicit TCANFrame(QWidget* parent, QColor color = {}, uint8_t addr = 0) : TCLFrame(parent, "CANFrame", color, addr) {}
};

}  // namespace orv
