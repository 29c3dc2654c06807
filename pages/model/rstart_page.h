// TRStartPageModel: the remote-start page as one row of the page table. It
// wraps TRStartModel (which holds the record and its rules) with the control
// table of the "Настройки" and "Доп. настройки" sub-pages, the six sub-pages
// and their expert-mode rule, the report lines that `show` prints and the
// conditions of the diagnostics polling. The grids (inputs, outputs, pulses)
// and the diagnostics are drawn by the Qt page straight from TRStartModel.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "pages/model/page_model.h"
#include "pages/model/rstart_model.h"

namespace orv {

class TRStartPageModel final : public TPageModel {
 public:
  enum SubPage { kSettings, kInputs, kOutputs, kImpulses, kExtra, kDiagnostics };
  enum Row {
    rbKey, rbSSB, tbTimeAfterKeyIn, cbIgn2OffOnCrank, tbStarterTime, cbWakeupImpulse, cbNoCheckState,
    rbSSBonS, rbSSBOnD, rbSSBOnT, rbSSBOnA, rbSSBOffS, rbSSBOffDouble, rbSSBOffAuto, tbSSBTime,
    tbTurbo, tbIgnSuppTime, cbImmoBypassMode, cbImmoOffAfterStart,
    tbEngineStartRPM, tbEngineRunRPM, tbTurboRPM, kRowCount
  };

  explicit TRStartPageModel(TPageEnv& env);

  void LoadData(TMemItems& items) override;
  void StoreData(TMemItems& items) override;
  std::string ToJSON() const override { return model_.ToJSON(); }
  void SetExpertMode(bool value) override;
  std::vector<std::string> SubPages() const override;
  bool SubPageEnabled(int index) const override;
  std::string SelectSubPage(int index) override;
  TControlState State(size_t index) const override;
  // Sub-headers "  Настройки" and report lines "    caption: value".
  std::vector<std::string> Show() const override;
  // The settings lines, the wired inputs and outputs with their colours, and
  // each visible step's pulses with their waveform.
  void Print(report::TCursor& cursor, const std::string& caption) const override;

  TRStartModel& Model() { return model_; }
  const TRStartModel& Model() const { return model_; }
  // The connected unit, asked by LoadData (none: offline).
  std::function<TRStartUnit()> UnitInfo;
  // Lets the model report after an outside change (a grid edit).
  void Touch() { Changed(); }

  // The diagnostics poll while the page is the current one, its
  // "Диагностика" sub-page is open and the unit is online.
  bool DiagWanted(bool pageCurrent, bool online) const {
    return pageCurrent && online && CurrentSubPage() == kDiagnostics;
  }
  int PeriodIndex = 1;  // "0,5 с"

 protected:
  void Apply(size_t index, int value, const std::string& text) override;

 private:
  TRStartModel model_;
};

std::unique_ptr<TPageModel> CreateRStartModel(TPageEnv& env);

// Lets the remote-start page of `pages` ask `link` for the connected unit
// (its questions on loading depend on the unit's model), asking the unit for
// its identity when the link has not yet.
class TOrvantis;
class TPageModels;
void AttachRStartUnit(TPageModels& pages, TOrvantis& link);

}  // namespace orv
