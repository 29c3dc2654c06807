// The connections page as a page of the page table: TConnectionsModel (the
// entries and thresholds) and TConnectionsLive (the live sub-pages) behind the
// TPageModel operations, the five sub-pages, and the control names the CLI's
// `set` accepts:
//   in<N>=none|can|doors|start|main:<W>   input N (0..28), W a wire of its menu
//   out<N>=none|can|main:<W>              output N (0..27)
//   inv<N>=0|1                            inverted logic of input N (expert mode)
//   thr4=<OFF>:<ON>, thr5=<OFF>:<ON>      thresholds in volts ("12,3" or "12.3")
// Each runs the operation of the page control; a refusal returns the page's
// text and changes nothing.
//
// The unit (connected, model, board, core stamp) is read from the link given
// to SetLink whenever the page needs it, so texts follow plugging at once.
#pragma once

#include <memory>

#include "pages/model/connections_live.h"
#include "pages/model/connections_model.h"
#include "pages/model/page_model.h"

namespace orv {

class TOrvantis;

namespace conn_page_text {
inline constexpr const char* kInputs = "Входные сигналы";
inline constexpr const char* kOutputs = "Выходные сигналы";
inline constexpr const char* kThresholds = "Пороги срабатывания";
inline constexpr const char* kDiagnostics = "Диагностика";
inline constexpr const char* kTags = "Метки и реле";
inline constexpr const char* kInvertHintFmt = "Инвертировать логику обработки входа %s";
inline constexpr const char* kInvertHint = "Инвертировать логику обработки входа";
// Ours: texts the CLI's `set` cannot read.
inline constexpr const char* kBadSource = "ожидается none, can, doors, start или main:<провод>";
inline constexpr const char* kBadOutSource = "ожидается none, can или main:<провод>";
inline constexpr const char* kBadThresholds = "ожидается <выкл>:<вкл> в вольтах, например 1,2:12,5";
}  // namespace conn_page_text

class TConnectionsPageModel final : public TPageModel {
 public:
  enum SubPage { kInputsPage = 0, kOutputsPage, kThresholdsPage, kDiagPage, kTagsPage };

  explicit TConnectionsPageModel(TPageEnv& env);
  ~TConnectionsPageModel() override;

  // The link whose unit the page describes; null: no unit.
  void SetLink(const TOrvantis* link) { link_ = link; }
  const TOrvantis* Link() const { return link_; }
  // The unit now (from the link), and what the live view needs of it.
  TConnUnit Unit() const;
  TConnectionsLive::Context LiveContext() const;

  TConnectionsModel& Conn() { Sync(); return conn_; }
  const TConnectionsModel& Conn() const { Sync(); return conn_; }
  TConnectionsLive& Live() { return live_; }
  const TConnectionsLive& Live() const { return live_; }
  // AlarmPowerLevel of the main settings loaded with the page.
  uint8_t AlarmPowerLevel() const { return alarmPowerLevel_; }

  void LoadData(TMemItems& items) override;
  void StoreData(TMemItems& items) override;
  std::string ToJSON() const override;
  std::vector<std::string> SubPages() const override;
  bool SubPageEnabled(int index) const override;
  std::string SelectSubPage(int index) override;
  TControlState State(size_t index) const override;
  std::vector<std::string> Show() const override;
  // Inputs and outputs: name, source and the wire's colours.
  void Print(report::TCursor& cursor, const std::string& caption) const override;

  // Lets the impulses page reach this page (OutIsAssigned, HorOutIsFree, SetHornDef).
  static TConnectionsPageModel* Of(const TPageEnv& env);

 protected:
  void Apply(size_t index, int value, const std::string& text) override;
  std::string Refuse(size_t index, int value, const std::string& text) const override;

 private:
  // Runs control `index` on `m`; returns the refusal or empty.
  std::string Run(TConnectionsModel& m, size_t index, int value, const std::string& text) const;
  // Gives the model the unit as it is now.
  void Sync() const;

  mutable TConnectionsModel conn_;
  TConnectionsLive live_;
  const TOrvantis* link_ = nullptr;
  uint8_t alarmPowerLevel_ = 0;
  size_t inputsAt_ = 0, invAt_ = 0, outputsAt_ = 0, thrAt_ = 0;
};

std::unique_ptr<TPageModel> CreateConnectionsModel(TPageEnv& env);

// The colours (0xRRGGBB) a wire's name spells after its ", ", as "серый/черный".
std::vector<uint32_t> WireRGB(std::string_view wireName);

class TPageModels;
// Gives the connections page of `pages` its link (see SetLink).
void AttachLink(TPageModels& pages, const TOrvantis* link);

}  // namespace orv
