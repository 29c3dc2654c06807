// The general options page (region 5). It shows no controls yet.
#pragma once

#include "pages/cl_frame.h"

namespace orv {

class TOptionsFrame : public TCLFrame {
 public:
  explicit TOptionsFrame(QWidget* parent, QColor color = {}, uint8_t addr = 0) : TCLFrame(parent, "OptionsFrame", color, addr) {}
};

}  // namespace orv
