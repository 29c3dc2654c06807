#include "settings/config_data.h"

#include <cmath>
#include <stdexcept>

#include "device/text_codec.h"

namespace orv {

bool TConfigData::Flag(int n) const {
  if (n < 0 || n > 255) return false;
  return (Bits[static_cast<size_t>(n / 32)] >> (n % 32)) & 1u;
}

void TConfigData::SetFlag(int n, bool on) {
  if (n < 0 || n > 255) throw std::out_of_range("option flag beyond 255");
  const uint32_t bit = 1u << (n % 32);
  auto& word = Bits[static_cast<size_t>(n / 32)];
  word = on ? (word | bit) : (word & ~bit);
}

TConfigData TConfigData::Parse(ByteReader& r) {
  TConfigData c;
  for (auto& w : c.Bits) w = r.U32BE();
  r.Bytes(c.Pad1.data(), c.Pad1.size());
  c.devID = r.U32BE();
  c.SelfArmTime = r.U16BE();
  c.SelfArmRemindTime = r.U16BE();
  c.InRoadTimeout = r.U16BE();
  c.RES3 = r.U16BE();
  c.RES4 = r.U16BE();
  c.gpsNavType = r.U8();
  c.alarmTime = r.U8();
  c.RES1 = r.U16BE();
  c.RES2 = r.U16BE();
  c.gsmWaitAnswerTimeout = r.U16BE();
  c.gsmHangUpTimeout = r.U16BE();
  c.commonSensivity = r.U8();
  c.shockNSensivity = r.U8();
  c.shockASensivity = r.U8();
  c.motionSensivity = r.U8();
  c.Speaker = r.U8();
  c.DAC = r.U8();
  c.ToGSM = r.U8();
  c.Mic = r.U8();
  c.FromGSM = r.U8();
  for (auto& p : c.Phones) r.Bytes(p.data(), p.size());
  r.Bytes(c.phoneSC.data(), c.phoneSC.size());
  r.Bytes(c.phoneERA.data(), c.phoneERA.size());
  r.Bytes(c.phoneSelf.data(), c.phoneSelf.size());
  c.skipFirstDigits = r.U8();
  c.AlarmPowerLevel = r.U8();
  c.ShockDisableTime = r.U8();
  c.diagTime = r.U16BE();
  c.gpsResolution = r.U8();
  c.Button2Cmd = r.U8();
  r.Bytes(c.PIN.data(), c.PIN.size());
  r.Bytes(c.USSD.data(), c.USSD.size());
  c.Singature = r.U8();
  c.timeRStart = r.U8();
  c.timePit = r.U8();
  c.TempEngine = static_cast<int8_t>(r.U8());
  c.TempCabinLow = static_cast<int8_t>(r.U8());
  c.TempCabinHigh = static_cast<int8_t>(r.U8());
  c.BatteryCharge = r.U8();
  r.Bytes(c.RSTimers.data(), c.RSTimers.size());
  return c;
}

void TConfigData::Write(ByteWriter& w) const {
  for (auto v : Bits) w.U32BE(v);
  w.Bytes(Pad1);
  w.U32BE(devID);
  w.U16BE(SelfArmTime);
  w.U16BE(SelfArmRemindTime);
  w.U16BE(InRoadTimeout);
  w.U16BE(RES3);
  w.U16BE(RES4);
  w.U8(gpsNavType);
  w.U8(alarmTime);
  w.U16BE(RES1);
  w.U16BE(RES2);
  w.U16BE(gsmWaitAnswerTimeout);
  w.U16BE(gsmHangUpTimeout);
  w.U8(commonSensivity);
  w.U8(shockNSensivity);
  w.U8(shockASensivity);
  w.U8(motionSensivity);
  w.U8(Speaker);
  w.U8(DAC);
  w.U8(ToGSM);
  w.U8(Mic);
  w.U8(FromGSM);
  for (const auto& p : Phones) w.Bytes(p);
  w.Bytes(phoneSC);
  w.Bytes(phoneERA);
  w.Bytes(phoneSelf);
  w.U8(skipFirstDigits);
  w.U8(AlarmPowerLevel);
  w.U8(ShockDisableTime);
  w.U16BE(diagTime);
  w.U8(gpsResolution);
  w.U8(Button2Cmd);
  w.Bytes(PIN);
  w.Bytes(USSD);
  w.U8(Singature);
  w.U8(timeRStart);
  w.U8(timePit);
  w.U8(static_cast<uint8_t>(TempEngine));
  w.U8(static_cast<uint8_t>(TempCabinLow));
  w.U8(static_cast<uint8_t>(TempCabinHigh));
  w.U8(BatteryCharge);
  w.Bytes(RSTimers);
}

TConfigData UpdateConfig(std::span<const uint8_t> devMem) {
  ByteReader r(devMem);  // throws when the region is shorter than the block
  return TConfigData::Parse(r);
}

void UpdateDevMem(const TConfigData& cfg, std::span<uint8_t> devMem) {
  ByteWriter w(TConfigData::kSize);
  cfg.Write(w);
  if (devMem.size() < w.Size()) throw ByteRangeError("region shorter than the main settings block");
  std::copy(w.Data().begin(), w.Data().end(), devMem.begin());
}

std::string FieldText(std::span<const uint8_t> field) { return BytesToText(field.data(), field.size()); }

int LevelCodeToPosition(uint8_t code) {
  if (code >= 13) return 6;
  if (code < 8) return 0;
  return code - 7;
}

uint8_t PositionToLevelCode(int position) {
  // (12 - g) / 1.5 rounded with g = 1.5 - 1.5 p, that is 7 + p.
  const double g = 1.5 - 1.5 * position;
  return static_cast<uint8_t>(std::lround((12.0 - g) / 1.5));
}

}  // namespace orv
