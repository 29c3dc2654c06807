// The vehicle page's rules without Qt: the page holds no unit settings, it
// shows the CAN firmware choice (server/can_choice.h), the firmware summaries
// of the catalogue (update/fw_catalogue.h) and the buttons that start the
// server and update workflows. This model decides what the page shows:
//
// - the firmware label and whether the firmware list can be changed,
// - the manual buttons (only for a firmware with a manual address) and the
//   name proposed for the manual document,
// - the installed CAN firmware's text (shown only while the unit is
//   connected, "?" until it has been read),
// - which buttons may start work (unit online, the unit's actions not
//   disabled, no workflow running),
// - the service fields (server address, forced update) uncovered by their
//   service words, and the four exception boxes of the forced update, shown
//   only while it is ticked and keeping their ticks while hidden,
// - the section shown, and what the settings report's vehicle section prints.
//
// GUI thread only; the view calls the setters and reads the state back.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "pages/model/settings_report.h"
#include "update/fw_catalogue.h"

namespace orv {

namespace can {
class CanChoice;
}

namespace auto_text {
inline constexpr const char* kSectionCan = "CAN-прошивка";
inline constexpr const char* kSectionUpdates = "Обновления";

inline constexpr const char* kMake = "Выберите марку автомобиля:";
inline constexpr const char* kMakeHint = "Название бренда";
inline constexpr const char* kModel = "Выберите модель автомобиля:";
inline constexpr const char* kPeriod = "Период выпуска:";
// Label8 until the firmware list has been filled once.
inline constexpr const char* kLabel8Initial = "Выберите CAN-прошивку";
inline constexpr const char* kInstalled = "Установлено в устройстве:";
inline constexpr const char* kGetCanFW = "Получить прошивку и загрузить ее в устройство";
inline constexpr const char* kLoadManual = "Загрузить тех-карту";
inline constexpr const char* kOpenPDF = "и открыть";
inline constexpr const char* kOpenPDFHint = "Открыть PDF-файл после загрузки";
inline constexpr const char* kUnknown = "?";

inline constexpr const char* kAvailable = "Доступные обновления:";
inline constexpr const char* kCheckFW = "Проверить";
inline constexpr const char* kSounds = "Проверка и обновление звуковых файлов";
inline constexpr const char* kSelfAtStart = "Проверять обновления Конфигуратора при запуске программы";
inline constexpr const char* kSelfAtStartHint =
    "Установите эту галочку чтобы автоматически проверять обновления при запуске программы";
inline constexpr const char* kCheckNow = "Проверить сейчас";
inline constexpr const char* kForce = "Принудительное обновление:";
inline constexpr const char* kForceHint =
    "Принудительное обновление может помочь в том случае, если предыдущее обновление завершилось с ошибкой.";
inline constexpr const char* kSkipCore1 = "кроме Ядра системы";
inline constexpr const char* kSkipCore1Hint =
    "Установите эту галочку для запрета принудительного обновления  \"Ядра системы\"";
inline constexpr const char* kSkipCore2 = "кроме Дополнительного ПО";
inline constexpr const char* kSkipCore2Hint =
    "Установите эту галочку для запрета принудительного обновления  \"Дополнительного ПО\"";
inline constexpr const char* kSkipRS = "кроме Модуля запуска";
inline constexpr const char* kSkipValet = "кроме Хестора";
}  // namespace auto_text

// One exception box of the forced update: the control, its caption and
// hint, and the tick it edits.
struct TSkipBox {
  const char* name;
  const char* caption;
  const char* hint;
  bool ForceUpdate::*tick;
};
// cbSkipCore1, cbSkipCore2, cbSkipRS, cbSkipValet, in the page's order. The
// start module's and the remote's boxes carry the core's hint, as the page
// always has.
const std::array<TSkipBox, 4>& SkipBoxes();


// The report data from the core objects themselves, for a report made
// without the page (the CLI): `choice` may be null (no list read).
TVehicleReport VehicleReport(const can::CanChoice* choice, const std::string& canFwInfo, const FWInfo& info);


class AutoModel {
 public:
  enum Section : int { kNoSection = -1, kCanSection = 0, kUpdatesSection = 1 };

