// The connections page (regions 1 to 3). It shows no controls yet.
#pragma once

#include "pages/cl_frame.h"

namespace orv {

class TConnectionsFrame : public TCLFrame {
 public:
  explicit TConnectionsFrame(QWidget* parent, QColor color = {}, uint8_t addr = 0) : TCLFrame(parent, "ConnectionsFrame", color, addr) {}
};

}  // namespace orv
