#include "pages/model/connections_live.h"

#include <cstdio>

#include "diag/diag_base_view.h"

namespace orv {
namespace {

bool Bit(uint32_t word, int bit) { return ((word >> bit) & 1u) != 0; }

std::vector<TLiveLamp> Lamps(std::span<const TDiagLamp> table, std::span<const uint32_t> words) {
  std::vector<TLiveLamp> out;
  for (const auto& l : table) {
    const bool lit = l.word >= 0 && static_cast<size_t>(l.word) < words.size() && Bit(words[static_cast<size_t>(l.word)], l.bit);
    out.push_back({l.name, lit});
  }
  return out;
}

std::string Joined(const std::vector<TLiveLamp>& lamps) {
  std::string s;
  for (const auto& l : lamps)
    if (l.lit) s += (s.empty() ? "" : ", ") + l.name;
  return s.empty() ? "—" : s;
}

std::string PadCaption(const std::string& caption, size_t width) {
  size_t chars = 0;
  for (unsigned char ch : caption) chars += (ch & 0xC0) != 0x80;
  return chars < width ? caption + std::string(width - chars, ' ') : caption + " ";
}

}  // namespace

unsigned CoreBuildNumber(const TVersion& vi) {
  // As in the firmware name: zero-based BCD components, a non-BCD byte as 0.
  auto bcd = [](uint8_t b, uint8_t bias) -> uint8_t {
    const unsigned hi = b >> 4, lo = b & 0x0F;
    if (hi >= 10 || lo >= 10) return 0;
    return static_cast<uint8_t>(10 * hi + lo - bias);
  };
  const uint8_t year = bcd(vi.Year, 13), month = bcd(vi.Month, 1), day = bcd(vi.Day, 1);
  if (year > 86 && month > 11 && day > 30) return 0;
  return (year * 12u + month) * 31u + day;
}

TConnectionsLive::TConnectionsLive() = default;

void TConnectionsLive::Show(const TDiagBytes& record) {
  rec_ = ParseDiag(record);
  // Tags and relays come only with records of kind 3 and up.
  if (DiagKindOf(rec_.Kind) >= dkAutoStart3) devices_ = rec_.StateDevices;
  shown_ = true;
}

std::string TConnectionsLive::AnalogCaption(int which) const {
  return TConnectionsModel::CaptionInputWireName(which == 0 ? 3 : 4, ctx_.unit);
}

std::string TConnectionsLive::OutputLoadCaption() const {
  if (!ctx_.unit.connected) return conn_text::kNA;
  return ConnFormat(conn_text::kOutputLoadFmt, TConnectionsModel::CaptionOutputWireName(7, ctx_.unit));
}

std::vector<TLiveLamp> TConnectionsLive::InputLamps() const {
  const uint32_t w[] = {rec_.Diag.MainData.inActive};
  return Lamps(orv::InputLamps(), w);
}
std::vector<TLiveLamp> TConnectionsLive::CanLamps() const {
  const uint32_t w[] = {rec_.Diag.CANData.State};
  return Lamps(orv::CanLamps(), w);
}
std::vector<TLiveLamp> TConnectionsLive::ModemLamps() const {
  const uint32_t w[] = {rec_.Diag.HILO};
  return Lamps(orv::ModemLamps(), w);
}
std::vector<TLiveLamp> TConnectionsLive::GpsLamps() const { return Lamps(orv::GpsLamps(), rec_.Diag.SysBits); }

std::vector<TLiveLamp> TConnectionsLive::TagLamps(int tag) const {
  std::vector<TLiveLamp> out;
  const auto lit = LitTagLamps(devices_, tag);
  for (const char* name : TagLampNames()) {
    bool on = false;
    for (const auto& l : lit) on = on || l == name;
    out.push_back({name, on});
  }
  return out;
}

std::vector<TLiveLamp> TConnectionsLive::RelayLamps() const {
  std::vector<TLiveLamp> out;
  for (int r = 1; r <= 4; ++r) {
    char buf[32];
    std::snprintf(buf, sizeof buf, live_text::kRelayFmt, r);
    out.push_back({buf, Bit(devices_.ImmLinked, r - 1)});
  }
  return out;
}

std::vector<TLiveValue> TConnectionsLive::CanValues() const {
  const TCANData& c = rec_.Diag.CANData;
  return {
      {"Одометр [км]", OdometerText(c.Odometer)},
      {"Обороты [об/мин]", RpmText(c.RPM)},
      {"Скорость [км/ч]", orv::Padded(c.Speed, 3)},
      {"Темп.  ОЖ", CoolantText(c.CoolantTemp)},
      {"Поворот руля", orv::Padded(c.WheelAngle, 5)},
      {"Расход топлива", orv::Padded(c.FuelConsumption, 5)},
      {"Уровень топлива", orv::Padded(c.FuelLevel, 3)},
      {"Акселератор", orv::Padded(c.AcceleratorValue, 3)},
      {"Нажатие тормоза", orv::Padded(c.BrakeForce, 3)},
  };
}

std::vector<TLiveValue> TConnectionsLive::Measurements() const {
  const TDiagRec& d = rec_.Diag;
  std::vector<TLiveValue> v = {
      {AnalogCaption(0), VoltageText(d.ADC.Input7)},
      {AnalogCaption(1), VoltageText(d.ADC.Input8)},
      {live_text::kPower, VoltageText(d.ADC.Power)},
      {live_text::kSupply, VoltageText(d.ADC.Supply), TLiveColour::kNormal, live_text::kSupplyHint},
  };
  const std::string current = OutputCurrentText(d);
  v.push_back({live_text::kCurrent, current, current == "<!>" ? TLiveColour::kRed : TLiveColour::kTeal});
  if (ctx_.unit.connected) {
    const std::string load = OutputLoadText(d);
    v.push_back({OutputLoadCaption(), load, load == "<!>" ? TLiveColour::kRed : TLiveColour::kNormal});
  } else {
    v.push_back({OutputLoadCaption(), ""});
  }
  return v;
}

TLiveValue TConnectionsLive::GsmSignal() const { return {live_text::kGsm, GsmSignalText(rec_.Diag.HILOrssi)}; }

TLiveValue TConnectionsLive::Satellites() const {
  const bool known = CoreBuildNumber(ctx_.coreId) > kGpsValuesBuild;
  return {live_text::kSatellites, known ? std::to_string(rec_.Diag.GPSSVN) : conn_text::kNA};
}

TLiveValue TConnectionsLive::Hdop() const {
  const bool known = CoreBuildNumber(ctx_.coreId) > kGpsValuesBuild;
  return {live_text::kHdop, known ? HdopText(rec_.Diag.GPSHDOP) : conn_text::kNA};
}

bool TConnectionsLive::GsmBlockVisible() const { return shown_ && rec_.Diag.ADC.Power > ctx_.alarmPowerLevel; }
bool TConnectionsLive::LowSupplyVisible() const { return shown_ && rec_.Diag.ADC.Power <= ctx_.alarmPowerLevel; }

std::vector<std::string> TConnectionsLive::Lines(bool tags) const {
  std::vector<std::string> out;
  auto value = [&](const TLiveValue& v) { out.push_back("  " + PadCaption(v.caption + ":", 40) + v.text); };
  if (tags) {
    for (int t = 1; t <= 2; ++t) {
      char buf[32];
      std::snprintf(buf, sizeof buf, live_text::kTagFmt, t);
      out.push_back("  " + PadCaption(std::string(buf) + ":", 40) + Joined(TagLamps(t)));
    }
    out.push_back("  " + PadCaption(std::string(live_text::kRelaysGroup) + ":", 40) + Joined(RelayLamps()));
    return out;
  }
  out.push_back("  " + PadCaption(std::string(live_text::kInputsGroup) + ":", 40) + Joined(InputLamps()));
  out.push_back("  " + PadCaption(std::string(live_text::kCanGroup) + ":", 40) + Joined(CanLamps()));
  for (const auto& v : CanValues()) value(v);
  for (const auto& v : Measurements()) value(v);
  if (GsmBlockVisible()) {
    value(GsmSignal());
    out.push_back("  " + PadCaption("Модем:", 40) + Joined(ModemLamps()));
    out.push_back("  " + PadCaption("GPS:", 40) + Joined(GpsLamps()));
    value(Satellites());
    value(Hdop());
  } else if (LowSupplyVisible()) {
    out.push_back("  " + std::string(live_text::kLowSupply));
  }
  return out;
}

}  // namespace orv