  // The choice the page shows; null until the CAN firmware part exists. It
  // must outlive the model or be replaced first.
  void SetChoice(const can::CanChoice* choice) { choice_ = choice; }
  const can::CanChoice* Choice() const { return choice_; }

  // --- "CAN-прошивка"
  // "tech_manual_add" with no make chosen ("-" or none), else "Техкарта "
  // and the caption of the selected firmware.
  std::string PDFName() const;
  // UpdateCANFWInfo: Label8 and the firmware list's enabled state from the
  // number of firmware offered (fewer than two: "Доступна CAN-прошивка:",
  // not changeable).
  void UpdateCANFWInfo();
  const std::string& Label8() const { return label8_; }
  bool FirmwareListEnabled() const { return fwEnabled_; }
  // The chosen firmware has a manual address: "Загрузить тех-карту" and "и
  // открыть" are shown.
  bool ManualVisible() const;

  // --- the unit
  // `online`: a unit is attached; `allowed`: the unit's actions are not
  // disabled (DisableButtons); `running`: a workflow or task runs now.
  // Coming online forgets the installed CAN firmware's text ("?") until it
  // has been read again.
  void SetUnitState(bool online, bool allowed, bool running);
  void SetCanFwInfo(const std::string& text) { canFwInfo_ = text; }
  const std::string& CanFwInfo() const { return canFwInfo_; }
  bool CanFwInfoVisible() const { return online_; }
  // btnGetCanFW: only online and while nothing else runs.
  bool GetCanFwEnabled() const { return online_ && allowed_ && !running_; }
  // btnCheckSoundFiles: while the unit's actions are not disabled and
  // nothing runs.
  bool UnitButtonsEnabled() const { return allowed_ && !running_; }
  // The window names a maker's server: only then do the firmware check and
  // the configurator check exist (a window without one asks no server).
  void SetServerNamed(bool named) { serverNamed_ = named; }
  // btnCheckFWUpdates: as the sound button, and only with a server.
  bool CheckFWEnabled() const { return serverNamed_ && UnitButtonsEnabled(); }
  // Button2 "Проверить сейчас": whenever there is a server to ask.
  bool CheckSelfEnabled() const { return serverNamed_; }

  // --- "Обновления"
  void SetFWInfo(const FWInfo& info) { info_ = info; }
  const std::string& Available() const { return info_.available; }  // lbAv
  const std::string& Installed() const { return info_.installed; }  // lbSet

  // --- service words
  void ShowURLEdit() { urlVisible_ = true; }
  void ShowForceUpdate() { forceVisible_ = true; }
  bool URLEditVisible() const { return urlVisible_; }
  bool ForceUpdateVisible() const { return forceVisible_; }
  // The forced update and its exceptions as ticked on the page.
  const ForceUpdate& Force() const { return force_; }
  void SetForceUpdate(bool on) { force_.cbForceUpdate = on; }
  // `box` is an index into SkipBoxes(); others are ignored.
  void SetSkip(size_t box, bool on);
  bool Skip(size_t box) const;
  bool SkipBoxesVisible() const { return forceVisible_ && force_.cbForceUpdate; }

  // --- sections
  Section Current() const { return section_; }
  void Select(int section);
  // OnShow: the first section when none is selected.
  void OnShow();
  // ShowUpdatePage: the catalogue offers an update.
  void ShowUpdatePage() { section_ = kUpdatesSection; }

  TVehicleReport ReportData() const { return VehicleReport(choice_, canFwInfo_, info_); }

 private:
  const can::CanChoice* choice_ = nullptr;
  std::string label8_ = auto_text::kLabel8Initial;
  bool fwEnabled_ = true;
  bool online_ = false, allowed_ = false, running_ = false, serverNamed_ = false;
  std::string canFwInfo_ = auto_text::kUnknown;
  FWInfo info_;
  bool urlVisible_ = false, forceVisible_ = false;
  ForceUpdate force_;
  Section section_ = kNoSection;
};

}  // namespace orv
