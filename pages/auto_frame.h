// The vehicle and firmware page. It shows no controls yet.
#pragma once

#include "pages/cl_frame.h"

namespace orv {

class TAutoFrame : public TCLFrame {
 public:
  explicit TAutoFrame(QWidget* parent, QColor color = {}, uint8_t addr = 0) : TCLFrame(parent, "AutoFrame", color, addr) {}
};

}  // namespace orv
