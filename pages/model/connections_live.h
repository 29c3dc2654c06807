// The live sub-pages of the connections page ("Диагностика", "Метки и реле")
// without their window: which lamps are lit, the measured values with their
// captions and colours, and whether the GSM block or the low-supply sentence
// is shown, from the last diagnostic record and what is known of the unit.
// Lamp names and value formats come from diag/diag_base_view; this module
// adds only what the page decides (captions by board, tag lamps kept across
// records without them, the supply check, the firmware-dependent GPS values).
// No Qt; the window and `orvantis-cli diag --page` both draw from it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "device/identity.h"
#include "diag/diag_record.h"
#include "pages/model/connections_model.h"

namespace orv {

enum class TLiveColour { kNormal, kRed, kTeal };

struct TLiveLamp {
  std::string name;
  bool lit = false;
};

struct TLiveValue {
  TLiveValue(std::string c, std::string t, TLiveColour col = TLiveColour::kNormal, std::string h = {})
      : caption(std::move(c)), text(std::move(t)), colour(col), hint(std::move(h)) {}
  std::string caption;
  std::string text;
  TLiveColour colour = TLiveColour::kNormal;
  std::string hint;
};

namespace live_text {
inline constexpr const char* kInputsGroup = "Логические статусы";
inline constexpr const char* kCanGroup = "Статусы CAN";
inline constexpr const char* kTagsGroup = "Метки";
inline constexpr const char* kRelaysGroup = "Беспроводные реле";
inline constexpr const char* kTagFmt = "Метка %d";
inline constexpr const char* kRelayFmt = "%d на связи";
inline constexpr const char* kLowSupply = "Напряжение питания системы ниже нормы, GSM и GPS отключены. ";
inline constexpr const char* kGsm = "Сигнал GSM";
inline constexpr const char* kPower = "Напряжение питания";
inline constexpr const char* kSupply = "Напряжение батареи";
inline constexpr const char* kSupplyHint = "Значение валидно при отсутствии внешнего питания";
inline constexpr const char* kCurrent = "Ток выходов";
inline constexpr const char* kRefresh = "Период обновления";
inline constexpr const char* kSatellites = "Спутники";
inline constexpr const char* kHdop = "HDOP";
}  // namespace live_text

// The build number in the core's firmware name (its date stamp counted in days
// of 31-day months from 01.01.2013).
unsigned CoreBuildNumber(const TVersion& coreId);

class TConnectionsLive {
 public:
  // Satellites and HDOP are shown only by cores built after this.
  static constexpr unsigned kGpsValuesBuild = 211;

  struct Context {
    TConnUnit unit;
    TVersion coreId;                  // TCoreInfo::CoreID of the connected unit
    uint8_t alarmPowerLevel = 0;      // TConfigData::AlarmPowerLevel, tenths of a volt
  };

  TConnectionsLive();

  // UpdateIOInfo: the unit or its settings changed (show, plug, unplug, load).
  void SetContext(const Context& ctx) { ctx_ = ctx; }
  const Context& GetContext() const { return ctx_; }
  // DiagEnable: no record shown yet, the GSM block hidden until the next one.
  void ResetShown() { shown_ = false; }
  // The display routine: the record as the unit sent it (big-endian).
  void Show(const TDiagBytes& record);
  bool RecordShown() const { return shown_; }
  const TExtendDiagRec& Record() const { return rec_; }

  // Captions that depend on the board: the two analog measurements (input
  // wires 3 and 4) and the output load (output wire 7); "n/a" without a unit.
  std::string AnalogCaption(int which) const;
  std::string OutputLoadCaption() const;

  std::vector<TLiveLamp> InputLamps() const;
  std::vector<TLiveLamp> CanLamps() const;
  std::vector<TLiveLamp> ModemLamps() const;
  std::vector<TLiveLamp> GpsLamps() const;
  // Tag 1 or 2; kept from the last record of kind 3 and up.
  std::vector<TLiveLamp> TagLamps(int tag) const;
  std::vector<TLiveLamp> RelayLamps() const;

  // "Одометр [км]" .. "Нажатие тормоза".
  std::vector<TLiveValue> CanValues() const;
  // The analog inputs, supply, battery, output current and, while connected,
  // the output load.
  std::vector<TLiveValue> Measurements() const;
  TLiveValue GsmSignal() const;
  TLiveValue Satellites() const;
  TLiveValue Hdop() const;

  // The signal, modem and GPS block: shown with a record above the alarm
  // supply level; at or below it the low-supply sentence replaces it.
  bool GsmBlockVisible() const;
  bool LowSupplyVisible() const;

  // The sub-page as text lines: "Диагностика" (tags = false) or "Метки и реле".
  std::vector<std::string> Lines(bool tags) const;

 private:
  Context ctx_;
  TExtendDiagRec rec_;
  TStateDevicesRec devices_;  // from the last record of kind 3 and up
  bool shown_ = false;
};

}  // namespace orv
