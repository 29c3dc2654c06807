// TConfigData, the unit's main settings block (257 bytes at the start of
// region 5), held in host byte order; UpdateConfig and UpdateDevMem convert
// from and to the unit's big-endian bytes. Also the level codes of Mic and
// FromGSM.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "device/byte_io.h"
#include "settings/config_fields.h"

namespace orv {

using TPIN = std::array<uint8_t, 4>;  // one digit per byte

struct TConfigData {
  static constexpr size_t kSize = kConfigDataSize;
  static constexpr uint8_t kSignature = 195;
  static constexpr size_t kPhoneSize = 16;
  static constexpr size_t kPinOffset = 188;

  std::array<uint32_t, 8> Bits{};  // 256 option flags
  std::array<uint8_t, 4> Pad1{};
  uint32_t devID = 0;
  uint16_t SelfArmTime = 0, SelfArmRemindTime = 0, InRoadTimeout = 0, RES3 = 0, RES4 = 0;
  uint8_t gpsNavType = 0, alarmTime = 0;
  uint16_t RES1 = 0, RES2 = 0, gsmWaitAnswerTimeout = 0, gsmHangUpTimeout = 0;
  uint8_t commonSensivity = 0, shockNSensivity = 0, shockASensivity = 0, motionSensivity = 0;
  uint8_t Speaker = 0, DAC = 0, ToGSM = 0, Mic = 0, FromGSM = 0;
  std::array<std::array<uint8_t, kPhoneSize>, 4> Phones{};
  std::array<uint8_t, kPhoneSize> phoneSC{}, phoneERA{}, phoneSelf{};
  uint8_t skipFirstDigits = 0, AlarmPowerLevel = 0, ShockDisableTime = 0;
  uint16_t diagTime = 0;
  uint8_t gpsResolution = 0, Button2Cmd = 0;
  TPIN PIN{};
  std::array<uint8_t, 16> USSD{};
  uint8_t Singature = 0, timeRStart = 0, timePit = 0;
  int8_t TempEngine = 0, TempCabinLow = 0, TempCabinHigh = 0;
  uint8_t BatteryCharge = 0;
  std::array<uint8_t, 42> RSTimers{};

  // Option flag n (0..255): bit (n mod 32) of word (n div 32).
  bool Flag(int n) const;
  void SetFlag(int n, bool on);

  static TConfigData Parse(ByteReader& r);  // big-endian bytes -> host order
  void Write(ByteWriter& w) const;          // host order -> big-endian bytes
};

// Reads the block from the first 257 bytes of a region (big-endian).
TConfigData UpdateConfig(std::span<const uint8_t> devMem);
// Writes the block into the first 257 bytes of a region; later bytes untouched.
void UpdateDevMem(const TConfigData& cfg, std::span<uint8_t> devMem);

// Texts of the fixed-size fields.
std::string FieldText(std::span<const uint8_t> field);

// Level codes of Mic and FromGSM: slider position 0..6 <-> code 7..13.
int LevelCodeToPosition(uint8_t code);
uint8_t PositionToLevelCode(int position);

}  // namespace orv
