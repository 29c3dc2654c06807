// TModelFrame: a settings page view over a TPageModel. It owns no state of
// its own: the TCLFrame operations go to the model, and the generic binder
// builds the controls from the model's table. A page with sub-pages gets the
// list of sub-pages on the left and one panel per sub-page on the right.
//
// A page view is usually just `new TModelFrame(parent, "NameFrame", model)`;
// derive from it to add widgets a row cannot express (call Binder().Build for
// your own areas, or add widgets to SubPageArea(i)).
#pragma once

#include "pages/cl_frame.h"
#include "pages/control_binder.h"
#include "pages/model/page_model.h"

class QListWidget;
class QStackedWidget;

namespace orv {

class TModelFrame : public TCLFrame {
  Q_OBJECT

 public:
  // The model outlives the view (TPageModels owns it). With `bindRows` off the
  // binder builds nothing: the derived view lays out the sub-page areas itself.
  TModelFrame(QWidget* parent, const QString& name, TPageModel& model, QColor color = {}, bool bindRows = true);
  ~TModelFrame() override;

  TPageModel& Model() const { return model_; }
  TControlBinder& Binder() const { return *binder_; }
  // The panel of sub-page i (the page's content for a page without sub-pages).
  QWidget* SubPageArea(int i) const;
  // The list of sub-pages, or nullptr.
  QListWidget* SubPageList() const { return list_; }

  void AfterCreate() override;
  void LoadData(TMemItems& items) override;
  void StoreData(TMemItems& items) override;
  void SetExpertMode(bool value) override;
  void OnShow() override;
  void OnHide() override;
  std::string ToJSON() override;
  // The model's report section.
  void Print(QPainter& printer, int& y, const QString& caption) override;
  using TCLFrame::LoadData;
  using TCLFrame::StoreData;

 protected:
  // Shows the model's state: the binder's refresh and the sub-page list.
  virtual void Refresh();

 private:
  void ListClicked(int row);

  TPageModel& model_;
  TControlBinder* binder_;
  QListWidget* list_ = nullptr;
  QStackedWidget* stack_ = nullptr;
  std::vector<QWidget*> areas_;
};

}  // namespace orv
