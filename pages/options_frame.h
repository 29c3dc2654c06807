// The general options page: twelve categories of controls built from the
// options model's table.
#pragma once

#include "pages/model_frame.h"

namespace orv {

class TOptionsFrame : public TModelFrame {
 public:
  TOptionsFrame(QWidget* parent, TPageModel& model, QColor color = {})
      : TModelFrame(parent, "OptionsFrame", model, color) {}
};

}  // namespace orv
