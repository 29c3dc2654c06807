// The messages page: one grid per sub-page, a line per message with its
// caption label and nine boxes (calls and SMS to phones 1..4, roaming).
#pragma once

#include "pages/model_frame.h"

class QCheckBox;

namespace orv {

class TMessagesFrame : public TModelFrame {
  Q_OBJECT

 public:
  TMessagesFrame(QWidget* parent, TPageModel& model, QColor color = {});

 protected:
  void Refresh() override;

 private:
  std::vector<std::pair<size_t, QCheckBox*>> boxes_;
  bool refreshing_ = false;
};

}  // namespace orv
