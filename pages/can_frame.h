// TCANFrame: the CAN page (region 6), a view over TCanModel. Four sections in
// the list on the left: "Настройки" (check boxes cbcan<i>), "Функции" (group
// labels lbcan<j> with their choice buttons rbcan<n>), "Значения" (the fixed
// fields secan0..3 with Label0..3) and "Опции" (the nine lamps). The check
// boxes and choice groups are made by the CAN firmware's description, so
// whenever the model rebuilds its controls (every load) the view deletes the
// old widgets and makes new ones at the positions the model lays out from
// the captions' widths. The value fields take digits only; a value outside
// 0..65535 or an emptied field is not applied and reverts when left.
#pragma once

#include <vector>

#include "pages/model/can_model.h"
#include "pages/model_frame.h"

class QLabel;
class QLineEdit;

namespace orv {

class TCANFrame : public TModelFrame {
  Q_OBJECT

 public:
  TCANFrame(QWidget* parent, TCanModel& model, QColor color = {});

  void AfterCreate() override;
  TCanModel& Can() const { return can_; }

 protected:
  void Refresh() override;

 private:
  struct Bound {
    std::string row;  // the model's control name
    QWidget* widget;
  };
  void Rebuild();
  void MakeFields();
  void MakeLamps();

  TCanModel& can_;
  unsigned generation_ = 0;
  std::vector<QWidget*> built_;  // the widgets of the current build
  std::vector<Bound> bound_;     // boxes and choice buttons of the current build
  std::vector<QLabel*> labels_;  // Label0..3
  std::vector<QLineEdit*> fields_;  // secan0..3
  std::vector<QLabel*> lamps_;   // led...
  bool refreshing_ = false;
};

}  // namespace orv
