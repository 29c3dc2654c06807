// The messages page (region 9). It shows no controls yet.
#pragma once

#include "pages/cl_frame.h"

namespace orv {

class TMessagesFrame : public TCLFrame {
 public:
  explicit TMessagesFrame(QWidget* parent, QColor color = {}, uint8_t addr = 0) : TCLFrame(parent, "MessagesFrame", color, addr) {}
};

}  // namespace orv
