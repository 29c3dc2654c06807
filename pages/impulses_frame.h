// The impulses page (region 4). It shows no controls yet.
#pragma once

#include "pages/cl_frame.h"

namespace orv {

class TImpulsesFrame : public TCLFrame {
 public:
  explicit TImpulsesFrame(QWidget* parent, QColor color = {}, uint8_t addr = 0) : TCLFrame(parent, "ImpulsesFrame", color, addr) {}
};

}  // namespace orv
