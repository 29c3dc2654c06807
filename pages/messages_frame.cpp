#include "pages/messages_frame.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>

#include "pages/model/messages_model.h"

namespace orv {

TMessagesFrame::TMessagesFrame(QWidget* parent, TPageModel& model, QColor color)
    : TModelFrame(parent, "MessagesFrame", model, color, false) {
  static const char* const kColumns[] = {"Звонок\n1", "Звонок\n2", "Звонок\n3", "Звонок\n4", "SMS\n1",
                                         "SMS\n2",    "SMS\n3",    "SMS\n4",    "Роуминг"};
  const auto& rows = Model().Controls();
  for (size_t g = 0; g < kMessageGroups.size(); ++g) {
    QWidget* area = SubPageArea(static_cast<int>(g));
    auto* grid = new QGridLayout(area);
    for (int c = 0; c < 9; ++c) {
      auto* head = new QLabel(kColumns[c], area);
      head->setAlignment(Qt::AlignCenter);
      grid->addWidget(head, 0, c + 1);
    }
    int line = 1;
    for (const MessageRow& r : kMessageGroups[g].rows) {
      auto* label = new QLabel(QString::fromUtf8(r.caption), area);
      label->setObjectName(QString(kMessageGroups[g].labelPrefix) + QString::number(r.message));
      grid->addWidget(label, line, 0);
      for (int c = 0; c < 9; ++c) {
        const int i = Model().Find(TMessagesModel::ControlName(r.message, kMessageBits[static_cast<size_t>(c)]));
        if (i < 0) continue;
        const auto index = static_cast<size_t>(i);
        auto* box = new QCheckBox(area);
        box->setObjectName(QString::fromStdString(rows[index].name));
        box->setToolTip(QString::fromStdString(rows[index].hint));
        connect(box, &QCheckBox::toggled, this, [this, index](bool on) {
          if (!refreshing_) Model().Change(index, on ? 1 : 0);
        });
        grid->addWidget(box, line, c + 1, Qt::AlignCenter);
        boxes_.emplace_back(index, box);
      }
      ++line;
    }
    grid->setColumnStretch(0, 1);
    grid->setRowStretch(line, 1);
  }
  Refresh();
}

void TMessagesFrame::Refresh() {
  TModelFrame::Refresh();
  refreshing_ = true;
  for (auto& [index, box] : boxes_) {
    const TControlState st = Model().State(index);
    box->setChecked(st.value != 0);
    box->setEnabled(st.enabled);
  }
  refreshing_ = false;
}

}  // namespace orv
