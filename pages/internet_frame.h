// The Internet page: the unit's GPRS access and, in expert mode, the
// configurator's proxy server.
#pragma once

#include "pages/model_frame.h"

namespace orv {

class TInternetFrame : public TModelFrame {
 public:
  TInternetFrame(QWidget* parent, TPageModel& model, QColor color = {})
      : TModelFrame(parent, "InternetFrame", model, color) {}
};

}  // namespace orv
