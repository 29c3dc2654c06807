// The impulses page as a page of the page table: TImpulsesModel behind the
// TPageModel operations, and the control names the CLI's `set` accepts:
//   seq<K>.cycle=0|1             cyclic repeat of pattern K (0..47)
//   seq<K>.len=<n>               0..15; grows or shrinks one pulse at a time
//                                through the page's "Добавить" and "Удалить"
//   seq<K>.p<P>=on:<SEC>|off:<SEC>  pulse P (1..n); SEC 0 = until cancelled,
//                                above 30 s taken as 30, comma or point
// Loading restores missing patterns after a question (see TImpulsesModel);
// the horn's default wire goes through the connections page of the same
// environment.
#pragma once

#include <memory>

#include "pages/model/impulses_model.h"
#include "pages/model/page_model.h"

namespace orv {

namespace imp_page_text {
inline constexpr const char* kBadPulse = "ожидается on:<секунды> или off:<секунды>";
}  // namespace imp_page_text

class TImpulsesPageModel final : public TPageModel {
 public:
  explicit TImpulsesPageModel(TPageEnv& env);

  TImpulsesModel& Imp() { return imp_; }
  const TImpulsesModel& Imp() const { return imp_; }

  void LoadData(TMemItems& items) override;
  void StoreData(TMemItems& items) override;
  std::string ToJSON() const override { return imp_.ToJSON(); }
  TControlState State(size_t index) const override;
  std::vector<std::string> Show() const override;
  // One line per pattern: its caption and its pulses.
  void Print(report::TCursor& cursor, const std::string& caption) const override;

  // Edits the views run; each notifies the view.
  void ToggleCyclic(int k);
  bool AddPulse(int k, int p);
  bool DeletePulse(int k, int p);
  void SetPulse(int k, int p, uint16_t word);

 protected:
  void Apply(size_t index, int value, const std::string& text) override;
  std::string Refuse(size_t index, int value, const std::string& text) const override;

 private:
  static constexpr size_t kRowsPerSeq = 2 + TImpulsesModel::kMaxPulses;
  std::string Run(TImpulsesModel& m, size_t index, int value, const std::string& text) const;

  TImpulsesModel imp_;
};

std::unique_ptr<TPageModel> CreateImpulsesModel(TPageEnv& env);

}  // namespace orv
